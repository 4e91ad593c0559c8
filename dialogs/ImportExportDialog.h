// The note list with check boxes from which the user picks the notes to
// import from an exported note file, to export, or to delete when the main
// data file is full.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "skin/FlatButton.h"
#include "store/ExportFile.h"
#include "win/Dialog.h"

class CImportExportDialog : public CDialog {
public:
    enum Mode { kImportOne = 1, kImportMany = 2, kExport = 3, kDelete = 4 };

    explicit CImportExportDialog(Mode mode);

    // Set before DoModal. Import modes take the file's index entries; export
    // and delete take NoteListEntry texts (entries without an identifier or
    // a hidden text are left out).
    std::vector<ExportIndexEntry> m_indexEntries;
    std::vector<std::string> m_noteEntries;
    std::string m_filePath;

    // After OK. Export and delete: the identifiers of the checked notes, each
    // followed by "~". Import: the sections of the checked rows, in list order.
    std::string m_result;
    std::vector<std::int32_t> m_checkedSections;

    HWND GetToolTip() const { return m_toolTip; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool ImportMode() const { return m_mode == kImportOne || m_mode == kImportMany; }
    void SetUpList();
    void AddRow(const std::vector<std::string>& cells, LPARAM data);
    std::vector<int> CheckedRows() const;
    void SetAllChecks(bool checked);
    void UpdateOk();

    Mode m_mode;
    HWND m_list = nullptr;
    HWND m_toolTip = nullptr;
    std::vector<std::int32_t> m_rowSections;  // import modes: row i -> section
    CFlatButton m_buttons[4];                 // OK, Close, Check all, Uncheck all
};
