#include "win/OnDemand.h"

#include <mmsystem.h>
#include <wininet.h>

namespace {

// Loaded once and kept for the rest of the run: a dialog opened again must
// not pay for the load again, and a library is never unloaded under a
// window it made.
template <typename Fn>
Fn Find(const char* library, const char* name) {
    HMODULE module = ::LoadLibraryA(library);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

#define ONDEMAND_FN(library, name) \
    static const auto fn = Find<decltype(&::name)>(library, #name)

}  // namespace

namespace ondemand {

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) {
    ONDEMAND_FN("comdlg32.dll", GetOpenFileNameA);
    return fn ? fn(ofn) : FALSE;
}

BOOL GetSaveFileNameA(OPENFILENAMEA* ofn) {
    ONDEMAND_FN("comdlg32.dll", GetSaveFileNameA);
    return fn ? fn(ofn) : FALSE;
}

DWORD CommDlgExtendedError() {
    ONDEMAND_FN("comdlg32.dll", CommDlgExtendedError);
    return fn ? fn() : 0;
}

BOOL PrintDlgA(PRINTDLGA* pd) {
    ONDEMAND_FN("comdlg32.dll", PrintDlgA);
    return fn ? fn(pd) : FALSE;
}

BOOL ChooseFontA(CHOOSEFONTA* cf) {
    ONDEMAND_FN("comdlg32.dll", ChooseFontA);
    return fn ? fn(cf) : FALSE;
}

BOOL ChooseColorA(CHOOSECOLORA* cc) {
    ONDEMAND_FN("comdlg32.dll", ChooseColorA);
    return fn ? fn(cc) : FALSE;
}

HWND FindTextA(FINDREPLACEA* fr) {
    ONDEMAND_FN("comdlg32.dll", FindTextA);
    return fn ? fn(fr) : nullptr;
}

BOOL PlaySoundA(LPCSTR sound, HMODULE module, DWORD flags) {
    ONDEMAND_FN("winmm.dll", PlaySoundA);
    return fn ? fn(sound, module, flags) : FALSE;
}

BOOL InternetGetConnectedState(DWORD* flags, DWORD reserved) {
    ONDEMAND_FN("wininet.dll", InternetGetConnectedState);
    return fn ? fn(flags, reserved) : FALSE;
}

}  // namespace ondemand
