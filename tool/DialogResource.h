// Resource ids of the profile dialogs, the options and the About box: dialogs, their controls,
// their texts in the string table, and the icons of their lists and trees.
#pragma once

#include "resource.h"

#include "base/MessageBox.h"

// The About command of the menu "&?".
#define ID_APP_ABOUT 57664

// Dialogs (their help contexts are the same numbers where they have help).
#define IDD_ABOUTBOX 100
#define IDD_PROFILE_RENAME 147
#define IDD_PROFILE_DELETE 148
#define IDD_PROFILE_CREATE 150
#define IDD_PROFILE_EDIT 154
#define IDD_OPTIONS 161
#define IDD_PROFILE_EDIT_ADV 170

// Help contexts.
#define HIDD_OPTIONS 161
#define HIDD_PROFILE_EDIT 162
#define HIDD_PROFILE_RENAME 163
#define HIDD_PROFILE_DELETE 164
#define HIDD_PROFILE_CREATE 165

// The Help button of every dialog (OK and Cancel are IDOK and IDCANCEL).
#define IDHELP_BUTTON 9

// About.
#define IDC_ABOUT_INFO_LINK 1014
#define IDC_ABOUT_CONTACT_LINK 1015
#define IDC_ABOUT_PRODUCT 1040
#define IDC_ABOUT_MAKER1 1041
#define IDC_ABOUT_MAKER2 1042
#define IDC_ABOUT_INFO 1043
#define IDC_ABOUT_CONTACT 1044

// Rename and delete.
#define IDC_RENAME_NAME 1011
#define IDC_RENAME_LABEL 1012
#define IDC_DELETE_NAME 1013
#define IDC_DELETE_CONFIRM 1045
#define IDC_DELETE_WARNING 1046

// Create Profile wizard.
#define IDC_LOCAL_STORES 1016
#define IDC_GLOBAL_STORES 1017
#define IDC_LOCAL_CAPTION 1018
#define IDC_GLOBAL_CAPTION 1019
#define IDC_NAME_CAPTION 1020
#define IDC_BACK 1021
#define IDC_NEXT 1022
#define IDC_STEP 1023
#define IDC_FINISH 1024
#define IDC_STEP3_ICON 1025
#define IDC_STEP1_GROUP 1026
#define IDC_STEP2_GROUP 1027
#define IDC_STEP3_GROUP 1028
#define IDC_STEP2_TEXT 1030
#define IDC_STEP3_TEXT 1031
#define IDC_STEP1_WARNING 1032
#define IDC_STEP2_WARNING 1033
#define IDC_STEP3_WARNING 1034
#define IDC_WARNING_ICON 1035
#define IDC_STEP3_TEXT2 1036
#define IDC_PROFILE_NAME 1037
#define IDC_STEP1_TEXT 1039

// Edit Profile.
#define IDC_FOLDER_LINKS 1001
#define IDC_GLOBAL_TREE 1116
#define IDC_LOCAL_TREE 1117
#define IDC_ASSOCIATE 1120
#define IDC_EDIT_LINE 1130
#define IDC_LOCAL_LINKS_CAPTION 1133
#define IDC_GLOBAL_LINKS_CAPTION 1134
#define IDC_DELETE_ASSOCIATION 1136
#define IDC_STATUS_FRAME 1137
#define IDC_STATUS_TEXT 1138
#define IDC_ADVANCED 1157

// Edit Profile - Advanced.
#define IDC_LOCAL_DRIVES 1158
#define IDC_GLOBAL_DRIVES 1160
#define IDC_ASSOCIATE_SUBFOLDERS 1163

// Options.
#define IDC_ACCEPT 1141
#define IDC_AUTOSTART_GROUP 1142
#define IDC_SYNC_ON_START 1143
#define IDC_SYNC_ON_QUIT 1144
#define IDC_START_DELAY 1145
#define IDC_QUERY_DELETE 1146
#define IDC_SYNC_GROUP 1147
#define IDC_DELAY_LABEL 1148

