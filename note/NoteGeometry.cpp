#include "note/NoteGeometry.h"

NoteLayout ComputeNoteLayout(int width, int height, bool border) {
    const int b = border ? 1 : 0;
    NoteLayout l;
    l.title = {0, 0, width, kTitleHeight};
    l.body = {2 - b, kTitleHeight, 2 - b + (width - 4), kTitleHeight + (height - 22 - b)};
    l.bodyFormat = {2 - b, 0, width - 4, height - 22 - b};
    l.closeX = width - 14 - b;
    l.closeY = 5 - b;
    return l;
}

NoteHit NoteHitTest(const Box& w, int x, int y, bool rolledUp) {
    if (rolledUp) return NoteHit::Default;
    struct Zone { Box box; NoteHit hit; };
    const Zone zones[] = {
        {{w.right - 10, w.bottom - 10, w.right + 10, w.bottom + 10}, NoteHit::BottomRight},
        {{w.left - 10, w.bottom - 10, w.left + 10, w.bottom + 10}, NoteHit::BottomLeft},
        {{w.right - 10, w.top - 10, w.right + 10, w.top + 10}, NoteHit::TopRight},
        {{w.left - 10, w.top - 10, w.left + 10, w.top + 10}, NoteHit::TopLeft},
        {{w.left + 10, w.bottom - 5, w.right - 10, w.bottom + 5}, NoteHit::Bottom},
        {{w.left + 10, w.top - 5, w.right - 10, w.top + 5}, NoteHit::Top},
        {{w.left - 5, w.top + 10, w.left + 5, w.bottom - 10}, NoteHit::Left},
        {{w.right - 5, w.top + 10, w.right + 5, w.bottom - 10}, NoteHit::Right},
    };
    for (const Zone& z : zones)
        if (x >= z.box.left && x < z.box.right && y >= z.box.top && y < z.box.bottom) return z.hit;
    return NoteHit::Default;
}

Box KeepDragOnWorkArea(const Box& work, const Box& current, Box p) {
    if (p.top < work.top + 10 && p.top < current.top) {
        const int shift = work.top - p.top;
        p.top += shift;
        p.bottom += shift;
    }
    if (p.bottom > work.bottom - 10 && p.bottom > current.bottom) {
        const int shift = p.bottom - work.bottom;
        p.top -= shift;
        p.bottom -= shift;
    }
    return p;
}

bool IsOffScreen(int left, int top, int width, int height, int screenWidth, int screenHeight) {
    // In 64 bits: a damaged record's edge plus its width must not wrap round
    // to a small number and pass for a note on the screen.
    const long long right = static_cast<long long>(left) + width;
    const long long bottom = static_cast<long long>(top) + height;
    return left > screenWidth || right > screenWidth || top > screenHeight || bottom > screenHeight;
}

FadeStep FadeStepFor(int width, int height) {
    const long long a = static_cast<long long>(width) * height;
    if (a <= 1000) return {1.0, 15};
    if (a <= 10000) return {0.6, 9};
    if (a <= 30000) return {0.7, 10};
    if (a <= 60000) return {0.8, 12};
    if (a <= 100000) return {0.9, 13};
    if (a <= 250000) return {1.0, 15};
    if (a <= 500000) return {1.75, 26};
    return {2.2, 33};
}
