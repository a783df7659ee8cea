// Every fixed text of the panel's user interface, in one place. The source is
// UTF-8; the texts are wide literals, which the compiler writes in UTF-16 whatever
// the narrow literals' code page is, so they show right under any ANSI code page.
#pragma once

// Window class and window text of the panel window.
#define TEXT_PANEL_CLASS L"Corvane Plugin - Dockmere"
#define TEXT_PANEL_WINDOW L"test"

// Settings file.
#define TEXT_INI_FILE_NAME L"Dockmere.ini"
#define TEXT_DEFAULT_PAGE_NAME_FORMAT L"ページ &%d"

// Commands (menu entries).
#define TEXT_CMD_ABOUT L"バージョン情報(&A)..."
#define TEXT_CMD_OPEN L"開く(&O)"
#define TEXT_CMD_DELETE L"削除(&D)"
#define TEXT_CMD_RENAME L"名前の変更(&M)"
#define TEXT_CMD_RUN L"ファイル名を指定して実行(&R)..."
#define TEXT_CMD_DOUBLE_CLICK L"ダブルクリックで開く(&D)"
#define TEXT_CMD_CHANGE_ICON L"アイコンの変更(&I)..."
#define TEXT_CMD_PROPERTIES L"プロパティ(&P)..."
#define TEXT_CMD_LARGE_ICONS L"大きいアイコン(&I)"
#define TEXT_CMD_SMALL_ICONS L"小さいアイコン(&S)"
#define TEXT_CMD_LIST L"一覧(&L)"
#define TEXT_CMD_NEW_PAGE L"新しいページを作成(&N)"
#define TEXT_CMD_RENAME_PAGE L"ページ名の変更(&E)..."
#define TEXT_CMD_REMOVE_PAGE L"ページを削除(&D)"
#define TEXT_CMD_SHOW_TABS L"タブを表示する(&T)"
#define TEXT_CMD_AUTO_ARRANGE L"アイコンの自動整列(&A)"
#define TEXT_CMD_GRID_ARRANGE L"等間隔に整列(&L)"

// Submenus.
#define TEXT_MENU_SETTINGS L"設定(&S)"
#define TEXT_MENU_PAGE L"ページ操作(&P)"

// Message boxes.
#define TEXT_CAPTION L"Dockmere"
#define TEXT_ABOUT L"Dockmere  v1.5"
#define TEXT_ASK_SHORTCUT_TARGET L"ショートカット先の実体を登録しますか？"
// A save that leaves the file behind the panel, told once: the file's path first.
#define TEXT_SAVE_FAILED_FORMAT L"%s\n\n設定ファイルに書き込めないため、変更を保存できません。ファイルとフォルダーのアクセス許可と空き容量を確かめてください。パネルを閉じるまでに書き込めれば、そのとき保存します。"
#define TEXT_SAVE_UNREADABLE_FORMAT L"%s\n\n設定ファイルを読み込めなかったため、このファイルは書き換えずに残します。このパネルで行った変更は保存されません。"
#define TEXT_SAVE_TOO_LARGE_FORMAT L"%s\n\n設定が大きくなりすぎたため保存できません。項目を減らしてください。ファイルは前回保存した内容のまま残ります。"
// A drop refused because the pages hold as many items as the settings file can keep.
#define TEXT_TOO_MANY_ITEMS L"登録できる項目の数または設定ファイルの大きさの上限に達したため、これ以上登録できません。"
// The files of one drop that were not taken, told once at the drop's end: "%s"
// is how many, "%d" the bound.
#define TEXT_DROP_BEYOND_BOUND_FORMAT L"一度にドロップできる数を超えたため、残りの %s 個のファイルは登録していません (一度に %d 個まで)。"
#define TEXT_DROP_NAME_TOO_LONG_FORMAT L"名前が長すぎるため、%s 個のファイルを登録していません。"
#define TEXT_DROP_BUSY_FORMAT L"処理が混み合っているため、%s 個のファイルを登録できませんでした。もう一度ドロップしてください。"
// A start the shell refused: the item's path, why, and the shell's number.
#define TEXT_START_NOT_FOUND_FORMAT L"%s\n\nファイルが見つからないため開けません。 (エラー %d)"
#define TEXT_START_PATH_NOT_FOUND_FORMAT L"%s\n\nファイルのあるフォルダが見つからないため開けません。 (エラー %d)"
#define TEXT_START_ACCESS_DENIED_FORMAT L"%s\n\nアクセスが拒否されたため開けません。 (エラー %d)"
#define TEXT_START_NO_ASSOCIATION_FORMAT \
    L"%s\n\nこの種類のファイルを開くプログラムが登録されていないため開けません。 (エラー %d)"
#define TEXT_START_ASSOCIATION_INCOMPLETE_FORMAT \
    L"%s\n\nこの種類のファイルを開くプログラムの登録が不完全なため開けません。 (エラー %d)"
#define TEXT_START_OUT_OF_MEMORY_FORMAT L"%s\n\nメモリが不足しているため開けません。 (エラー %d)"
#define TEXT_START_DDE_FAILED_FORMAT L"%s\n\nファイルを開くプログラムとのやり取りに失敗したため開けません。 (エラー %d)"
#define TEXT_START_SHARING_VIOLATION_FORMAT L"%s\n\nファイルがほかのプログラムで使われているため開けません。 (エラー %d)"
#define TEXT_START_FAILED_FORMAT L"%s\n\nこのファイルを開けません。 (エラー %d)"
#define TEXT_RUN_DIALOG_FAILED L"ファイル名を指定して実行のダイアログを開けません。"

// Page rename prompt.
#define TEXT_RENAME_LABEL L"新しい名前:"
#define TEXT_RENAME_CAPTION L"名前の変更"

// Item properties dialog.
#define TEXT_PROPERTIES_TITLE_FORMAT L"%s のプロパティ"
#define TEXT_BROWSE_FILTER L"全てのファイル\0*.*\0"

// Set on the window three levels above the panel while an item label is edited.
#define TEXT_RENAME_WINDOW L"Rename"

// Clipboard format of shell item lists offered by drags from the shell.
#define TEXT_IDLIST_FORMAT L"Shell IDList Array"

// Drawn in the icon list while the shown page has no item.
#define TEXT_EMPTY_PAGE_HINT L"プログラムやファイル、フォルダを\nここにドロップすると登録できます"
