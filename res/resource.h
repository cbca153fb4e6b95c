/* Resource identifiers, each defined once. */
#ifndef TOBRIK_RESOURCE_H
#define TOBRIK_RESOURCE_H

/* Dialog templates, strings, menus, icons and bitmaps. */
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_TOBRIKMOUSE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDB_RING 129
#define IDR_TRAY_MENU 130
#define IDD_CURSOR 131

/* The About item of the system menu. */
#define IDM_ABOUTBOX 0x0010

/* Controls of the configuration dialog. */
#define IDC_TOGGLE 1000
#define IDC_HIDE_TO_TRAY 1001
#define IDC_BITMAP_PATH 1002
#define IDC_BROWSE_BITMAP 1003
#define IDC_SELECT_COLOR 1006
#define IDC_COLOR_SWATCH 1007
#define IDC_HOTKEY 1008
#define IDC_ASSIGN_HOTKEY 1009
#define IDC_CLEAR_HOTKEY 1010
#define IDC_VISIT 1011
#define IDC_BITMAP_INFO 1012
#define IDC_OPACITY 1013

/* The picture control of the cursor overlay. */
#define IDC_CURSOR_PICTURE 1005

/* Commands of the notification-area menu. */
#define ID_TRAY_EXIT 32771
#define ID_TRAY_CONFIGURE 32772

/* The application title. */
#define AFX_IDS_APP_TITLE 0xE000

#endif
