// Asks for a new password twice, or for the existing one once.
#pragma once

#include <windows.h>

#include <string>

#include "dialogs/DialogLogic.h"
#include "win/Dialog.h"

class CPasswordDialog : public CDialog {
public:
    using Mode = PasswordMode;

    explicit CPasswordDialog(Mode mode = Mode::NewPassword);

    // Asks once and compares with the stored (unscrambled) password. A wrong
    // password is reported to the user; true only for an exact match.
    static bool Verify(HWND owner, const std::string& storedPassword);

    Mode m_mode;
    // After IDOK: the password (trimmed); m_retyped is its confirmation
    // when a new password was entered.
    std::string m_password;
    std::string m_retyped;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void ShowSingleEntry();
    void Refuse(int focusId, const char* message);
};
