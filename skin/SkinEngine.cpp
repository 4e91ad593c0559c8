#include "skin/SkinEngine.h"

#include <commctrl.h>

#include <vector>

#include "skin/SkinDraw.h"
#include "skin/SkinFamily.h"

using namespace skin_draw;

namespace {

constexpr UINT_PTR kControlSubclass = 0x536B696E;  // "Skin"
constexpr UINT_PTR kDialogSubclass = 0x536B4467;
constexpr UINT_PTR kAwaitSubclass = 0x536B4177;
constexpr UINT kHoverPeriod = 100;

std::string ClassName(HWND hwnd) {
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

bool Is(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

LONG Style(HWND hwnd) { return ::GetWindowLongA(hwnd, GWL_STYLE); }
bool ClientEdge(HWND hwnd) { return (::GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0; }

bool IsSimpleCombo(HWND hwnd) { return hwnd && Is(ClassName(hwnd), "ComboBox") && (Style(hwnd) & 3) == CBS_SIMPLE; }

}  // namespace

// ---- CControlSkin -----------------------------------------------------------------------

LRESULT CControlSkin::Previous(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(m_hWnd, msg, wParam, lParam);
}

LRESULT CControlSkin::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Redraw();
        return Previous(msg, wParam, lParam);
    case WM_ENABLE:
    case WM_PAINT:
    case WM_NCPAINT:
        Previous(msg, wParam, lParam);
        Redraw(true);
        return 0;
    default:
        return Previous(msg, wParam, lParam);
    }
}

bool CControlSkin::NeedsHotUpdate(POINT) {
    CSkinEngine* engine = CSkinEngine::Current();
    return !engine || engine->HotWindow() != m_hWnd;
}

void CControlSkin::GetFrameDC(HDC& dc, RECT& rect) {
    ::GetWindowRect(m_hWnd, &rect);
    ::OffsetRect(&rect, -rect.left, -rect.top);
    m_dcWindow = m_hWnd;
    dc = ::GetWindowDC(m_hWnd);
}

void CControlSkin::ReleaseFrameDC(HDC dc) {
    if (dc) ::ReleaseDC(m_dcWindow, dc);
}

bool CControlSkin::HasFocus() { return ::GetFocus() == m_hWnd; }

void CControlSkin::Redraw(bool force) {
    if (!::IsWindow(m_hWnd) || !::IsWindowVisible(m_hWnd)) return;
    HDC dc = nullptr;
    RECT rect{};
    GetFrameDC(dc, rect);
    if (!dc) return;
    if (ClientEdge(m_hWnd)) {
        POINT origin{0, 0};
        ::ClientToScreen(m_hWnd, &origin);
        RECT window;
        ::GetWindowRect(m_hWnd, &window);
        if (origin.x - window.left == 3) ::InflateRect(&rect, -1, -1);
    }
    m_state = HasFocus() ? (m_state | kFocused) : (m_state & ~kFocused);
    m_state = rect.bottom - rect.top < 30 ? (m_state | kSmall) : (m_state & ~kSmall);
    const bool stillHot = (m_drawnState & kHot) && (m_state & kHot);
    const bool stillFocused = (m_drawnState & kFocused) && (m_state & kFocused);
    if (force || !m_everDrawn || !(stillHot || stillFocused)) {
        DrawFrame(dc, rect);
        ++m_drawCount;
        m_everDrawn = true;
    }
    m_drawnState = m_state;
    ReleaseFrameDC(dc);
}

void CControlSkin::DrawFrame(HDC dc, RECT rect) {
    COLORREF innerTl, innerBr;
    if (HotOrFocused()) {
        innerTl = DarkShadow();
        innerBr = Light();
    } else if (!Enabled() || (m_state & kReadOnly)) {
        innerTl = innerBr = Face();
    } else if (m_state & kSmall) {
        innerTl = Highlight();
        innerBr = Light();
    } else {
        innerTl = innerBr = Light();
    }
    DoubleFrame(dc, rect, Shadow(), Highlight(), innerTl, innerBr);
    DrawOwnScrollBars(dc, rect);
}

void CControlSkin::DrawOwnScrollBars(HDC dc, const RECT&) {
    const LONG style = Style(m_hWnd);
    if (!(style & (WS_VSCROLL | WS_HSCROLL))) return;
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    POINT origin{0, 0};
    ::ClientToScreen(m_hWnd, &origin);
    const int edge = origin.x - window.left;  // the border the bars sit inside
    const int cx = ::GetSystemMetrics(SM_CXVSCROLL), cy = ::GetSystemMetrics(SM_CYHSCROLL);
    const int right = (window.right - window.left) - edge;
    const int bottom = (window.bottom - window.top) - edge;
    const bool hot = HotOrFocused();
    if (style & WS_VSCROLL) {
        RECT bar{right - cx, edge, right, (style & WS_HSCROLL) ? bottom - cy : bottom};
        FlatScrollBar(dc, m_hWnd, bar, true, false, hot);
    }
    if (style & WS_HSCROLL) {
        RECT bar{edge, bottom - cy, (style & WS_VSCROLL) ? right - cx : right, bottom};
        FlatScrollBar(dc, m_hWnd, bar, false, false, hot);
    }
}

// ---- CDialogSkin --------------------------------------------------------------------------

LRESULT CDialogSkin::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PARENTNOTIFY && LOWORD(wParam) == WM_CREATE) {
        if (CSkinEngine* engine = CSkinEngine::Current()) engine->SkinControl(reinterpret_cast<HWND>(lParam));
    }
    return ::DefSubclassProc(m_hWnd, msg, wParam, lParam);
}

