// Where a new note goes: each new note steps 40 pixels right and down from
// the last, and a note that would cross the screen's bottom or right margin
// starts a new column at the top.
#pragma once

#include "note/NoteGeometry.h"

struct CascadeState {
    int step = 0;    // notes placed in the current column
    int column = 0;  // columns started so far
};

struct CascadePlacement {
    bool stop = false;  // an existing note while a column is under way: nothing more to do
    bool moved = false;
    Box window;         // where the note goes (unchanged when not moved)
};

// The placement of one note whose window currently is at `window`. For a new
// note the state advances (the note is counted as shown).
CascadePlacement PlaceCascaded(CascadeState& state, const Box& window, bool newNote, int screenWidth,
                               int screenHeight);
