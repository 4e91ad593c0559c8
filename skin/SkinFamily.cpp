#include "skin/SkinFamily.h"

#include <commctrl.h>

#include <cmath>

#include "base/OsLabel.h"
#include "skin/SkinDraw.h"

using namespace skin_draw;

namespace {

LONG Style(HWND hwnd) { return ::GetWindowLongA(hwnd, GWL_STYLE); }

std::string ClassName(HWND hwnd) {
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

RECT Offset(RECT r, POINT by) {
    ::OffsetRect(&r, by.x, by.y);
    return r;
}

}  // namespace

namespace skin_draw {

void FlatButtonFrame(HDC dc, const RECT& r, bool hot) {
    if (r.right - r.left < 2 || r.bottom - r.top < 2) return;
    if (hot)
        DoubleFrame(dc, r, Face(), DarkShadow(), Highlight(), Shadow());
    else
        DoubleFrame(dc, r, Highlight(), Shadow(), Face(), Face());
}

void FlatScrollBar(HDC dc, HWND hwnd, const RECT& r, bool vertical, bool standAlone, bool hot) {
    const int length = vertical ? r.bottom - r.top : r.right - r.left;
    int arrow = ::GetSystemMetrics(vertical ? SM_CYVSCROLL : SM_CXHSCROLL);
    if (length < 2 * arrow) arrow = length / 2;
    RECT first = r, second = r;
    if (vertical) {
        first.bottom = r.top + arrow;
        second.top = r.bottom - arrow;
    } else {
        first.right = r.left + arrow;
        second.left = r.right - arrow;
    }
    FlatButtonFrame(dc, first, hot);
    FlatButtonFrame(dc, second, hot);

    if (standAlone && !::IsWindowEnabled(hwnd)) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    if (!::GetScrollInfo(hwnd, standAlone ? SB_CTL : (vertical ? SB_VERT : SB_HORZ), &si)) return;
    const int range = si.nMax - si.nMin + 1;
    if (si.nMax <= si.nMin) return;
    const int track = length - 2 * arrow;
    if (track <= 0) return;
    const int minimum = OsFamily() == "Windows 95/98/Me" ? arrow / 2 : 8;
    int thumb;
    if (si.nPage == 0)
        thumb = ::GetSystemMetrics(vertical ? SM_CYVTHUMB : SM_CXHTHUMB);
    else
        thumb = static_cast<int>(static_cast<long long>(si.nPage) * track / range);
    if (thumb < minimum) thumb = minimum;
    int offset = 0;
    if (thumb >= track) {
        if (!standAlone) return;
        thumb = track;
    } else if (range - static_cast<int>(si.nPage) > 0) {
        offset = static_cast<int>(static_cast<long long>(si.nPos - si.nMin) * (track - thumb) /
                                  (range - static_cast<int>(si.nPage)));
        if (offset > track - thumb) offset = track - thumb;
        if (offset < 0) offset = 0;
    } else {
        thumb -= 1;
    }
    RECT t = r;
    if (vertical) {
        t.top = r.top + arrow + offset;
        t.bottom = t.top + thumb;
    } else {
        t.left = r.left + arrow + offset;
        t.right = t.left + thumb;
    }
    FlatButtonFrame(dc, t, hot);
}

}  // namespace skin_draw

// ---- buttons ---------------------------------------------------------------------------

bool CButtonSkinBase::OwnerDrawn() const { return (Style(m_hWnd) & BS_TYPEMASK) == BS_OWNERDRAW; }

LRESULT CButtonSkinBase::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SETTEXT || msg == BM_SETCHECK) {
        Previous(msg, wParam, lParam);
        Redraw(true);
        return 0;
    }
    return CControlSkin::WindowProc(msg, wParam, lParam);
}

void CButtonSkinBase::DrawPushFrame(HDC dc, const RECT& rect) {
    const bool lit = HotOrFocused();
    const COLORREF a = lit ? DarkShadow() : Shadow();
    const COLORREF b = lit ? Light() : Face();
    const COLORREF c = lit ? Shadow() : Face();
    const LRESULT state = ::SendMessageA(m_hWnd, BM_GETSTATE, 0, 0);
    if ((Style(m_hWnd) & BS_TYPEMASK) == BS_DEFPUSHBUTTON && Enabled())
        TripleFrame(dc, rect, DarkShadow(), DarkShadow(), Highlight(), a, b, c);
    else if (state & (BST_PUSHED | BST_CHECKED))
        DoubleFrame(dc, rect, a, Highlight(), c, b);
    else
        TripleFrame(dc, rect, Highlight(), a, b, c, Face(), Face());
}

