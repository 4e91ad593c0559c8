#include "skin/FlatButton.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "skin/SkinDraw.h"

using namespace skin_draw;

namespace {

constexpr UINT_PTR kSubclassId = 0x466C6174;  // "Flat"
constexpr char kObjectProp[] = "Pinwell.CFlatButton";

COLORREF Mix(COLORREF a, COLORREF b, int num, int den) {
    auto ch = [&](int ca, int cb) { return ca + (cb - ca) * num / den; };
    return RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)), ch(GetBValue(a), GetBValue(b)));
}

SIZE IconSize(HICON icon) {
    SIZE size{0, 0};
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return size;
    BITMAP bm{};
    if (info.hbmColor && ::GetObjectA(info.hbmColor, sizeof bm, &bm)) {
        size = {bm.bmWidth, bm.bmHeight};
    } else if (info.hbmMask && ::GetObjectA(info.hbmMask, sizeof bm, &bm)) {
        size = {bm.bmWidth, bm.bmHeight / 2};
    }
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    return size;
}

}  // namespace

CFlatButton::~CFlatButton() { Detach(); }

CFlatButton* CFlatButton::FromHandle(HWND button) {
    return button ? static_cast<CFlatButton*>(::GetPropA(button, kObjectProp)) : nullptr;
}

