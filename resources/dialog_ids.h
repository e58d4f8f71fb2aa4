// Resource and control ids of the chooser's dialogs, shared by the resource
// script and the dialog code. Ids below 2000 belong to the platform's
// file-open dialog, which manages those controls itself.
#pragma once

// Dialog templates and bitmaps.
#define IDD_OPEN_TEXTURE 178
#define IDD_PREFERENCES 179
#define IDD_ABOUT 105
#define IDB_BANNER 103
#define IDB_ABOUT_PICTURE 104

// Unnamed statics.
#define IDC_UNNAMED 65535

// Controls of the platform's file-open dialog (its published ids).
#define IDC_FILE_NAME_LABEL 1090   // stc3
#define IDC_FILE_NAME 1152         // edt1
#define IDC_FILE_LIST 1120         // lst1
#define IDC_DIRECTORY_LIST 1121    // lst2
#define IDC_DIRECTORY_TEXT 1088    // stc1
#define IDC_FILE_TYPE_LABEL 1089   // stc2
#define IDC_DRIVES_LABEL 1091      // stc4
#define IDC_FILE_TYPE 1136         // cmb1
#define IDC_DRIVES 1137            // cmb2
#define IDC_HELP_BUTTON 1038       // pshHelp
#define IDC_READ_ONLY 1040         // chx1
#define IDC_FILE_NAMES_VIEW 1056   // rad1
#define IDC_LONG_NAMES_VIEW 1057   // rad2

// Controls of the Open Texture dialog's own.
#define IDC_LONG_NAME_LIST 1123
#define IDC_BANNER 42026
#define IDC_PREVIEW_CHECK 42012
#define IDC_SIZE_LABEL 42031
#define IDC_SIZE_COMBO 42030
#define IDC_ABOUT_BUTTON 42010
#define IDC_INFO_LINE 42032
#define IDC_PREVIEW_FRAME 42025
#define IDC_PREFERENCES_BUTTON 41039

// Preferences.
#define IDC_ORIGIN_DOCUMENT 101
#define IDC_ORIGIN_SELECTION 102
// ... and the fill options below the tile origin.
#define IDC_REPEAT_LABEL 103
#define IDC_REPEAT_COMBO 104
#define IDC_SCALE_LABEL 105
#define IDC_SCALE_EDIT 106
#define IDC_SCALE_SPIN 107
#define IDC_ANGLE_LABEL 108
#define IDC_ANGLE_EDIT 109
#define IDC_ANGLE_SPIN 110
#define IDC_OFFSET_X_LABEL 111
#define IDC_OFFSET_X_EDIT 112
#define IDC_OFFSET_Y_LABEL 113
#define IDC_OFFSET_Y_EDIT 114
#define IDC_VARIATION_LABEL 115
#define IDC_VARIATION_EDIT 116
#define IDC_NEW_VARIATION 117
#define IDC_MAKE_SEAMLESS 118
#define IDC_SWATCH 119

// About.
#define IDC_ABOUT_PICTURE 5001
