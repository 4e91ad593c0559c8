// Identifiers of the net resources: the send dialog (template 137) and its
// two context menus.
#pragma once

// ---- Send dialog ------------------------------------------------------------------
// "Send note" and "Close" are IDOK (1) and IDCANCEL (2).
#define IDD_SEND_NOTE                  137
#define IDC_SEND_ADD_ALL               4       // add every network computer
#define IDC_SEND_CLEAR                 5       // clear the recipients
#define IDC_SEND_ADD                   6       // add typed and selected computers
#define IDC_SEND_REMOVE                8       // remove the selected recipients
#define IDC_SEND_NETWORK_LIST          1006    // "Network Neighborhood"
#define IDC_SEND_RECIPIENT             1007    // typed recipient
#define IDC_SEND_RECIPIENTS            1008    // "Note Recipients"
#define IDC_SEND_IDENTITY              1009    // sent-from text
#define IDC_SEND_GROUPS                1015    // saved groups
#define IDC_SEND_REFRESH               1031
#define IDC_SEND_SAVE_GROUP            1032
#define IDC_SEND_DELETE_GROUP          1034
#define IDC_SEND_IDENTITY_TYPE         1056    // "Computer name" ... "Name"
#define IDC_SEND_IDENTITY_LABEL        1083    // "Sent from :"

// ---- Context menus of the two lists --------------------------------------------------
#define IDR_NETWORK_MENU               134
#define IDR_RECIPIENT_MENU             135
#define ID_NETWORK_ADD                 32970
#define ID_NETWORK_SHOW_IP             32971
#define ID_RECIPIENT_REMOVE            32972
#define ID_RECIPIENT_SHOW_IP           32973
