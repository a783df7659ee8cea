// Every fixed text of the panel's user interface, in one place. The source is
// UTF-8; the compiler writes the narrow literals in code page 932.
#pragma once

// Window class and window text of the panel window.
#define TEXT_PANEL_CLASS "Corvane Plugin - Dockmere"
#define TEXT_PANEL_WINDOW "test"

// Settings file.
#define TEXT_INI_FILE_FORMAT "%s\\Dockmere.ini"
#define TEXT_DEFAULT_PAGE_NAME_FORMAT "ページ &%d"

// Commands (menu entries).
#define TEXT_CMD_ABOUT "バージョン情報(&A)..."
#define TEXT_CMD_OPEN "開く(&O)"
#define TEXT_CMD_DELETE "削除(&D)"
#define TEXT_CMD_RENAME "名前の変更(&M)"
#define TEXT_CMD_RUN "ファイル名を指定して実行(&R)..."
#define TEXT_CMD_DOUBLE_CLICK "ダブルクリックで開く(&D)"
#define TEXT_CMD_CHANGE_ICON "アイコンの変更(&I)..."
#define TEXT_CMD_PROPERTIES "プロパティ(&P)..."
#define TEXT_CMD_LARGE_ICONS "大きいアイコン(&I)"
#define TEXT_CMD_SMALL_ICONS "小さいアイコン(&S)"
#define TEXT_CMD_LIST "一覧(&L)"
#define TEXT_CMD_NEW_PAGE "新しいページを作成(&N)"
#define TEXT_CMD_RENAME_PAGE "ページ名の変更(&E)..."
#define TEXT_CMD_REMOVE_PAGE "ページを削除(&D)"
#define TEXT_CMD_SHOW_TABS "タブを表示する(&T)"
#define TEXT_CMD_AUTO_ARRANGE "アイコンの自動整列(&A)"
#define TEXT_CMD_GRID_ARRANGE "等間隔に整列(&L)"

// Submenus.
#define TEXT_MENU_SETTINGS "設定(&S)"
#define TEXT_MENU_PAGE "ページ操作(&P)"

// Message boxes.
#define TEXT_CAPTION "Dockmere"
#define TEXT_ABOUT "Dockmere  v1.5"
#define TEXT_ASK_SHORTCUT_TARGET "ショートカット先の実体を登録しますか？"
// A drop refused because the pages hold as many items as the settings file can keep.
#define TEXT_TOO_MANY_ITEMS "登録できる項目の数を超えるため、これ以上登録できません。"
#define TEXT_UNNAMABLE_FILE_FORMAT "%s\n\nこのファイル名には表示できない文字が含まれ、短い名前もないため登録できません。"
// A start the shell refused: the item's path, then why.
#define TEXT_START_NOT_FOUND_FORMAT "%s\n\nファイルが見つからないため開けません。"
#define TEXT_START_ACCESS_DENIED_FORMAT "%s\n\nアクセスが拒否されたため開けません。"
#define TEXT_START_OUT_OF_MEMORY_FORMAT "%s\n\nメモリが不足しているため開けません。"
#define TEXT_START_FAILED_FORMAT "%s\n\nこのファイルを開けません (エラー %d)。"
#define TEXT_RUN_DIALOG_FAILED "ファイル名を指定して実行のダイアログを開けません。"

// Page rename prompt.
#define TEXT_RENAME_LABEL "新しい名前:"
#define TEXT_RENAME_CAPTION "名前の変更"

// Item properties dialog.
#define TEXT_PROPERTIES_TITLE_FORMAT "%s のプロパティ"
#define TEXT_BROWSE_FILTER "全てのファイル\0*.*\0"

// Set on the window three levels above the panel while an item label is edited.
#define TEXT_RENAME_WINDOW "Rename"

// Clipboard format of shell item lists offered by drags from the shell.
#define TEXT_IDLIST_FORMAT "Shell IDList Array"

// Drawn in the icon list while the shown page has no item (wide: right under any
// ANSI code page).
#define TEXT_EMPTY_PAGE_HINT L"プログラムやファイル、フォルダを\nここにドロップすると登録できます"