// Strings of the Parts.
#define IDS_DELETE_FAILED 207
#define IDS_STORE_NOT_LOADED 208
#define IDS_CREATE_FAILED 209
#define IDS_ASSOCIATE_FAILED 215
#define IDS_DISSOCIATE_FAILED 216
#define IDS_FOLDERS_FAILED 228        // "Some folders could not be created or associated."
#define IDS_FOLDER_NOT_CREATED 229    // "\"%s\" could not be created."
#define IDS_FOLDER_NOT_ASSOCIATED 230 // "\"%s\" could not be associated."
#define IDS_TREE_NOT_FILLED 231       // "The folder tree could not be filled."
#define IDS_ASK_DISSOCIATE 253
#define IDS_STATUS_LIST 254
#define IDS_STATUS_GLOBAL_CHOOSE 255
#define IDS_STATUS_CAN_ASSOCIATE 256
#define IDS_STATUS_BOTH_FULL 257
#define IDS_STATUS_CANNOT 258
#define IDS_STATUS_GLOBAL_LINKED 259
#define IDS_STATUS_LOCAL_LINKED 260
#define IDS_STATUS_LOCAL_CHOOSE 261
#define IDS_PROFILE_WORD 300          // "Profile": the proposal "%s %i"
#define IDS_STORE_IN_USE 301
#define IDS_STORE_CHOSEN 302
#define IDS_NAME_EMPTY 303
#define IDS_NAME_IN_USE 304
#define IDS_COLUMN_NAME 306
#define IDS_COLUMN_FILE 307
#define IDS_LINK_INFO 400             // the web link of the About box
#define IDS_LINK_CONTACT 401          // its "mailto:" link
#define IDS_NAME_EXISTS 450
#define IDS_RENAME_FAILED 451

// Texts of the dialogs' controls.
#define IDS_ABOUT_CAPTION 2000
#define IDS_ABOUT_PRODUCT 2001
#define IDS_ABOUT_MAKER1 2002
#define IDS_ABOUT_MAKER2 2003
#define IDS_ABOUT_INFO 2004
#define IDS_ABOUT_CONTACT 2005
#define IDS_ABOUT_INFO_TEXT 2006
#define IDS_ABOUT_CONTACT_TEXT 2007
#define IDS_BUTTON_OK 2008
#define IDS_BUTTON_CANCEL 2009
#define IDS_BUTTON_HELP 2010

#define IDS_CREATE_CAPTION 2020
#define IDS_CREATE_LOCAL 2021
#define IDS_CREATE_GLOBAL 2022
#define IDS_CREATE_NAME 2023
#define IDS_CREATE_STEP1 2024
#define IDS_CREATE_STEP2 2025
#define IDS_CREATE_STEP3 2026
#define IDS_CREATE_STEP1_TEXT 2027
#define IDS_CREATE_STEP2_TEXT 2028
#define IDS_CREATE_STEP3_TEXT 2029
#define IDS_CREATE_STEP3_TEXT2 2030
#define IDS_CREATE_BACK 2031
#define IDS_CREATE_NEXT 2032
#define IDS_CREATE_FINISH 2033

#define IDS_DELETE_CAPTION 2040
#define IDS_DELETE_CONFIRM 2041
#define IDS_DELETE_WARNING 2042

#define IDS_RENAME_CAPTION 2050
#define IDS_RENAME_LABEL 2051

#define IDS_EDIT_CAPTION 2060
#define IDS_EDIT_LOCAL_LINKS 2061
#define IDS_EDIT_GLOBAL_LINKS 2062
#define IDS_EDIT_ASSOCIATE 2063
#define IDS_EDIT_DELETE 2064
#define IDS_EDIT_ADVANCED 2065

#define IDS_ADV_CAPTION 2070
#define IDS_ADV_LOCAL 2071
#define IDS_ADV_GLOBAL 2072
#define IDS_ADV_ASSOCIATE 2073
#define IDS_ADV_CLOSE 2074

#define IDS_OPTIONS_CAPTION 2080
#define IDS_OPTIONS_AUTOSTART 2081
#define IDS_OPTIONS_ON_START 2082
#define IDS_OPTIONS_DELAY 2083
#define IDS_OPTIONS_ON_QUIT 2084
#define IDS_OPTIONS_SYNC 2085
#define IDS_OPTIONS_QUERY_DELETE 2086
#define IDS_OPTIONS_ACCEPT 2087
// The delay list: one entry a string, from the first on, until an id has no string.
#define IDS_DELAY_FIRST 2100
#define IDS_DELAY_LAST 2149

// Icons: the application, the store rows, the marks of the folder trees.
#define IDI_APPLICATION_ICON 128
#define IDI_STORE_IN_USE 151
#define IDI_STORE 152
#define IDI_STORE_CHOSEN 153
#define IDI_MARK_ASSOCIATED 156
#define IDI_MARK_NORMAL 157
#define IDI_MARK_ASSOCIABLE 158
#define IDI_MARK_OTHER_KIND 159
