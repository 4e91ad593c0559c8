#include "win/DialogSupport.h"

#include <commctrl.h>
#include <cstring>
#include <iterator>
#include <string>

#include "base/Clock.h"
#include "res/resource.h"
#include "win/WinApp.h"
#include "win/Program.h"

namespace dialog_support {

void SetDialogIcon(HWND dialog, int iconId) {
    HINSTANCE inst = ResourceInstance();
    HANDLE big = ::LoadImageA(inst, MAKEINTRESOURCEA(iconId), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                              ::GetSystemMetrics(SM_CYICON), LR_SHARED);
    HANDLE small = ::LoadImageA(inst, MAKEINTRESOURCEA(iconId), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                ::GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    ::SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    ::SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

int ApplyDialogInitData(HWND dialog, UINT templateId) {
    HINSTANCE inst = ResourceInstance();
    HRSRC found = ::FindResourceA(inst, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(RT_DIALOG_INIT));
    if (!found) return 0;
    HGLOBAL loaded = ::LoadResource(inst, found);
    const auto* data = loaded ? static_cast<const unsigned char*>(::LockResource(loaded)) : nullptr;
    if (!data) return 0;
    const std::size_t size = ::SizeofResource(inst, found);

    // The records are packed without alignment; read them byte-wise and stop
    // at anything that would run past the end.
    int added = 0;
    std::size_t pos = 0;
    while (pos + 2 <= size) {
        WORD control = 0;
        std::memcpy(&control, data + pos, 2);
        if (control == 0) break;
        if (pos + 8 > size) break;
        WORD message = 0;
        DWORD length = 0;
        std::memcpy(&message, data + pos + 2, 2);
        std::memcpy(&length, data + pos + 4, 4);
        pos += 8;
        if (length > size - pos) break;
        std::string text(reinterpret_cast<const char*>(data + pos), length);
        text.resize(std::strlen(text.c_str()));
        pos += length;

        UINT addString = 0;
        if (message == DIALOG_INIT_CB_ADDSTRING) addString = CB_ADDSTRING;
        else if (message == 0x0401) addString = LB_ADDSTRING;  // the list-box form of the same data
        if (!addString) continue;
        if (::SendDlgItemMessageA(dialog, control, addString, 0, reinterpret_cast<LPARAM>(text.c_str())) >= 0)
            ++added;
    }
    return added;
}

HWND CreateToolTips(HWND dialog, const Tip* tips, std::size_t count) {
    HWND toolTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog,
                                     nullptr, ResourceInstance(), nullptr);
    if (!toolTip) return nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        HWND control = ::GetDlgItem(dialog, tips[i].id);
        if (!control) continue;
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = dialog;
        ti.uId = reinterpret_cast<UINT_PTR>(control);
        ti.lpszText = const_cast<char*>(tips[i].text);
        ::SendMessageA(toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    ::SendMessageA(toolTip, TTM_SETTIPBKCOLOR, 0x00AFFFFF, 0);
    ::SendMessageA(toolTip, TTM_SETMAXTIPWIDTH, 0, 200);
    ::SendMessageA(toolTip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 600);
    ::SendMessageA(toolTip, TTM_ACTIVATE, TRUE, 0);
    return toolTip;
}

bool SetPickerTime(HWND picker, int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wDayOfWeek = static_cast<WORD>(DayOfWeek(year, month, day));
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    return ::SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st)) != 0;
}

SYSTEMTIME GetPickerTime(HWND picker) {
    SYSTEMTIME st{};
    ::SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
    return st;
}

}  // namespace dialog_support
