// Small pieces the program's dialogs share: the dialog icon, the list items
// kept with a template, the standard dialog tooltips and picker dates.
#pragma once

#include <windows.h>

#include <cstddef>

namespace dialog_support {

// The dialog's big and small icon from icon resource `iconId`.
void SetDialogIcon(HWND dialog, int iconId);

// Adds the list items kept with template `templateId` (its dialog
// initialisation data) to the dialog's drop-down lists. Returns the number
// of items added; a template without such data adds none.
int ApplyDialogInitData(HWND dialog, UINT templateId);

struct Tip {
    int id;
    const char* text;
};

// One tooltip control for the dialog, one tool per listed control, in the
// program's dialog tooltip look (pale yellow, 200 pixels wide, 600 ms). The
// tools subclass their controls, so the tips work inside a modal loop that
// never calls PreTranslateMessage. Destroyed with the dialog.
HWND CreateToolTips(HWND dialog, const Tip* tips, std::size_t count);

// Picker dates: sets a date/time picker to the calendar fields given (false
// when the picker refuses them) and reads them back.
bool SetPickerTime(HWND picker, int year, int month, int day, int hour = 0, int minute = 0,
                   int second = 0);
SYSTEMTIME GetPickerTime(HWND picker);

}  // namespace dialog_support
