// Identifiers of the settings dialog resources: the sheet (template 160) and
// its three pages. The pages reuse control numbers, so each page has its own
// names.
#pragma once

// ---- Sheet --------------------------------------------------------------------------
// "Save and Apply changes" and "Cancel" are IDOK (1) and IDCANCEL (2).
#define IDD_SETTINGS                   160
#define IDC_SETTINGS_TAB               1033

// ---- General settings page ------------------------------------------------------------
#define IDD_SETTINGS_GENERAL           161
#define IDC_GEN_PICTURE                1101    // framed page picture
#define IDC_GEN_DATE_FORMAT            1034    // drop-down list
#define IDC_GEN_DATE_LABEL             1102    // "Date format (current format"
#define IDC_GEN_DATE_PREVIEW           1058    // today in the selected format
#define IDC_GEN_DATE_LABEL_END         1103    // ") :"
#define IDC_GEN_SCROLL_YES             1040
#define IDC_GEN_SCROLL_NO              1041
#define IDC_GEN_CLOSE_YES              1044
#define IDC_GEN_CLOSE_NO               1045
#define IDC_GEN_CLOSE_MENU_YES         1046
#define IDC_GEN_CLOSE_MENU_NO          1048
#define IDC_GEN_ASK_DELETE_YES         1039
#define IDC_GEN_ASK_DELETE_NO          1047
#define IDC_GEN_TASKBAR_YES            1042
#define IDC_GEN_TASKBAR_NO             1043
#define IDC_GEN_RANDOM_YES             1049
#define IDC_GEN_RANDOM_NO              1050
#define IDC_GEN_LOCK                   1062    // check box
#define IDC_GEN_PASSWORD               1100    // masked, read-only to the user
#define IDC_GEN_HOTKEY_OFF             1061    // check box

// ---- Default note settings page ----------------------------------------------------------
#define IDD_SETTINGS_DEFAULT_NOTE      162
#define IDC_DEF_PICTURE                1101
#define IDC_DEF_BORDER_YES             1038
#define IDC_DEF_BORDER_NO              1039
#define IDC_DEF_TITLE_DATE             1035
#define IDC_DEF_TITLE_TEXT_RADIO       1036
#define IDC_DEF_TITLE_TEXT             1037
#define IDC_DEF_ALIGN_LEFT             1044
#define IDC_DEF_ALIGN_CENTER           1045
#define IDC_DEF_ALIGN_RIGHT            1046
#define IDC_DEF_NOTE_COLOR             1053    // colour swatch
#define IDC_DEF_TITLE_COLOR            1054    // colour swatch
#define IDC_DEF_NOTE_FONT              1049    // font sample
#define IDC_DEF_TITLE_FONT             1050    // font sample
#define IDC_DEF_WIDTH                  1041
#define IDC_DEF_HEIGHT                 1040
#define IDC_DEF_ON_CHANGE_THEME        1096    // drop-down list
#define IDC_DEF_ORGANIZE_THEMES        1095    // button

// ---- Network settings page ------------------------------------------------------------------
#define IDD_SETTINGS_NETWORK           163
#define IDC_NET_PICTURE                1101
#define IDC_NET_READ_START_YES         1041
#define IDC_NET_READ_START_NO          1042
#define IDC_NET_READ_INTERVAL          1043    // minutes
#define IDC_NET_EMAIL_START_YES        1049
#define IDC_NET_EMAIL_START_NO         1050
#define IDC_NET_EMAIL_INTERVAL         1048    // minutes
#define IDC_NET_SEND_ERROR_YES         1044
#define IDC_NET_SEND_ERROR_NO          1045
#define IDC_NET_ASK_REPLY_YES          1046
#define IDC_NET_ASK_REPLY_NO           1047
#define IDC_NET_PICTURE_ATTACH_YES     1051
#define IDC_NET_PICTURE_ATTACH_NO      1052
#define IDC_NET_SOUND_YES              1054
#define IDC_NET_SOUND_NO               1058
#define IDC_NET_PICTURE_FORMAT         1084    // drop-down list
#define IDC_NET_AFTER_SEND             1055    // drop-down list
#define IDC_NET_SENT_FROM_TYPE         1056    // drop-down list
#define IDC_NET_SENT_FROM              1009    // sent-from text
#define IDC_NET_PORT                   1053
#define IDC_NET_MANAGER                1057    // button
