// Resource ids of the setup program: dialog templates, their controls and the icon.
// Shared by the resource script (setup.rc) and the C++ code; plain #defines so that the
// resource compiler can read it. String ids live with the texts in strings.inc.
#pragma once

// The program icon.
#define IDI_SETUP 4

// Dialog templates.
#define IDD_WELCOME 102
#define IDD_SELECT_FOLDER 104
#define IDD_SELECT_GROUP 106
#define IDD_COPYING 108
#define IDD_INSERT_DISKETTE 113
#define IDD_READING 114
#define IDD_COMPLETE 115
#define IDD_NOT_COMPLETE 116
#define IDD_SPLASH 129
#define IDD_FOLDER_BROWSER 1536
#define IDD_INSTALL_CONDITIONS 1537
#define IDD_ERROR 1544
#define IDD_REMOVE_CONFIRM 1545
#define IDD_REMOVING 1546
#define IDD_REMOVED 1547
#define IDD_REGISTERING 1549
#define IDD_UNREGISTERING 1550

// Controls of the pages.
#define IDC_BROWSE 4                // 104: "&Browse..."
#define IDC_CONDITIONS_ICON 1000    // 1537: the program's icon
#define IDC_LOCATION 1001           // 104: the application folder
#define IDC_RESULT_LOCATION 1002    // 1536: the folder that OK returns
#define IDC_NEW_SUBDIRECTORY 1003   // 1536: "New &Subdirectory:"
#define IDC_NEW_GROUP 1004          // 106: radio "Create &new group:"
#define IDC_EXISTING_GROUP 1005     // 106: radio "Use &existing group:"
#define IDC_GROUP_NAME 1006         // 106: the new group's name
#define IDC_GROUP_LIST 1007         // 106: the existing groups (sorted)
#define IDC_SOURCE_FILE 1008        // 108: archive being read; 1546: left empty
#define IDC_DESTINATION_FILE 1009   // 108: file being written
#define IDC_GAUGE 1010              // 108: placeholder frame where the gauge goes
#define IDC_DISKETTE_TEXT 1026      // 113: the prompt text
#define IDC_BACK 1027               // a back button (no template has one)
#define IDC_CONDITIONS_LIST 1029    // 1537: the unmet requirements
#define IDC_REMOVING_FILE 1031      // 1546: file being removed
#define IDC_PAGE_TEXT 1034          // the explanatory text of a page
#define IDC_CONDITIONS_TEXT 1035    // 1537: the second text

// Controls of the error dialog (1544).
#define IDC_MORE 119        // "&More>>": folds and unfolds the lower part
#define IDC_FOLD_MARKER 123 // invisible: its lower right corner ends the folded dialog
#define IDC_SHORT_TEXT 140  // the exception's short text
#define IDC_MESSAGE 141     // what could not be done
#define IDC_ERROR_ICON 142  // the exclamation icon
#define IDC_ERROR_CODE 144  // the error code line
#define IDC_LONG_TEXT 152   // the exception's long text
#define IDC_HELP_BUTTON 3   // a help button (the template has none)

// Controls of the old-style file dialog that the folder browser (1536) builds on; the
// common dialog code finds them by these ids.
#define IDC_FD_HELP 1038           // "&Help" (hidden)
#define IDC_FD_READ_ONLY 1040      // "&Read Only" (hidden)
#define IDC_FD_CURRENT_DIR 1088    // current directory label (hidden)
#define IDC_FD_TYPE_LABEL 1089     // file type label (hidden)
#define IDC_FD_LOCATION_LABEL 1090 // "Program Location:"
#define IDC_FD_DRIVES_LABEL 1091   // "Dri&ves:"
#define IDC_FD_FILE_LIST 1120      // file list (hidden)
#define IDC_FD_DIRECTORIES 1121    // "&Directories:"
#define IDC_FD_TYPE_COMBO 1136     // file type combo box (hidden)
#define IDC_FD_DRIVES 1137         // "Dri&ves:"
#define IDC_FD_FILE_NAME 1152      // file name edit (hidden)
