// Identifiers of the dialogs resources.
#pragma once

// ---- Paragraph dialog ---------------------------------------------------------
#define IDD_PARAGRAPH                  156
#define IDC_PARA_LEFT                  1018    // alignment radios
#define IDC_PARA_CENTER                1019
#define IDC_PARA_RIGHT                 1020
#define IDC_PARA_LEFT_INDENT           1022    // millimetres
#define IDC_PARA_RIGHT_INDENT          1005    // millimetres
#define IDC_PARA_BULLET                1024
#define IDC_PARA_LEFT_PICTURE          1170    // pictures beside the radios
#define IDC_PARA_CENTER_PICTURE        1171
#define IDC_PARA_RIGHT_PICTURE         1172

// ---- Password dialog ----------------------------------------------------------
#define IDD_PASSWORD                   209
#define IDC_PASSWORD                   1100
#define IDC_PASSWORD_AGAIN             1101
#define IDC_PASSWORD_AGAIN_LABEL       1105

// ---- Text-input dialog --------------------------------------------------------
#define IDD_INPUT_TEXT                 131
#define IDC_INPUT_TEXT                 1004
