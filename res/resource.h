// Resource and command identifiers shared by the resource script and the code.
#pragma once

#define IDI_TOLVANE 101

#define IDB_TB_REFRESH 201
#define IDB_TB_ADD 202
#define IDB_TB_EDIT 203
#define IDB_TB_DEL 204
#define IDB_TB_EXIT 205

#define IDM_MAIN 301

// Menu items of the main window.
#define IDM_FILE_HTML 1001
#define IDM_FILE_XML 1002
#define IDM_FILE_EXIT 1003
#define IDM_FILE_REG 1004
#define IDM_OPR_REFRESH 1011
#define IDM_OPR_ADD 1012
#define IDM_OPR_EDIT 1013
#define IDM_OPR_DEL 1014
#define IDM_OPR_CLEAN 1015
// Controls of the main window.
#define IDC_FILTER 1201
#define IDC_STATUS 1202

// The rows' context menu.
#define IDM_ROW_RUN 1031
#define IDM_ROW_OPEN 1032
#define IDM_ROW_COPY_NAME 1033
#define IDM_ROW_COPY_PATH 1034

#define IDM_HELP_CONTENT 1021
#define IDM_HELP_ABOUT 1022

// Toolbar buttons of the main window; the button's key travels as its
// command's text (see main_window/toolbar).
#define IDT_REFRESH 1101
#define IDT_ADD 1102
#define IDT_EDIT 1103
#define IDT_DEL 1104
#define IDT_EXIT 1105
