#include "note/Cascade.h"

CascadePlacement PlaceCascaded(CascadeState& s, const Box& window, bool newNote, int screenWidth,
                               int screenHeight) {
    CascadePlacement p;
    p.window = window;
    bool columnMove = false;
    if (s.step > 0) {
        if (!newNote) {
            p.stop = true;
            return p;
        }
        const int dx = 40 * (s.step + s.column), dy = 40 * s.step;
        const Box shifted{window.left + dx, window.top + dy, window.right + dx, window.bottom + dy};
        if (shifted.bottom < screenHeight - 20 && shifted.right < screenWidth - 20) {
            p.window = shifted;
            p.moved = true;
        } else {
            s.step = 0;
            s.column += 1;
            columnMove = true;
        }
    }
    if (newNote) s.step += 1;
    if (columnMove) {
        const int dx = 40 * s.column;
        p.window = {p.window.left + dx, p.window.top, p.window.right + dx, p.window.bottom};
        p.moved = true;
    }
    return p;
}
