// Resource and control identifiers of the panel module.
#pragma once

#define IDD_ITEM_PROPERTIES 101
#define IDD_TEXT_PROMPT 103
#define IDC_DRAG_CURSOR 105

// Item properties dialog.
#define IDC_ITEM_NAME 1001
#define IDC_ITEM_PATH 1002
#define IDC_ITEM_PARAMETER 1003
#define IDC_ITEM_ICON_PATH 1004
#define IDC_ITEM_ICON_INDEX 1005
#define IDC_ITEM_WORK_DIR 1006
#define IDC_CHANGE_ICON 1007
#define IDC_BROWSE 1008
#define IDC_ITEM_ICON_PLACE 1009

// Text prompt.
#define IDC_PROMPT_TEXT 1010
#define IDC_PROMPT_LABEL 1011

// Panel controls and timer.
#define IDC_LIST_VIEW 20001
#define IDC_TAB_CONTROL 20002
#define ID_LAYOUT_TIMER 30001
#define LAYOUT_TIMER_PERIOD 333
#define ID_SAVE_TIMER 30002
// A drag from the shell held over another page's tab this long shows that page.
#define ID_DRAG_HOVER_TIMER 30003
#define DRAG_HOVER_DELAY 500
#define SAVE_DELAY 2000  // from the last change to its save

// Commands.
#define IDM_ABOUT 10001
#define IDM_OPEN 10002
#define IDM_DELETE 10003
#define IDM_RENAME 10004
#define IDM_RUN 10005
#define IDM_DOUBLE_CLICK 10006
#define IDM_CHANGE_ICON 10007
#define IDM_PROPERTIES 10008
#define IDM_LARGE_ICONS 10009
#define IDM_SMALL_ICONS 10010
#define IDM_LIST 10011
#define IDM_NEW_PAGE 10012
#define IDM_RENAME_PAGE 10013
#define IDM_REMOVE_PAGE 10014
#define IDM_SHOW_TABS 10015
#define IDM_AUTO_ARRANGE 10016
#define IDM_GRID_ARRANGE 10017
#define IDM_PAGE_FIRST 10100  // + page index
#define IDM_PAGE_LAST 10200   // pages 0 to 100 can be shown by command
