// Resource ids of vesk.exe: dialogs, menus, controls, commands and strings.
// The numbers are fixed: settings, tests and the windows rely on them.
#pragma once

#define IDI_VESK 1
#define IDA_MAIN 1

// Dialog templates.
#define IDD_MAIN 1
#define IDD_OPTIONS 2
#define IDD_BENCHMARK 3
#define IDD_ABOUT 4
#define IDD_ADD_FOLDER 5
#define IDD_VERIFY 6
#define IDD_NOT_READ 7

// Menus.
#define IDM_MAIN 1
#define IDM_LIST_CONTEXT 2

// Main window controls (the two buttons carry their commands' ids).
#define IDC_MAIN_PROGRESS 51
#define IDC_MAIN_LIST 52
#define IDC_MAIN_FIND 54
#define IDC_MAIN_STATUS 55

// Commands of the main window.
#define ID_FILE_EXIT 1
#define ID_CLOSE_WINDOW 2
#define ID_FILE_ADD_FILES 3
#define ID_FILE_ADD_FOLDER 4
#define ID_FILE_ADD_FOLDER_ADVANCED 5
#define ID_FILE_SAVE 6
#define ID_LIST_COPY_CELL 7
#define ID_EDIT_COPY 8
#define ID_EDIT_COPY_ALL 9
#define ID_EDIT_SELECT_ALL 10
#define ID_EDIT_DELETE 11
#define ID_EDIT_CLEAR 12
#define ID_EDIT_FIND 13
#define ID_HIDE_FIND 14
#define ID_VIEW_FULL_PATH 15
#define ID_VIEW_UPPERCASE 16
#define ID_VIEW_GRID_LINES 17
#define ID_VIEW_KEY_VALUE 18
#define ID_VIEW_SHEET 19
#define ID_VIEW_TOGGLE 20
#define ID_VIEW_ALWAYS_ON_TOP 21
#define ID_VIEW_FONT 22
#define ID_TOOLS_OPTIONS 23
#define ID_TOOLS_BENCHMARK 24
#define ID_TOOLS_SHELL 26
#define ID_HELP_HELP 27
#define ID_HELP_ABOUT 28
#define ID_VIEW_HTML_ALL 30
#define ID_VIEW_TXT_ALL 31
#define ID_VIEW_CSV_ALL 32
#define ID_VIEW_HTML_SELECTED 33
#define ID_VIEW_TXT_SELECTED 34
#define ID_VIEW_CSV_SELECTED 35
#define ID_LIST_COLLAPSE_ALL 36
#define ID_LIST_EXPAND_ALL 37
#define ID_FILE_VERIFY 40
#define ID_FILE_STOP 41
#define ID_VIEW_NOT_READ 45

// Options dialog.
#define IDC_OPTIONS_LABEL 3
#define IDC_OPTIONS_SELECT_ALL 4
#define IDC_OPTIONS_SELECT_NONE 5
#define IDC_OPTIONS_LIST 50

// Benchmark dialog.
#define IDC_BENCHMARK_RUN 3
#define IDC_BENCHMARK_LIST 50

// About dialog.
#define IDC_ABOUT_TITLE 50
#define IDC_ABOUT_NOTICE 51
#define IDC_ABOUT_LINK 52
#define IDC_ABOUT_ICON 53

// Add Folder (Advanced) dialog.
#define IDC_ADD_FOLDER_FOLDER_LABEL 3
#define IDC_ADD_FOLDER_WILDCARD_LABEL 4
#define IDC_ADD_FOLDER_DEPTH_LABEL 5
#define IDC_ADD_FOLDER_BROWSE 50
#define IDC_ADD_FOLDER_FOLDER 51
#define IDC_ADD_FOLDER_WILDCARD 52
#define IDC_ADD_FOLDER_DEPTH 53

// Verify window.
#define IDC_VERIFY_SAVE 3
#define IDC_VERIFY_COPY 4
#define IDC_VERIFY_LIST 50

// Files Not Read window.
#define IDC_NOT_READ_COPY 3
#define IDC_NOT_READ_CLEAR 4
#define IDC_NOT_READ_LIST 50

// String table: the fixed column headers.
#define IDS_FILE 1
#define IDS_SIZE 2
#define IDS_DATE_MODIFIED 3
#define IDS_NAME 4
#define IDS_VALUE 5
