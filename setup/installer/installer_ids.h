// Resource and control identifiers of Setup: its icon, its picture, its
// readme, its string table, the wizard's pages and the overwrite question.
#pragma once

#define IDI_SETUP 101
#define IDR_README 102
#define IDB_WIZARD 151

#define IDS_PRODUCT_NAME 511
#define IDS_UNINSTALL_DATA 531

#define IDD_WELCOME 123
#define IDD_README 129
#define IDD_DESTINATION 132
#define IDD_OVERWRITE 133

#define IDC_PICTURE 2016
#define IDC_WELCOME_TITLE 2035
#define IDC_WELCOME_FRAME 2036
#define IDC_WELCOME_CLOSE_APPS 2037
#define IDC_WELCOME_NEXT 2038
#define IDC_WELCOME_ICON 2039
#define IDC_README_TEXT 2043
#define IDC_README_FRAME 2044
#define IDC_FOLDER 2008
#define IDC_FOLDER_LABEL 2009
#define IDC_DRIVES 2017
#define IDC_LAUNCH_CONFIG 2100
#define IDC_MAKE_ACTIVE 2102
#define IDC_PROGRESS 2103
#define IDC_STATUS 2106
#define IDC_BROWSE 2107
#define IDC_MESSAGE 2108
#define IDC_OVERWRITE_ICON 2113

#define IDC_OVERWRITE_YES 2109
#define IDC_OVERWRITE_NO 2110
#define IDC_OVERWRITE_ALL 2111
#define IDC_OVERWRITE_ABORT 2112