void CPushButtonSkin::DrawFrame(HDC dc, RECT rect) {
    if (!OwnerDrawn()) DrawPushFrame(dc, rect);
}

RECT CCheckBoxSkin::MarkRect(const RECT& rect) const {
    const LONG style = Style(m_hWnd);
    const int h = rect.bottom - rect.top;
    int y = rect.top + (h - 13) / 2;
    if ((style & BS_VCENTER) == BS_TOP) y = rect.top + 1;
    else if ((style & BS_VCENTER) == BS_BOTTOM) y = rect.bottom - 15;
    const int x = (style & BS_RIGHTBUTTON) ? rect.right - 13 : rect.left;
    return {x, y, x + 13, y + 13};
}

void CCheckBoxSkin::DrawFrame(HDC dc, RECT rect) {
    if (OwnerDrawn()) return;
    if (Style(m_hWnd) & BS_PUSHLIKE) {
        DrawPushFrame(dc, rect);
        return;
    }
    const RECT box = MarkRect(rect);
    if (IsHot()) {
        DoubleFrame(dc, box, DarkShadow(), Highlight(), Shadow(), Face());
    } else if (!Enabled()) {
        DoubleFrame(dc, box, Shadow(), Highlight(), Face(), Face());
    } else {
        const bool mixed = ::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0) == BST_INDETERMINATE;
        const COLORREF f = mixed ? Highlight() : Window();
        DoubleFrame(dc, box, Shadow(), Highlight(), f, f);
    }
}

void CRadioSkin::DrawFrame(HDC dc, RECT rect) {
    if (OwnerDrawn()) return;
    if (Style(m_hWnd) & BS_PUSHLIKE) {
        DrawPushFrame(dc, rect);
        return;
    }
    // Four arcs of a 12-pixel ring: outer and inner ring, each split into
    // the upper-left and lower-right half.
    struct Ring {
        POINT points[4][48];
        int counts[4] = {};
        Ring() {
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 12; ++x) {
                    const double d = std::hypot(x - 5.5, y - 5.5);
                    const bool upperLeft = x + y < 11;
                    int list = -1;
                    if (d >= 4.6 && d < 6.0) list = upperLeft ? 0 : 3;
                    else if (d >= 3.6 && d < 4.6) list = upperLeft ? 1 : 2;
                    if (list >= 0 && counts[list] < 48) points[list][counts[list]++] = {x, y};
                }
        }
    };
    static const Ring ring;
    const RECT box = MarkRect(rect);
    const LONG style = Style(m_hWnd);
    const int left = (style & BS_RIGHTBUTTON) ? rect.right - 12 : rect.left + 1;
    const bool enabled = Enabled();
    const COLORREF e = IsHot() ? DarkShadow() : (enabled ? Window() : Face());
    const COLORREF d = enabled ? Window() : Highlight();
    const COLORREF colours[4] = {Shadow(), e, Face(), d};
    for (int list = 0; list < 4; ++list)
        for (int i = 0; i < ring.counts[list]; ++i)
            ::SetPixelV(dc, left + ring.points[list][i].x, box.top + ring.points[list][i].y, colours[list]);
}

// ---- edits and combo boxes ----------------------------------------------------------------

HWND CEditSkin::AttachedUpDown() const {
    HWND next = ::GetWindow(m_hWnd, GW_HWNDNEXT);
    if (!next || lstrcmpiA(ClassName(next).c_str(), "msctls_updown32") != 0) return nullptr;
    if (!(Style(next) & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) return nullptr;
    return reinterpret_cast<HWND>(::SendMessageA(next, UDM_GETBUDDY, 0, 0)) == m_hWnd ? next : nullptr;
}

LRESULT CEditSkin::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ENABLE) {
        Previous(msg, wParam, lParam);
        Redraw(true);
        if (HWND upDown = AttachedUpDown()) ::InvalidateRect(upDown, nullptr, TRUE);
        return 0;
    }
    return CControlSkin::WindowProc(msg, wParam, lParam);
}

