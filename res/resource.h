// Resource and command identifiers shared by the resource script and the code.
#pragma once

#define IDI_TOLVANE 101

// Toolbar pictures, one set per size: 48, 72 and 96 pixels square.
#define IDB_TB_REFRESH_48 201
#define IDB_TB_ADD_48 202
#define IDB_TB_EDIT_48 203
#define IDB_TB_DEL_48 204
#define IDB_TB_EXIT_48 205
#define IDB_TB_REFRESH_72 211
#define IDB_TB_ADD_72 212
#define IDB_TB_EDIT_72 213
#define IDB_TB_DEL_72 214
#define IDB_TB_EXIT_72 215
#define IDB_TB_REFRESH_96 221
#define IDB_TB_ADD_96 222
#define IDB_TB_EDIT_96 223
#define IDB_TB_DEL_96 224
#define IDB_TB_EXIT_96 225

#define IDM_MAIN 301

// Menu items of the main window.
#define IDM_FILE_HTML 1001
#define IDM_FILE_XML 1002
#define IDM_FILE_EXIT 1003
#define IDM_FILE_REG 1004
#define IDM_FILE_IMPORT 1005
#define IDM_OPR_REFRESH 1011
#define IDM_OPR_ADD 1012
#define IDM_OPR_EDIT 1013
#define IDM_OPR_DEL 1014
#define IDM_OPR_CLEAN 1015
#define IDM_OPR_UNDO 1016
// Controls of the main window.
#define IDC_FILTER 1201
#define IDC_STATUS 1202

// The rows' context menu.
#define IDM_ROW_RUN 1031
#define IDM_ROW_OPEN 1032
#define IDM_ROW_COPY_NAME 1033
#define IDM_ROW_COPY_PATH 1034
#define IDM_ROW_REGEDIT 1035

#define IDM_HELP_CONTENT 1021
#define IDM_HELP_ABOUT 1022
#define IDM_HELP_GUIDE 1023

// Toolbar buttons of the main window; the button's key travels as its
// command's text (see main_window/toolbar).
#define IDT_REFRESH 1101
#define IDT_ADD 1102
#define IDT_EDIT 1103
#define IDT_DEL 1104
#define IDT_EXIT 1105
