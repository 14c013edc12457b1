// Ids of the options page, its dialogs and the COM add-in's ribbon: templates, controls,
// strings and images of the add-in's resources (res/options.resources).
#pragma once

// The add-in's name, the caption of its boxes.
#define IDS_PROJNAME 100

// Templates.
#define IDD_OPTIONS_MAIN 107
#define IDD_ABOUT 250
#define IDD_USERNAME 253
#define IDD_ZOOM 254

// Options page.
#define IDC_TREE_FOLDERS 202
#define IDC_GRP_FOLDERS 205
#define IDC_RAD_ALL 206
#define IDC_RAD_MINE 207
#define IDC_BTN_ZOOM 208
#define IDC_TREE_PLACEHOLDER 209
#define IDC_GRP_ACTION 210
#define IDC_GRP_BOTTOM 211
#define IDC_CHK_REMINDERWINDOW 212
#define IDC_CHK_SOUND 213
#define IDC_EDIT_SOUND 214
#define IDC_BTN_PLAY 215
#define IDC_BTN_OPEN 216
#define IDC_CHK_MAIL 217
#define IDC_EDIT_MAIL 218
#define IDC_BTN_USER 220
#define IDC_BTN_ABOUT 221
#define IDC_BTN_HELP 222
#define IDC_PIC_PRODUCT 259
#define IDC_BTN_TESTMAIL 260
// Support dialog.
#define IDC_BTN_RESET 258
// User-name dialog.
#define IDC_EDIT_USERNAME 227
// Zoom dialog: where the tree goes.
#define IDC_ZOOM_FRAME 228

// Images.
#define IDI_LUMIVANE 100
#define IDB_TREE_STATES 201
#define IDB_PLAY 247
#define IDB_OPEN 248
#define IDB_PRODUCT 266
// The folder tree's image list: the icons in the order of their indexes.
inline constexpr unsigned kFolderIcons[] = {240, 236, 241, 216, 227, 228, 238, 239, 232, 243, 217, 218, 221,
                                            222, 233, 234, 237, 219, 220, 235, 230, 223, 215, 231, 229, 224};

// Strings.
#define IDS_CONFIGURE_REMINDERS 302
#define IDS_SETTINGS_NOT_SAVED 303
#define IDS_FOLDERS_NOT_CHANGED 304
#define IDS_RESET_FAILED 305
// Texts of the page (1100-1119), the support dialog (1120-1129), the user-name dialog
// (1130-1139) and the zoom dialog (1140-1149).
#define IDS_PAGE_FOLDERS 1100
#define IDS_PAGE_ALL 1101
#define IDS_PAGE_MINE 1102
#define IDS_PAGE_ZOOM 1103
#define IDS_PAGE_ACTION 1104
#define IDS_PAGE_REMINDERWINDOW 1105
#define IDS_PAGE_SOUND 1106
#define IDS_PAGE_PLAY 1107
#define IDS_PAGE_OPEN 1108
#define IDS_PAGE_MAIL 1109
#define IDS_PAGE_USER 1110
#define IDS_PAGE_SUPPORT 1111
#define IDS_PAGE_HELP 1112
#define IDS_PAGE_TESTMAIL 1113
#define IDS_ABOUT_CAPTION 1120
#define IDS_ABOUT_OK 1121
#define IDS_ABOUT_PRODUCT 1122
#define IDS_ABOUT_RESET 1123
#define IDS_ABOUT_RESET_TEXT 1124
#define IDS_USER_CAPTION 1130
#define IDS_USER_LABEL 1131
#define IDS_USER_OK 1132
#define IDS_USER_CANCEL 1133
#define IDS_ZOOM_CAPTION 1140
#define IDS_ZOOM_CLOSE 1141