void CEditSkin::DrawFrame(HDC dc, RECT rect) {
    HWND upDown = AttachedUpDown();
    if (!upDown) {
        CControlSkin::DrawFrame(dc, rect);
        return;
    }
    // The frame runs round edit and up-down together, so it is drawn on the
    // parent, where both lie.
    HWND parent = ::GetParent(m_hWnd);
    HDC parentDc = ::GetDC(parent);
    RECT edit, arrows;
    ::GetWindowRect(m_hWnd, &edit);
    ::GetWindowRect(upDown, &arrows);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&edit), 2);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&arrows), 2);
    RECT both = edit;
    const bool leftAligned = (Style(upDown) & UDS_ALIGNLEFT) != 0;
    if (leftAligned) both.left = arrows.left;
    else both.right = arrows.right;
    CControlSkin::DrawFrame(parentDc, both);
    const COLORREF line = !Enabled() ? Face() : (IsHot() ? DarkShadow() : Highlight());
    Fill(parentDc, arrows.left, both.top + 1, arrows.right - arrows.left, 1, line);
    if (leftAligned) Fill(parentDc, both.left + 1, both.top + 1, 1, both.bottom - both.top - 2, line);
    ::ReleaseDC(parent, parentDc);
    (void)dc;
}

void CComboEditSkin::GetFrameDC(HDC& dc, RECT& rect) {
    HWND combo = ::GetParent(m_hWnd);
    RECT outer, edit;
    ::GetWindowRect(combo, &outer);
    ::GetWindowRect(m_hWnd, &edit);
    rect = edit;
    ::OffsetRect(&rect, -outer.left, -outer.top);
    ::InflateRect(&rect, 3, 3);
    m_dcWindow = combo;
    dc = ::GetWindowDC(combo);
}

LRESULT CComboSkin::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if ((msg == WM_COMMAND && HIWORD(wParam) == 256) || (msg == WM_LBUTTONUP && lParam == -1)) {
        Redraw();
        return Previous(msg, wParam, lParam);
    }
    return CControlSkin::WindowProc(msg, wParam, lParam);
}

bool CComboSkin::HasFocus() {
    HWND focus = ::GetFocus();
    if (focus == m_hWnd) return true;
    return (Style(m_hWnd) & 3) == CBS_DROPDOWN && focus && ::IsChild(m_hWnd, focus);
}

void CComboSkin::DrawFrame(HDC dc, RECT rect) {
    COLORREF innerTl, innerBr;
    if (HotOrFocused()) {
        innerTl = DarkShadow();
        innerBr = Light();
    } else if (!Enabled()) {
        innerTl = innerBr = Face();
    } else if (m_state & kSmall) {
        innerTl = Highlight();
        innerBr = Light();
    } else {
        innerTl = innerBr = Light();
    }
    DoubleFrame(dc, rect, Shadow(), Highlight(), innerTl, innerBr);
    RECT button{rect.right - 2 - ::GetSystemMetrics(SM_CXVSCROLL), rect.top + 2, rect.right - 2, rect.bottom - 2};
    if (!Enabled())
        Fill(dc, button.left, button.top, button.right - button.left, button.bottom - button.top, Face());
    else
        FlatButtonFrame(dc, button, HotOrFocused());
}

void CDateTimeSkin::DrawFrame(HDC dc, RECT rect) {
    if (Style(m_hWnd) & DTS_UPDOWN)
        CControlSkin::DrawFrame(dc, rect);
    else
        CComboSkin::DrawFrame(dc, rect);
}

