// The small modeless "please wait" window with a looping animation and two
// lines of text, shown at the bottom-right corner of the work area while a
// long job runs.
#pragma once

#include <string>

#include "win/Dialog.h"

class CWaitDialog : public CDialog {
public:
    CWaitDialog();

    // Creates and shows the window owned by owner, with the two lines, at
    // the bottom-right corner margin pixels from the work area's edges, and
    // paints it at once.
    BOOL Open(HWND owner, const std::string& line1, const std::string& line2, int margin);
    void SetLines(const std::string& line1, const std::string& line2);
    void MoveToBottomRight(int margin);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
};