// ---- CSkinEngine -----------------------------------------------------------------------

CSkinEngine::CSkinEngine() { s_current = this; }

CSkinEngine::~CSkinEngine() {
    for (auto& [thread, hook] : m_hooks) ::UnhookWindowsHookEx(hook);
    m_hooks.clear();
    if (m_timer) ::KillTimer(nullptr, m_timer);
    m_timer = 0;
    for (auto& [hwnd, skin] : m_controls) {
        ::RemoveWindowSubclass(hwnd, ControlProc, kControlSubclass);
        delete skin;
    }
    m_controls.clear();
    for (auto& [hwnd, skin] : m_dialogs) {
        ::RemoveWindowSubclass(hwnd, DialogProc, kDialogSubclass);
        delete skin;
    }
    m_dialogs.clear();
    m_hot = nullptr;
    if (s_current == this) s_current = nullptr;
}

CSkinEngine& CSkinEngine::Program() {
    static CSkinEngine engine;
    return engine;
}

void CSkinEngine::Install(DWORD thread, int mode) {
    if (thread == kCallingThread) thread = ::GetCurrentThreadId();
    m_mode = mode;
    s_current = this;
    if (m_hooks.count(thread)) return;
    if (HHOOK hook = ::SetWindowsHookExA(WH_CBT, HookProc, nullptr, thread)) m_hooks[thread] = hook;
}

void CSkinEngine::Uninstall(DWORD thread) {
    if (thread == kCallingThread) thread = ::GetCurrentThreadId();
    auto it = m_hooks.find(thread);
    if (it == m_hooks.end()) return;
    ::UnhookWindowsHookEx(it->second);
    m_hooks.erase(it);
    if (m_hooks.empty() && m_timer) {
        ::KillTimer(nullptr, m_timer);
        m_timer = 0;
    }
}

CSkinEngine::Pause::Pause() {
    CSkinEngine* engine = s_current;
    if (!engine) return;
    auto it = engine->m_hooks.find(::GetCurrentThreadId());
    if (it == engine->m_hooks.end()) return;
    // Not Uninstall: the hover timer of the skinned controls keeps running.
    ::UnhookWindowsHookEx(it->second);
    engine->m_hooks.erase(it);
    m_engine = engine;
    m_mode = engine->m_mode;
}

CSkinEngine::Pause::~Pause() {
    if (m_engine && m_engine == s_current) m_engine->Install(kCallingThread, m_mode);
}

bool CSkinEngine::HookedHere() const { return m_hooks.count(::GetCurrentThreadId()) != 0; }

