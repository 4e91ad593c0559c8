#include "app/Upkeep.h"

#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "app/WaitDialog.h"
#include "dialogs/ImportExportDialog.h"
#include "note/NoteDialog.h"
#include "store/ExportFile.h"
#include "store/NoteRecord.h"
#include "store/SettingsStore.h"

namespace {

constexpr int kWaitMargin = 6;

void DispatchPending() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

}  // namespace

void CleanDataFile(HWND main, CleanMode mode, std::int32_t noteCounter) {
    CWaitDialog wait;
    wait.Open(main, kCleaningLine1, kCleaningLine2, kWaitMargin);
    const NoteIdRange range = CleanupRange(mode, CSettingsStore().ReadNumberOfNotesValue(), noteCounter);
    CleanNoteSections(range, DispatchPending);
    wait.DestroyWindow();
}

void RunUpkeepCounter(HWND main) {
    CSettingsStore settings;
    const UpkeepCounterStep step = NextUpkeepCounter(settings.ReadNmbOfProgramStarts());
    if (step.clean) CleanDataFile(main, CleanMode::StartUp, 0);
    settings.WriteNmbOfProgramStarts(step.write);
}

void CMainDialog::EnforceSizeLimit() {
    // A note received while the delete list is up must not open a second one.
    if (m_busy) return;
    m_busy = true;
    for (CNoteDialog* note : Notes())
        if (note->IsWindowVisible()) ::EnableWindow(note->m_hWnd, FALSE);

    CleanDataFile(m_hWnd, CleanMode::Size, m_noteCounter);
    while (MainDataFileFull()) {
        CImportExportDialog dialog(CImportExportDialog::kDelete);
        for (std::int32_t id = 1; id <= m_noteCounter; ++id) {
            NoteRecord r;
            if (ReadNoteRecord({}, id, r))
                dialog.m_noteEntries.push_back(NoteListEntry(r.titleText, id, r.hidden == "Yes"));
        }
        // With no note left to delete the file cannot shrink this way (its
        // bulk is themes or groups); a list that can be neither used nor
        // closed would hold the program forever, so the new note goes ahead.
        if (dialog.m_noteEntries.empty()) break;
        if (dialog.DoModal(m_hWnd) != IDOK) continue;
        for (std::int32_t id : ParseIdList(dialog.m_result)) {
            for (CNoteDialog* note : Notes()) {
                if (note->NoteId() == id) {
                    note->DeleteNote(false);
                    break;
                }
            }
            DeleteNoteSection(id);
        }
    }

    for (CNoteDialog* note : Notes())
        if (note->IsWindowVisible()) ::EnableWindow(note->m_hWnd, TRUE);
    m_busy = false;
}
