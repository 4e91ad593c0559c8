#include "app/CleanUp.h"

#include <string>
#include <vector>

#include "dialogs/WaitDialog.h"
#include "store/SettingsStore.h"
#include "win/Program.h"

namespace {

constexpr int kWaitMargin = 6;

}  // namespace

void CleanDataFile(HWND main, CleanMode mode, std::int32_t noteCounter) {
    CWaitDialog wait;
    wait.Open(main, kCleaningLine1, kCleaningLine2, kWaitMargin);
    const NoteIdRange range = CleanupRange(mode, CSettingsStore().ReadNumberOfNotesValue(), noteCounter);
    CleanNoteSections(range, [] { PumpPendingMessages(); });
    wait.DestroyWindow();
}

void RunUpkeepCounter(HWND main) {
    CSettingsStore settings;
    const UpkeepCounterStep step = NextUpkeepCounter(settings.ReadNmbOfProgramStarts());
    if (step.clean) CleanDataFile(main, CleanMode::StartUp, 0);
    settings.WriteNmbOfProgramStarts(step.write);
}
