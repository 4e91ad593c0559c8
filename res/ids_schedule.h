// Identifiers of the alarm, expiration and organize-themes dialogs.
#pragma once

// ---- Alarm dialog ---------------------------------------------------------------
#define IDD_ALARM                      169
#define IDC_ALARM_DATE                 1070    // date picker, up-down, short date
#define IDC_ALARM_TIME                 1072    // time picker, "HH:mm"
#define IDC_ALARM_REPEAT               1075    // "None", "Daily", "Weekly", "Monthly"
#define IDC_ALARM_SOUND                1076    // "No", "Yes"
#define IDC_ALARM_OFF                  1079
#define IDC_ALARM_ON                   1080

// ---- Expiration dialog ----------------------------------------------------------
#define IDD_EXPIRATION                 168
#define IDC_EXPIRE_DATE                1070    // date picker, up-down, short date
#define IDC_EXPIRE_NEVER               1071
#define IDC_EXPIRE_PERIOD              1072    // the four "Expire after ..." entries
#define IDC_EXPIRE_END_OF_DAY          1082
#define IDC_EXPIRE_AFTER               1083    // no text: stands beside the period list

// ---- Organize-themes dialog -----------------------------------------------------
#define IDD_ORGANIZE_THEMES            208
#define IDC_THEME_LIST                 1093    // report list: "Saved themes", "Note ID"
#define IDC_THEME_RENAME               1094
#define IDC_THEME_DELETE               1095
#define IDC_THEME_UP                   1096    // picture IDB_ARROW_UP
#define IDC_THEME_DOWN                 1097    // picture IDB_ARROW_DOWN
#define IDC_THEME_SORT                 1098

// Dialog initialisation data (the fixed items of drop-down lists) is kept as
// a resource of this type under the dialog's number, in the layout MFC uses:
// per item WORD control, WORD message, DWORD length, the bytes; a WORD 0 ends.
#define RT_DIALOG_INIT                 240
#define DIALOG_INIT_CB_ADDSTRING       0x0403