// A creation hook rather than one on every sent message: the latter costs
// every message of the thread three trips to the window system, skinned
// window or not, and a desktop of notes sends thousands while it paints. A
// new dialog is watched until it initialises and then left alone.
LRESULT CALLBACK CSkinEngine::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    CSkinEngine* engine = s_current;
    if (!engine) return 0;
    auto it = engine->m_hooks.find(::GetCurrentThreadId());
    if (it == engine->m_hooks.end()) return 0;
    const HHOOK hook = it->second;
    if (code == HCBT_CREATEWND) {
        const HWND hwnd = reinterpret_cast<HWND>(wParam);
        const CREATESTRUCTA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam)->lpcs;
        if (engine->m_mode == kDialogMode) {
            if (Is(ClassName(hwnd), "#32770")) ::SetWindowSubclass(hwnd, AwaitInitProc, kAwaitSubclass, 0);
        } else if ((create->style & WS_CHILD) && !Is(ClassName(hwnd), "ScrollBar")) {
            engine->SkinControl(hwnd);
        }
    }
    return ::CallNextHookEx(hook, code, wParam, lParam);
}

// Sees the dialog's initialisation before the dialog itself does, as its
// controls are all there by then and none is drawn yet.
LRESULT CALLBACK CSkinEngine::AwaitInitProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR) {
    if (msg == WM_INITDIALOG || msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, AwaitInitProc, kAwaitSubclass);
        if (msg == WM_INITDIALOG && s_current && s_current->HookedHere()) s_current->InitDialog(hwnd);
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

void CSkinEngine::InitDialog(HWND dialog) {
    if (m_dialogs.count(dialog)) return;
    std::vector<HWND> children;
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        if (!(Style(child) & WS_CHILD) || Is(ClassName(child), "#32770")) continue;
        // Controls of a nested dialog are that dialog's, skinned when it
        // initialises itself.
        HWND parent = ::GetParent(child);
        if (parent != dialog && Is(ClassName(parent), "#32770")) continue;
        SkinControl(child);
    }
    SkinDialog(dialog);
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (CControlSkin* skin = Find(child)) skin->Redraw(true);
}

CControlSkin* CSkinEngine::Find(HWND hwnd) const {
    auto it = m_controls.find(hwnd);
    return it == m_controls.end() ? nullptr : it->second;
}

void CSkinEngine::SkinFirstChild(HWND hwnd) {
    if (HWND child = ::GetWindow(hwnd, GW_CHILD)) SkinControl(child);
}

