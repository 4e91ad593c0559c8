#include "skin/LinkLabel.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "base/Seams.h"

namespace {
constexpr UINT_PTR kSubclassId = 0x4C696E6B;  // "Link"
constexpr COLORREF kLinkBlue = 0x00FF0000;
}  // namespace

CLinkLabel::~CLinkLabel() { Detach(); }

namespace {

class CShellOpener : public ILinkOpener {
public:
    void Open(const std::string& target) override {
        ::ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
};

Seam<ILinkOpener> g_opener;

}  // namespace

ILinkOpener* SetLinkOpener(ILinkOpener* opener) { return g_opener.Install(opener); }

bool CLinkLabel::Attach(HWND label) {
    if (m_hWnd || !::IsWindow(label)) return false;
    m_hWnd = label;
    ::SetWindowLongA(label, GWL_STYLE, ::GetWindowLongA(label, GWL_STYLE) | SS_NOTIFY);
    char text[512] = {};
    ::GetWindowTextA(label, text, sizeof text);
    m_text = text;

    LOGFONTA lf{};
    HFONT parentFont = reinterpret_cast<HFONT>(::SendMessageA(::GetParent(label), WM_GETFONT, 0, 0));
    if (!parentFont) parentFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ::GetObjectA(parentFont, sizeof lf, &lf);
    lf.lfUnderline = TRUE;
    m_font = ::CreateFontIndirectA(&lf);
    m_hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
    m_arrow = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    Measure();
    ::SetWindowSubclass(label, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    ::InvalidateRect(label, nullptr, TRUE);
    return true;
}

void CLinkLabel::Detach() {
    if (m_hWnd) ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    m_hWnd = nullptr;
    if (m_font) ::DeleteObject(m_font);
    m_font = nullptr;
    m_tracking = false;
}

void CLinkLabel::Measure() {
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, m_font);
    RECT r{0, 0, 0, 0};
    ::DrawTextA(dc, m_text.c_str(), -1, &r, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    m_textSize = {r.right, r.bottom};
}

bool CLinkLabel::InText(LPARAM lParam) const {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    return x >= 0 && x < m_textSize.cx && y >= 0 && y < m_textSize.cy;
}

LRESULT CALLBACK CLinkLabel::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR ref) {
    auto* self = reinterpret_cast<CLinkLabel*>(ref);
    if (msg == WM_NCDESTROY) {
        self->Detach();
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    return self->WindowProc(msg, wParam, lParam);
}

LRESULT CLinkLabel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = m_hWnd;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        // The dialog's own background shows through around the text.
        if (HBRUSH brush = reinterpret_cast<HBRUSH>(::SendMessageA(
                ::GetParent(hwnd), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)))) {
            RECT rc;
            ::GetClientRect(hwnd, &rc);
            ::FillRect(dc, &rc, brush);
        }
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, kLinkBlue);
        HGDIOBJ old = ::SelectObject(dc, m_font);
        ::TextOutA(dc, 0, 0, m_text.c_str(), static_cast<int>(m_text.size()));
        ::SelectObject(dc, old);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETTEXT: {
        const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        m_text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        Measure();
        ::InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    }
    case WM_SETCURSOR:
        // The cursor is chosen on mouse moves; the class cursor must not
        // undo that.
        return TRUE;
    case WM_MOUSEMOVE:
        if (!m_tracking) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
            m_tracking = ::TrackMouseEvent(&tme) != FALSE;
        }
        ::SetCursor(InText(lParam) ? m_hand : m_arrow);
        return 0;
    case WM_MOUSELEAVE:
        ::SetCursor(m_arrow);
        m_tracking = false;
        return 0;
    case WM_LBUTTONDOWN:
        if (InText(lParam) && !m_target.empty()) {
            static CShellOpener shell;
            g_opener.Or(shell).Open(m_target);
        }
        return 0;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}
