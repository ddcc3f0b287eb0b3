// Resource and control ids of the Windows front end, shared by vantro.rc and the C++
// code. Plain #defines so that the resource compiler can read this file too.
#pragma once

#define IDI_APP 103
#define IDM_MAIN 104
#define IDD_LOGON 106
#define IDD_OPTIONS 108
#define IDD_ANALYZER 133
#define IDA_SCHEMA 137
#define IDM_LIST_POPUP 138
#define IDA_MAIN 139

// Toolbar icons of the fixed buttons.
#define IDI_CONNECT 125
#define IDI_CANCEL 126
#define IDI_NEW_WINDOW 127
#define IDI_COMMIT 128
#define IDI_ROLLBACK 129
#define IDI_REPEAT 130

// Commands.
#define IDC_EXIT 40001
#define IDC_CANCEL_QUERY 40003
#define IDC_PREVIOUS 40004
#define IDC_NEXT 40005
#define IDC_OPTIONS 40008
#define IDC_CONNECT 40009
#define IDC_DISCONNECT 40010
#define IDC_NEW_WINDOW 40011
#define IDC_COMMIT 40012
#define IDC_ROLLBACK 40013
#define IDC_REPEAT 40014
#define IDC_ANALYZER 40015
#define IDC_SCHEMA 40016
#define IDC_SELECT_ALL 40017
#define IDC_EXPORT 40018
#define IDC_COPY_FIRST_COLUMN 40020
#define IDC_COPY_ENTIRE_LINE 40021
#define IDC_COPY 40026
#define IDC_PASTE 40027
#define IDC_FAVOURITES_ADD 40029
// Option check buttons of the toolbar: this plus the option's row index.
#define IDC_OPTION_BASE 1000

// Child windows of the main window.
#define ID_RESULT_LIST 200
#define ID_CONSOLE 201
#define ID_SPLITTER 202
#define ID_TOOLBAR 204
#define ID_FAVOURITES_LABEL 213
#define ID_FAVOURITES_TREE 214

// Logon dialog.
#define IDC_LOGON_USER 1005
#define IDC_LOGON_USER_LABEL 1006
#define IDC_LOGON_PASSWORD 1007
#define IDC_LOGON_PASSWORD_LABEL 1008
#define IDC_LOGON_DATABASE 1009
#define IDC_LOGON_DATABASE_LABEL 1010
#define IDC_LOGON_OK 1011
#define IDC_LOGON_CANCEL 1012
#define IDC_LOGON_MODE 1013
#define IDC_LOGON_MODE_LABEL 1014

// Options dialog.
#define IDC_OPT_LIST 1015
#define IDC_OPT_LIST_LABEL 1016
#define IDC_OPT_VALUE 1017
#define IDC_OPT_VALUE_LABEL 1018
#define IDC_OPT_DESCRIPTION 1019
#define IDC_OPT_CHECK 1020
#define IDC_OPT_BROWSE 1021
#define IDC_OPT_OK 1022
#define IDC_OPT_CANCEL 1023
#define IDC_OPT_ON_TOOLBAR 1026

// SQL Analyzer dialog and its lower pane.
#define IDC_AN_STATEMENT 1027
#define IDC_AN_PLAN_TREE 1028
#define IDC_AN_EXPLAIN 1029
#define IDC_AN_CLOSE 1030
#define IDC_AN_EXECUTE 1031
#define IDC_AN_HINT 1032
#define IDC_AN_HINT_LABEL 1033
#define IDC_AN_TABLE 1034
#define IDC_AN_TABLE_LABEL 1035
#define IDC_AN_INDEX 1036
#define IDC_AN_INDEX_LABEL 1037
#define IDC_AN_DESCRIPTION 1038
#define IDC_AN_TABLES 1039
#define IDC_AN_INDEXES 1040
#define ID_AN_PANE 206

// Schema browser window.
#define IDC_SB_SCHEMA_LABEL 206
#define IDC_SB_SCHEMA 207
#define IDC_SB_OBJECT_LABEL 208
#define IDC_SB_OBJECT 209
#define IDC_SB_NAME_LABEL 210
#define IDC_SB_NAME 211
#define IDC_SB_PANE 212