bool CSkinEngine::SkinControl(HWND hwnd, const char* className) {
    if (!::IsWindow(hwnd) || m_controls.count(hwnd)) return false;
    const std::string cls = className ? className : ClassName(hwnd);
    const LONG style = Style(hwnd);
    const bool edge = ClientEdge(hwnd);
    CControlSkin* skin = nullptr;

    if (Is(cls, "Button")) {
        if ((style & 0xB) == 0xB || (style & 7) == 7 || (style & BS_FLAT)) return false;
        if ((style & 3) == 3 || (style & 2) || (style & 5) == 5)
            skin = new CCheckBoxSkin(hwnd);
        else if ((style & 9) == 9 || (style & 4))
            skin = new CRadioSkin(hwnd);
        else
            skin = new CPushButtonSkin(hwnd);
    } else if (Is(cls, "ComboBox")) {
        if ((style & 3) == CBS_SIMPLE) {
            for (HWND c = ::GetWindow(hwnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) SkinControl(c);
            return false;
        }
        skin = new CComboSkin(hwnd);
    } else if (Is(cls, "Edit")) {
        if (IsSimpleCombo(::GetParent(hwnd)))
            skin = new CComboEditSkin(hwnd);
        else if (edge)
            skin = new CEditSkin(hwnd);
    } else if (Is(cls, "ListBox") || Is(cls, "SysTreeView32") || Is(cls, "ComboLBox") ||
               Is(cls, "msctls_hotkey32") || Is(cls, "RichEdit") || Is(cls, "RichEdit20W")) {
        if (edge) skin = new CControlSkin(hwnd);
    } else if (Is(cls, "SysListView32")) {
        if (edge) {
            skin = new CControlSkin(hwnd);
            SkinFirstChild(hwnd);
        }
    } else if (Is(cls, "SHELLDLL_DefView") || Is(cls, "ComboBoxEx32")) {
        SkinFirstChild(hwnd);
        return false;
    } else if (Is(cls, "SysDateTimePick32")) {
        if (edge) {
            skin = new CDateTimeSkin(hwnd);
            if (style & DTS_UPDOWN) SkinFirstChild(hwnd);
        }
    } else if (Is(cls, "SysMonthCal32")) {
        skin = new CControlSkin(hwnd);
    } else if (Is(cls, "msctls_updown32")) {
        skin = new CUpDownSkin(hwnd);
    } else if (Is(cls, "ScrollBar")) {
        if ((style & 0x18) == 0) skin = new CScrollBarSkin(hwnd);
    } else if (Is(cls, "SysIPAddress32")) {
        if (edge) skin = new CIPAddressSkin(hwnd);
    } else if (Is(cls, "msctls_trackbar32")) {
        skin = new CTrackbarSkin(hwnd);
    } else if (Is(cls, "SysHeader32")) {
        if (style & HDS_BUTTONS) skin = new CHeaderSkin(hwnd);
    } else if (Is(cls, "ToolbarWindow32")) {
        if (!(style & TBSTYLE_FLAT)) {
            for (HWND c = ::GetWindow(hwnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) SkinControl(c);
            skin = new CToolbarSkin(hwnd);
        }
    } else if (Is(cls, "SysTabControl32")) {
        skin = new CTabSkin(hwnd);
        SkinFirstChild(hwnd);
    }
    if (!skin) return false;

    if (Is(cls, "Edit") && (style & ES_READONLY)) skin->MarkReadOnly();
    m_controls[hwnd] = skin;
    ::SetWindowSubclass(hwnd, ControlProc, kControlSubclass, reinterpret_cast<DWORD_PTR>(skin));
    if (!m_timer) m_timer = ::SetTimer(nullptr, 0, kHoverPeriod, TimerProc);
    return true;
}

void CSkinEngine::UnskinControl(HWND hwnd) {
    auto it = m_controls.find(hwnd);
    if (it == m_controls.end()) return;
    ::RemoveWindowSubclass(hwnd, ControlProc, kControlSubclass);
    delete it->second;
    m_controls.erase(it);
    if (m_hot == hwnd) m_hot = nullptr;
    StopTimerIfIdle();
}

void CSkinEngine::StopTimerIfIdle() {
    if (m_controls.empty() && m_timer) {
        ::KillTimer(nullptr, m_timer);
        m_timer = 0;
    }
}

void CSkinEngine::SkinDialog(HWND hwnd) {
    if (m_dialogs.count(hwnd)) return;
    auto* skin = new CDialogSkin(hwnd);
    m_dialogs[hwnd] = skin;
    ::SetWindowSubclass(hwnd, DialogProc, kDialogSubclass, reinterpret_cast<DWORD_PTR>(skin));
}

LRESULT CALLBACK CSkinEngine::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR ref) {
    auto* skin = reinterpret_cast<CControlSkin*>(ref);
    if (msg == WM_NCDESTROY) {
        const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        if (s_current && s_current->Find(hwnd) == skin) {
            s_current->UnskinControl(hwnd);
        } else {
            ::RemoveWindowSubclass(hwnd, ControlProc, kControlSubclass);
        }
        return result;
    }
    return skin->WindowProc(msg, wParam, lParam);
}

LRESULT CALLBACK CSkinEngine::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR ref) {
    auto* skin = reinterpret_cast<CDialogSkin*>(ref);
    if (msg == WM_NCDESTROY) {
        const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        ::RemoveWindowSubclass(hwnd, DialogProc, kDialogSubclass);
        if (s_current) {
            auto it = s_current->m_dialogs.find(hwnd);
            if (it != s_current->m_dialogs.end() && it->second == skin) s_current->m_dialogs.erase(it);
        }
        delete skin;
        return result;
    }
    return skin->WindowProc(msg, wParam, lParam);
}

void CALLBACK CSkinEngine::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
    if (s_current) s_current->OnHoverTimer();
}

void CSkinEngine::OnHoverTimer() {
    if (m_controls.empty() || ::GetCapture()) return;
    POINT cursor;
    ::GetCursorPos(&cursor);
    HWND under = ::WindowFromPoint(cursor);
    CControlSkin* control = Find(under);
    if (!control && under) control = Find(::GetParent(under));
    if (!control) {
        if (CControlSkin* hot = Find(m_hot)) {
            hot->SetHot(false);
            hot->Redraw();
        }
        m_hot = nullptr;
        return;
    }
    if (!control->NeedsHotUpdate(cursor)) return;
    if (m_hot && m_hot != control->GetSafeHwnd()) {
        if (CControlSkin* previous = Find(m_hot)) {
            previous->SetHot(false);
            previous->Redraw();
        }
    }
    control->SetHot(true);
    control->Redraw(true);
    m_hot = control->GetSafeHwnd();
}
