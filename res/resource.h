// Resource ids, shared by the resource script and the code. Every
// language-dependent resource has a Japanese id N and an English id N + 20
// (core/win32/sdk_copies.cpp checks each pair).
#pragma once

#define IDI_APP 107

#define IDD_MAIN 130
#define IDD_MAIN_EN 150

#define IDS_APP_NAME 103
#define IDS_APP_NAME_EN 123

#define IDS_COLUMN_NAME 200
#define IDS_COLUMN_STATUS 201
#define IDS_COLUMN_ACTION 202
#define IDS_CONFIRM_CHANGE 203
#define IDS_CHANGE_SUCCEEDED 204
#define IDS_CHANGE_FAILED 205
#define IDS_STATUS_DUPLICATE 206
#define IDS_STATUS_DELETE 207
#define IDS_STATUS_RENAME 208

#define IDS_COLUMN_NAME_EN 220
#define IDS_COLUMN_STATUS_EN 221
#define IDS_COLUMN_ACTION_EN 222
#define IDS_CONFIRM_CHANGE_EN 223
#define IDS_CHANGE_SUCCEEDED_EN 224
#define IDS_CHANGE_FAILED_EN 225
#define IDS_STATUS_DUPLICATE_EN 226
#define IDS_STATUS_DELETE_EN 227
#define IDS_STATUS_RENAME_EN 228

#define IDC_NOW_LIST 1001
#define IDC_AFTER_LIST 1002
#define IDC_FIRST_GROUP 1003
#define IDC_SECOND_GROUP 1004
#define IDC_CHANGE 1005
#define IDC_EXIT 1006