void CUpDownSkin::DrawFrame(HDC dc, RECT rect) {
    HWND buddy = reinterpret_cast<HWND>(::SendMessageA(m_hWnd, UDM_GETBUDDY, 0, 0));
    const bool hot = IsHot() && Enabled() && (!buddy || ::IsWindowEnabled(buddy));
    RECT first = rect, second = rect;
    if (Style(m_hWnd) & UDS_HORZ) {
        first.right = second.left = (rect.left + rect.right) / 2;
    } else {
        first.bottom = second.top = (rect.top + rect.bottom) / 2;
    }
    FlatButtonFrame(dc, first, hot);
    FlatButtonFrame(dc, second, hot);
    // The buddy's frame runs round both; it looks hot with its arrows.
    if (CSkinEngine* engine = CSkinEngine::Current())
        if (CControlSkin* partner = buddy ? engine->Find(buddy) : nullptr) {
            if (partner->IsHot() != IsHot()) {
                partner->SetHot(IsHot());
                partner->Redraw(true);
            }
        }
}

// ---- scroll bars, IP address, trackbar -----------------------------------------------------

LRESULT CScrollBarSkin::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool redraw = (msg == SBM_SETPOS && wParam != 0 && lParam != 0) ||
                        (msg == SBM_SETSCROLLINFO && wParam != 0) || msg == SBM_SETRANGEREDRAW;
    if (redraw) {
        const LRESULT result = Previous(msg, wParam, lParam);
        Redraw(true);
        return msg == SBM_SETRANGEREDRAW ? 0 : result;
    }
    if (msg == SBM_SETPOS || msg == SBM_SETSCROLLINFO) return Previous(msg, wParam, lParam);
    return CControlSkin::WindowProc(msg, wParam, lParam);
}

void CScrollBarSkin::DrawFrame(HDC dc, RECT rect) {
    FlatScrollBar(dc, m_hWnd, rect, (Style(m_hWnd) & SBS_VERT) != 0, true, HotOrFocused());
}

LRESULT CIPAddressSkin::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && (HIWORD(wParam) == EN_SETFOCUS || HIWORD(wParam) == EN_KILLFOCUS)) {
        Redraw();
        return Previous(msg, wParam, lParam);
    }
    return CControlSkin::WindowProc(msg, wParam, lParam);
}

bool CIPAddressSkin::HasFocus() {
    HWND focus = ::GetFocus();
    return focus == m_hWnd || (focus && ::IsChild(m_hWnd, focus));
}

void CTrackbarSkin::DrawFrame(HDC dc, RECT rect) {
    RECT thumb{};
    ::SendMessageA(m_hWnd, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    POINT origin{0, 0};
    ::ClientToScreen(m_hWnd, &origin);
    thumb = Offset(thumb, {origin.x - window.left + rect.left, origin.y - window.top + rect.top});
    if (IsHot())
        DoubleFrame(dc, thumb, Shadow(), Highlight(), DarkShadow(), Light());
    else
        DoubleFrame(dc, thumb, Shadow(), Highlight(), Face(), Face());
}

// ---- header, toolbar, tab -----------------------------------------------------------------

POINT CItemSkinBase::ClientOffset() const {
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    POINT origin{0, 0};
    ::ClientToScreen(m_hWnd, &origin);
    return {origin.x - window.left, origin.y - window.top};
}

bool CItemSkinBase::NeedsHotUpdate(POINT cursor) {
    POINT client = cursor;
    ::ScreenToClient(m_hWnd, &client);
    const int item = ItemAt(client);
    CSkinEngine* engine = CSkinEngine::Current();
    const bool hotWindowChanges = !engine || engine->HotWindow() != m_hWnd;
    if (!hotWindowChanges && item == m_hotItem) return false;
    m_hotItem = item;
    return true;
}

int CHeaderSkin::ItemAt(POINT client) const {
    HDHITTESTINFO info{};
    info.pt = client;
    ::SendMessageA(m_hWnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
    return (info.flags & HHT_ONHEADER) ? info.iItem : -1;
}

void CHeaderSkin::DrawFrame(HDC dc, RECT) {
    const POINT offset = ClientOffset();
    const int count = static_cast<int>(::SendMessageA(m_hWnd, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT item{};
        if (!::SendMessageA(m_hWnd, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item))) continue;
        item = Offset(item, offset);
        if (i == m_hotItem && HotOrFocused())
            DoubleFrame(dc, item, Highlight(), DarkShadow(), Light(), Shadow());
        else
            DoubleFrame(dc, item, Highlight(), Shadow(), Face(), Face());
    }
}

LRESULT CToolbarSkin::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT || msg == WM_NCPAINT) m_hotItem = -1;
    return CControlSkin::WindowProc(msg, wParam, lParam);
}

