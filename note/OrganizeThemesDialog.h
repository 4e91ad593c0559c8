// The saved themes as a list the user renames, deletes, reorders and sorts.
// Renames and the order reach the file when the dialog closes, however it is
// closed; deletions reach it at once.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <vector>

#include "note/ThemeStore.h"
#include "skin/FlatButton.h"
#include "win/Dialog.h"
#include "win/Gdi.h"

class COrganizeThemesDialog : public CDialog {
public:
    COrganizeThemesDialog();

    // The order the list was sorted in last; it outlives the dialog, so the
    // next "Sort" continues from it for as long as the program runs.
    static inline ThemeSortState s_sortState{};

    HWND GetToolTip() const { return m_toolTip; }

protected:
    BOOL OnInitDialog() override;
    // "Close" and the close box / Escape both compact the saved themes.
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void SetUpList();
    // Shows m_rows; `selectIds` are the slots to select afterwards.
    void FillList(const std::vector<std::int32_t>& selectIds = {});
    std::vector<std::size_t> SelectedRows() const;
    void UpdateButtons();

    void StartRename();
    bool EndRename(const NMLVDISPINFOA& info);
    void DeleteSelected();
    void MoveSelected(int direction);
    void Sort(int column);
    void CloseWithCompaction(INT_PTR result);

    std::vector<SavedThemeRow> m_rows;  // row i of the list shows m_rows[i]
    HWND m_list = nullptr;
    HWND m_toolTip = nullptr;
    CBitmap m_upPicture;
    CBitmap m_downPicture;
    CFlatButton m_buttons[6];  // Rename, Delete, up, down, Sort, Close
    bool m_closing = false;
};
