// The few drawing strokes every flat control is made of. Colours are system
// colours read at the moment of drawing, so a theme change shows at once.
#pragma once

#include <windows.h>

namespace skin_draw {

// An opaque fill without a brush: text output of nothing with an opaque
// background.
inline void Fill(HDC dc, int x, int y, int cx, int cy, COLORREF colour) {
    const COLORREF old = ::SetBkColor(dc, colour);
    RECT r{x, y, x + cx, y + cy};
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

// Top and left edges in `topLeft`, right and bottom edges (drawn inward from
// x + cx and y + cy) in `bottomRight`.
inline void Rect3d(HDC dc, int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
    Fill(dc, x, y, cx - 1, 1, topLeft);
    Fill(dc, x, y, 1, cy - 1, topLeft);
    Fill(dc, x + cx - 1, y, 1, cy, bottomRight);
    Fill(dc, x, y + cy - 1, cx, 1, bottomRight);
}

inline void Rect3d(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    Rect3d(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, topLeft, bottomRight);
}

inline void DoubleFrame(HDC dc, RECT r, COLORREF outerTl, COLORREF outerBr, COLORREF innerTl, COLORREF innerBr) {
    Rect3d(dc, r, outerTl, outerBr);
    ::InflateRect(&r, -1, -1);
    Rect3d(dc, r, innerTl, innerBr);
}

inline void TripleFrame(HDC dc, RECT r, COLORREF aTl, COLORREF aBr, COLORREF bTl, COLORREF bBr, COLORREF cTl,
                        COLORREF cBr) {
    DoubleFrame(dc, r, aTl, aBr, bTl, bBr);
    ::InflateRect(&r, -2, -2);
    Rect3d(dc, r, cTl, cBr);
}

inline COLORREF Face() { return ::GetSysColor(COLOR_BTNFACE); }
inline COLORREF Shadow() { return ::GetSysColor(COLOR_BTNSHADOW); }
inline COLORREF Highlight() { return ::GetSysColor(COLOR_BTNHIGHLIGHT); }
inline COLORREF Light() { return ::GetSysColor(COLOR_3DLIGHT); }
inline COLORREF DarkShadow() { return ::GetSysColor(COLOR_3DDKSHADOW); }
inline COLORREF Window() { return ::GetSysColor(COLOR_WINDOW); }

}  // namespace skin_draw
