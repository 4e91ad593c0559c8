// Alignment, indentation and bullet of the selected paragraphs.
#pragma once

#include <windows.h>
#include <richedit.h>

#include "win/Dialog.h"
#include "win/Gdi.h"

class CParagraphDialog : public CDialog {
public:
    // current: the selection's format (EM_GETPARAFORMAT). After IDOK,
    // m_format holds the confirmed format with the mask set to the parts the
    // dialog owns, ready for EM_SETPARAFORMAT.
    explicit CParagraphDialog(const PARAFORMAT& current);

    PARAFORMAT m_format;
    int m_leftMillimetres = 0;
    int m_rightMillimetres = 0;

    HWND GetToolTip() const { return m_toolTip; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void CreateToolTips();
    // Reads one indentation edit; on a bad entry says so and returns false.
    bool ReadIndent(int id, int& millimetres);

    HWND m_toolTip = nullptr;
    CBitmap m_pictures[3];
};
