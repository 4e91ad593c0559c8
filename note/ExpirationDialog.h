// When the note deletes itself: never, after a period counted from now, or
// at the end of a chosen day.
#pragma once

#include <windows.h>

#include <string>

#include "win/Dialog.h"

class CExpirationDialog : public CDialog {
public:
    CExpirationDialog();

    // In: the window text (empty keeps "Note expiration") and the note's
    // expiration value. After IDOK m_value holds the new value, empty when
    // the note never expires; after Cancel it is unchanged.
    std::string m_caption;
    std::string m_value;

    HWND GetToolTip() const { return m_toolTip; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Selects one of the three radios and clears the other two.
    void SelectChoice(int radioId);

    HWND m_toolTip = nullptr;
};
