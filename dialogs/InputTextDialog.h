// One line of text under one of four captions.
#pragma once

#include <windows.h>

#include <string>

#include "dialogs/DialogLogic.h"
#include "win/Dialog.h"

class CInputTextDialog : public CDialog {
public:
    using Mode = InputTextMode;

    explicit CInputTextDialog(Mode mode, std::string text = {});

    Mode m_mode;
    // In: the text the edit starts with. After IDOK: the entered text,
    // trimmed and never empty.
    std::string m_text;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
};