bool CFlatButton::Attach(HWND button) {
    if (m_hWnd || !::IsWindow(button) || FromHandle(button)) return false;
    const LONG style = ::GetWindowLongA(button, GWL_STYLE);
    if ((style & 3) == 3)
        m_kind = kCheck;
    else if ((style & 9) == 9)
        m_kind = kRadio;
    else
        m_kind = kPush;
    m_border = m_kind == kPush || (style & BS_PUSHLIKE);
    switch (style & BS_CENTER) {
    case BS_LEFT: m_align = DT_LEFT; break;
    case BS_RIGHT: m_align = DT_RIGHT; break;
    default: m_align = DT_CENTER; break;
    }
    m_default = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    m_checked = m_kind != kPush && ::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;

    m_hWnd = button;
    ::SetWindowLongA(button, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    ::SetPropA(button, kObjectProp, this);
    ::SetWindowSubclass(button, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    BuildImages();
    ::InvalidateRect(button, nullptr, FALSE);
    return true;
}

void CFlatButton::Detach() {
    if (m_hWnd) {
        ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
        ::RemovePropA(m_hWnd, kObjectProp);
        if (m_toolTip && ::IsWindow(m_toolTip)) ::DestroyWindow(m_toolTip);
        m_toolTip = nullptr;
        m_hWnd = nullptr;
    }
    FreeImages();
    for (HICON& icon : m_icons) {
        if (icon) ::DestroyIcon(icon);
        icon = nullptr;
    }
}

void CFlatButton::SetIcons(HICON normal, HICON pressed, HICON hover, IconPlace place) {
    for (HICON& icon : m_icons)
        if (icon) ::DestroyIcon(icon);
    m_icons[0] = normal;
    m_icons[1] = pressed;
    m_icons[2] = hover;
    m_iconPlace = place;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

HICON CFlatButton::IconFromBitmap(HBITMAP picture) {
    BITMAP bm{};
    if (!picture || !::GetObjectA(picture, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return nullptr;
    const int w = bm.bmWidth, h = bm.bmHeight;
    HDC screen = ::GetDC(nullptr);
    HDC src = ::CreateCompatibleDC(screen);
    HDC dst = ::CreateCompatibleDC(screen);
    HBITMAP colour = ::CreateCompatibleBitmap(screen, w, h);
    HBITMAP mask = ::CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ oldSrc = ::SelectObject(src, picture);
    HGDIOBJ oldDst = ::SelectObject(dst, colour);
    ::BitBlt(dst, 0, 0, w, h, src, 0, 0, SRCCOPY);
    const COLORREF background = ::GetPixel(src, 0, 0);
    // Mask: background pixels white (transparent); the colour image gets
    // black there so that the icon draws only the picture.
    ::SelectObject(src, mask);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool clear = ::GetPixel(dst, x, y) == background;
            ::SetPixelV(src, x, y, clear ? RGB(255, 255, 255) : RGB(0, 0, 0));
            if (clear) ::SetPixelV(dst, x, y, RGB(0, 0, 0));
        }
    ::SelectObject(src, oldSrc);
    ::SelectObject(dst, oldDst);
    ::DeleteDC(src);
    ::DeleteDC(dst);
    ::ReleaseDC(nullptr, screen);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(mask);
    ::DeleteObject(colour);
    return icon;
}

void CFlatButton::SetStateImages(HBITMAP hover, HBITMAP pressed, HBITMAP disabled) {
    m_hoverImage = hover;
    m_pressedImage = pressed;
    m_disabledImage = disabled;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CFlatButton::SetTextColor(COLORREF colour) {
    m_textColour = colour;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CFlatButton::SetFont(HFONT font) {
    m_font = font;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CFlatButton::SetTooltipText(const std::string& normal, const std::string& checked) {
    m_tipNormal = normal;
    m_tipChecked = checked;
    if (!m_hWnd) return;
    if (!m_toolTip) {
        m_toolTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                      nullptr, nullptr);
        if (!m_toolTip) return;
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND;
        ti.hwnd = ::GetParent(m_hWnd);
        ti.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
        ti.lpszText = const_cast<char*>(m_tipNormal.c_str());
        ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        ::SendMessageA(m_toolTip, TTM_SETTIPBKCOLOR, 0x00AFFFFF, 0);
        ::SendMessageA(m_toolTip, TTM_SETMAXTIPWIDTH, 0, 200);
        ::SendMessageA(m_toolTip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 600);
        ::SendMessageA(m_toolTip, TTM_ACTIVATE, TRUE, 0);
    }
    UpdateTooltip();
}

void CFlatButton::UpdateTooltip() {
    if (!m_toolTip) return;
    const std::string& text = m_checked && !m_tipChecked.empty() ? m_tipChecked : m_tipNormal;
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = ::GetParent(m_hWnd);
    ti.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    ti.lpszText = const_cast<char*>(text.c_str());
    ::SendMessageA(m_toolTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

void CFlatButton::Relay(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!m_toolTip) return;
    MSG m{m_hWnd, msg, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
    ::GetCursorPos(&m.pt);
    ::SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

// ---- images ------------------------------------------------------------------------

void CFlatButton::FreeImages() {
    for (HBITMAP* b : {&m_texture, &m_dotsH, &m_dotsV}) {
        if (*b) ::DeleteObject(*b);
        *b = nullptr;
    }
    m_textureSize = {};
}

void CFlatButton::BuildImages() {
    FreeImages();
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    const int w = std::max<int>(1, rc.right), h = std::max<int>(1, rc.bottom);
    m_textureSize = {w, h};

    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = w;
    info.header.biHeight = -h;  // top-down
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 256;
    const COLORREF shadow = Shadow(), face = Face(), highlight = Highlight();
    for (int i = 0; i < 256; ++i) {
        const COLORREF c = i <= 128 ? Mix(shadow, face, i, 128) : Mix(face, highlight, i - 128, 127);
        info.colours[i] = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
    }
    void* bits = nullptr;
    m_texture = ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_texture && bits) {
        const int stride = (w + 3) & ~3;
        auto* row = static_cast<BYTE*>(bits);
        // Lighter towards the top and left, darker towards the bottom and
        // right, flat in the middle: the cube keeps the centre near the face
        // colour. A little noise keeps large buttons from looking banded.
        unsigned seed = 0x9E3779B9u ^ static_cast<unsigned>(w * 131 + h);
        const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
        for (int y = 0; y < h; ++y, row += stride) {
            const double dy = cy > 0 ? (y - cy) / cy : 0.0;
            for (int x = 0; x < w; ++x) {
                const double dx = cx > 0 ? (x - cx) / cx : 0.0;
                seed = seed * 1664525u + 1013904223u;
                const int noise = static_cast<int>((seed >> 24) % 17) - 8;
                const int index = 140 - static_cast<int>(std::lround(100.0 * dy * dy * dy + 20.0 * dx * dx * dx)) + noise;
                row[x] = static_cast<BYTE>(std::clamp(index, 0, 255));
            }
        }
    }

    // Alternating on/off pixels for the dotted focus frame. Monochrome rows
    // are padded to 16 bits.
    const int hBytes = ((w + 15) / 16) * 2;
    std::string hBits(static_cast<size_t>(hBytes), static_cast<char>(0xAA));
    m_dotsH = ::CreateBitmap(w, 1, 1, 1, hBits.data());
    std::string vBits(static_cast<size_t>(h) * 2, '\0');
    for (int y = 0; y < h; y += 2) vBits[static_cast<size_t>(y) * 2] = static_cast<char>(0x80);
    m_dotsV = ::CreateBitmap(1, h, 1, 1, vBits.data());
}

// ---- painting ------------------------------------------------------------------------

void CFlatButton::DrawFace(HDC dc, const RECT& rc, HBITMAP image, bool texture) {
    if (!image) {
        Fill(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, Face());
        return;
    }
    HDC mem = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(mem, image);
    BITMAP bm{};
    ::GetObjectA(image, sizeof bm, &bm);
    if (texture || (bm.bmWidth == rc.right - rc.left && bm.bmHeight == rc.bottom - rc.top)) {
        ::BitBlt(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, mem, 0, 0, SRCCOPY);
    } else {
        ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, mem, 0, 0, bm.bmWidth, bm.bmHeight,
                     SRCCOPY);
    }
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
}

void CFlatButton::DrawFocusFrame(HDC dc, const RECT& rc) {
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0 || !m_dotsH || !m_dotsV) return;
    HDC mem = ::CreateCompatibleDC(dc);
    const COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBk = ::SetBkColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = ::SelectObject(mem, m_dotsH);
    ::BitBlt(dc, rc.left, rc.top, w, 1, mem, 0, 0, SRCINVERT);
    ::BitBlt(dc, rc.left, rc.bottom - 1, w, 1, mem, (h + 1) % 2, 0, SRCINVERT);
    ::SelectObject(mem, m_dotsV);
    ::BitBlt(dc, rc.left, rc.top + 1, 1, h - 2, mem, 0, 1, SRCINVERT);
    ::BitBlt(dc, rc.right - 1, rc.top + 1, 1, h - 2, mem, 0, (w + 1) % 2, SRCINVERT);
    ::SelectObject(mem, old);
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBk);
    ::DeleteDC(mem);
}

void CFlatButton::DrawIconAndText(HDC dc, RECT rc, bool disabled, bool pressed) {
    ::InflateRect(&rc, -m_margin, -m_margin);
    if (pressed && m_kind == kPush) ::OffsetRect(&rc, 1, 1);

    HICON icon = m_icons[0];
    if (!disabled) {
        if (pressed && m_icons[1]) icon = m_icons[1];
        else if (!pressed && m_hover && m_icons[2]) icon = m_icons[2];
    }
    char text[256] = {};
    ::GetWindowTextA(m_hWnd, text, sizeof text);
    const bool hasText = text[0] != '\0';

    RECT textRect = rc;
    if (icon) {
        const SIZE size = IconSize(icon);
        int x = rc.left + (rc.right - rc.left - size.cx) / 2;
        int y = rc.top + (rc.bottom - rc.top - size.cy) / 2;
        if (hasText) {
            switch (m_iconPlace) {
            case kIconLeft:
                x = rc.left;
                textRect.left = x + size.cx + 2;
                break;
            case kIconRight:
                x = rc.right - size.cx;
                textRect.right = x - 2;
                break;
            case kIconAbove:
                y = rc.top;
                textRect.top = y + size.cy;
                break;
            }
        }
        if (disabled)
            ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, size.cx, size.cy,
                         DST_ICON | DSS_DISABLED);
        else
            ::DrawIconEx(dc, x, y, icon, size.cx, size.cy, 0, nullptr, DI_NORMAL);
    }
    if (!hasText) return;

    HFONT font = m_font ? m_font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    const UINT format = DT_SINGLELINE | DT_VCENTER | m_align;
    if (disabled) {
        RECT lit = textRect;
        ::OffsetRect(&lit, 1, 1);
        ::SetTextColor(dc, Highlight());
        ::DrawTextA(dc, text, -1, &lit, format);
        ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        ::DrawTextA(dc, text, -1, &textRect, format);
    } else {
        ::SetTextColor(dc, m_textColour == CLR_INVALID ? ::GetSysColor(COLOR_BTNTEXT) : m_textColour);
        ::DrawTextA(dc, text, -1, &textRect, format);
    }
    ::SelectObject(dc, oldFont);
}

void CFlatButton::Paint(HDC target) {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0) return;
    if (m_textureSize.cx != rc.right || m_textureSize.cy != rc.bottom) BuildImages();

    HDC dc = ::CreateCompatibleDC(target);
    HBITMAP canvas = ::CreateCompatibleBitmap(target, rc.right, rc.bottom);
    HGDIOBJ oldCanvas = ::SelectObject(dc, canvas);

    const bool disabled = !::IsWindowEnabled(m_hWnd);
    const bool pushed = (::SendMessageA(m_hWnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    if (disabled) {
        DrawFace(dc, rc, m_disabledImage, false);
        DrawIconAndText(dc, rc, true, false);
    } else if (pushed || m_checked) {
        DrawFace(dc, rc, m_pressedImage, false);
        DrawIconAndText(dc, rc, false, true);
        if (m_border) Rect3d(dc, rc, Shadow(), Highlight());
    } else {
        if (m_hover && m_hoverImage)
            DrawFace(dc, rc, m_hoverImage, false);
        else
            DrawFace(dc, rc, m_texture, true);
        DrawIconAndText(dc, rc, false, false);
        if (m_border && m_hover) {
            if (m_default) {
                RECT edge = rc;
                ::DrawEdge(dc, &edge, BDR_SUNKENOUTER | BDR_RAISEDINNER, BF_RECT);
            } else {
                Rect3d(dc, rc, Highlight(), Shadow());
            }
        }
        if (::GetFocus() == m_hWnd) {
            RECT focus = rc;
            ::InflateRect(&focus, -m_margin, -m_margin);
            DrawFocusFrame(dc, focus);
        }
    }

    ::BitBlt(target, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
    ::SelectObject(dc, oldCanvas);
    ::DeleteObject(canvas);
    ::DeleteDC(dc);
}

// ---- behaviour ------------------------------------------------------------------------

void CFlatButton::SetChecked(bool checked) {
    if (m_kind == kPush) checked = false;
    const bool changed = checked != m_checked;
    m_checked = checked;
    if (checked && m_kind == kRadio) ClearOtherRadios();
    if (changed) {
        UpdateTooltip();
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

void CFlatButton::ClearOtherRadios() {
    HWND dialog = ::GetParent(m_hWnd);
    if (!dialog) return;
    // The group runs from the nearest WS_GROUP control at or before this one
    // to the next WS_GROUP control.
    HWND first = m_hWnd;
    while (!(::GetWindowLongA(first, GWL_STYLE) & WS_GROUP)) {
        HWND prev = ::GetWindow(first, GW_HWNDPREV);
        if (!prev) break;
        first = prev;
    }
    for (HWND w = first; w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        if (w != first && (::GetWindowLongA(w, GWL_STYLE) & WS_GROUP)) break;
        if (w == m_hWnd) continue;
        char cls[16] = {};
        ::GetClassNameA(w, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") == 0) ::PostMessageA(w, kClearRadio, 0, 0);
    }
}

void CFlatButton::Toggle() {
    if (m_kind == kCheck)
        SetChecked(!m_checked);
    else if (m_kind == kRadio)
        SetChecked(true);
}

LRESULT CALLBACK CFlatButton::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR ref) {
    auto* self = reinterpret_cast<CFlatButton*>(ref);
    if (msg == WM_NCDESTROY) {
        self->Detach();
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    return self->WindowProc(msg, wParam, lParam);
}

LRESULT CFlatButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = m_hWnd;
    auto base = [&](UINT m, WPARAM w, LPARAM l) { return ::DefSubclassProc(hwnd, m, w, l); };
    auto repaint = [&] { ::InvalidateRect(hwnd, nullptr, FALSE); };

    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        Paint(dc);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SIZE:
        BuildImages();
        repaint();
        break;
    case WM_MOUSEMOVE:
        Relay(msg, wParam, lParam);
        if (::GetCapture() != hwnd) {
            if (!m_hover) {
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
                m_tracking = ::TrackMouseEvent(&tme) != FALSE;
                m_hover = true;
                repaint();
            }
        } else if (m_pressedInside) {
            RECT rc;
            ::GetClientRect(hwnd, &rc);
            const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const bool inside = ::PtInRect(&rc, pt) != FALSE;
            const bool pushed = (::SendMessageA(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
            if (inside != pushed) ::SendMessageA(hwnd, BM_SETSTATE, inside, 0);
            return 0;
        }
        break;
    case WM_MOUSELEAVE:
        m_hover = false;
        m_tracking = false;
        repaint();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        Relay(msg, wParam, lParam);
        if (m_tracking) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE | TME_CANCEL, hwnd, 0};
            ::TrackMouseEvent(&tme);
            m_tracking = false;
        }
        m_hover = false;
        const LRESULT result = base(WM_LBUTTONDOWN, wParam, lParam);
        m_pressedInside = true;
        repaint();
        return result;
    }
    case WM_LBUTTONUP: {
        Relay(msg, wParam, lParam);
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (m_pressedInside && ::PtInRect(&rc, pt)) Toggle();
        m_pressedInside = false;
        const LRESULT result = base(msg, wParam, lParam);
        repaint();
        return result;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        Relay(msg, wParam, lParam);
        break;
    case WM_KEYUP:
        if (wParam == VK_SPACE && (::SendMessageA(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED)) Toggle();
        break;
    case WM_KILLFOCUS:
        if (::GetCapture() == hwnd) ::ReleaseCapture();
        m_pressedInside = false;
        [[fallthrough]];
    case WM_SETFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case BM_SETSTATE: {
        const LRESULT result = base(msg, wParam, lParam);
        repaint();
        return result;
    }
    case BM_SETSTYLE:
        // The dialog manager moves the default look between push buttons;
        // the button itself stays owner-drawn.
        m_default = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        base(msg, (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW, lParam);
        repaint();
        return 0;
    case WM_GETDLGCODE:
        if (m_kind == kPush) return DLGC_BUTTON | (m_default ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        if (m_kind == kRadio) return DLGC_BUTTON | DLGC_RADIOBUTTON;
        return DLGC_BUTTON;
    case BM_SETCHECK:
        SetChecked(wParam == BST_CHECKED);
        return 0;
    case BM_GETCHECK:
        return m_checked ? BST_CHECKED : BST_UNCHECKED;
    case kClearRadio:
        if (m_checked) {
            m_checked = false;
            UpdateTooltip();
        }
        repaint();
        return 0;
    default:
        break;
    }
    return base(msg, wParam, lParam);
}
