// The note's alarm: off, or a date, a minute, a repeat period and a sound
// switch.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "win/Dialog.h"

class CAlarmDialog : public CDialog {
public:
    CAlarmDialog();

    // In: the window text (empty keeps "Note alarm") and the note's alarm
    // value. After IDOK m_value holds the new value, empty for no alarm;
    // after Cancel it is unchanged.
    std::string m_caption;
    std::string m_value;

    HWND GetToolTip() const { return m_toolTip; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void EnableAlarmControls(bool enable);

    HWND m_toolTip = nullptr;
};