int CToolbarSkin::ItemAt(POINT client) const {
    const int index = static_cast<int>(::SendMessageA(m_hWnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&client)));
    return index >= 0 ? index : -1;
}

void CToolbarSkin::DrawFrame(HDC dc, RECT) {
    const POINT offset = ClientOffset();
    const int count = static_cast<int>(::SendMessageA(m_hWnd, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        if (!::SendMessageA(m_hWnd, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button))) continue;
        if (button.fsStyle & BTNS_SEP) continue;
        RECT item{};
        if (!::SendMessageA(m_hWnd, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item))) continue;
        item = Offset(item, offset);
        const bool checked = (button.fsState & TBSTATE_CHECKED) != 0;
        const bool hot = i == m_hotItem && IsHot() && (button.fsState & TBSTATE_ENABLED);
        if (checked && !hot)
            DoubleFrame(dc, item, Shadow(), Highlight(), Face(), Face());
        else if (checked)
            DoubleFrame(dc, item, DarkShadow(), Highlight(), Shadow(), Shadow());
        else if (hot)
            DoubleFrame(dc, item, Highlight(), DarkShadow(), Light(), Shadow());
        else
            DoubleFrame(dc, item, Highlight(), Shadow(), Face(), Face());
    }
}

int CTabSkin::ItemAt(POINT client) const {
    TCHITTESTINFO info{};
    info.pt = client;
    return static_cast<int>(::SendMessageA(m_hWnd, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
}

void CTabSkin::DrawFrame(HDC dc, RECT) {
    const LONG style = Style(m_hWnd);
    if (style & TCS_BUTTONS) return;
    const POINT offset = ClientOffset();
    RECT page{};
    ::GetClientRect(m_hWnd, &page);
    ::SendMessageA(m_hWnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    ::InflateRect(&page, 4, 4);
    page = Offset(page, offset);
    const bool bottom = (style & TCS_BOTTOM) != 0;
    const int w = page.right - page.left, h = page.bottom - page.top;
    // Shadow on the edges away from the tab row, a face line inside.
    Fill(dc, page.right - 1, page.top, 1, h, Shadow());
    if (bottom)
        Fill(dc, page.left, page.top, w, 1, Shadow());
    else
        Fill(dc, page.left, page.bottom - 1, w, 1, Shadow());
    RECT inner = page;
    ::InflateRect(&inner, -1, -1);
    Rect3d(dc, inner, Face(), Face());

    const int count = static_cast<int>(::SendMessageA(m_hWnd, TCM_GETITEMCOUNT, 0, 0));
    const int selected = static_cast<int>(::SendMessageA(m_hWnd, TCM_GETCURSEL, 0, 0));
    auto drawTab = [&](int i, bool isSelected) {
        RECT r{};
        if (!::SendMessageA(m_hWnd, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) return;
        r = Offset(r, offset);
        if (isSelected) ::InflateRect(&r, 2, 2);
        const bool hot = i == m_hotItem && IsHot();
        const int tw = r.right - r.left, th = r.bottom - r.top;
        const int edgeY = bottom ? r.bottom - 1 : r.top;  // the edge away from the page
        Fill(dc, r.left, r.top, 1, th, Highlight());
        Fill(dc, r.left, edgeY, tw, 1, bottom ? Shadow() : Highlight());
        Fill(dc, r.right - 1, r.top, 1, th, DarkShadow());
        Fill(dc, r.right - 2, r.top + 1, 1, th - 2, Shadow());
        const COLORREF innerLine = hot ? Light() : Face();
        Fill(dc, r.left + 1, r.top + 1, 1, th - 2, innerLine);
        Fill(dc, r.left + 1, bottom ? r.bottom - 2 : r.top + 1, tw - 3, 1, innerLine);
        if (isSelected) {
            // Joined to the page: the edge towards it stays open.
            Fill(dc, r.left + 1, bottom ? r.top : r.bottom - 1, tw - 3, 1, Face());
        }
    };
    for (int i = 0; i < count; ++i)
        if (i != selected) drawTab(i, false);
    if (selected >= 0) drawTab(selected, true);
}
