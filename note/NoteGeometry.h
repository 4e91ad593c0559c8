// The arithmetic of a note window: where its controls go, which edge a
// point is on, how a drag is kept on the work area and how a fade steps.
// Kept apart from the window code so it can be checked without a display.
#pragma once

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Box&) const = default;
};

constexpr int kTitleHeight = 20;
constexpr int kRolledUpHeight = 20;
constexpr int kMinNoteWidth = 60;
constexpr int kMinNoteHeight = 30;

struct NoteLayout {
    Box title;        // control 1002, client coordinates
    Box body;         // control 1001
    Box bodyFormat;   // the body's formatting rectangle, body coordinates
    int closeX = 0, closeY = 0;  // control 1013
};

// Layout of an unrolled note of outer size width x height.
NoteLayout ComputeNoteLayout(int width, int height, bool border);

enum class NoteHit { Default, BottomRight, BottomLeft, TopRight, TopLeft, Bottom, Top, Left, Right };

// Which sizing zone a screen point is in; Default for the rest of the note
// (and everywhere while it is rolled up).
NoteHit NoteHitTest(const Box& window, int x, int y, bool rolledUp);

// Keeps a dragged note from crossing the top and bottom of the work area.
Box KeepDragOnWorkArea(const Box& work, const Box& current, Box proposed);

// True when a stored note would not fit on the primary screen, so it is put
// back at (0, 0).
bool IsOffScreen(int left, int top, int width, int height, int screenWidth, int screenHeight);

struct FadeStep {
    double step;
    int sleepMs;
};
// The fade keeps about 1.5 s for any size: bigger notes take fewer steps.
FadeStep FadeStepFor(int width, int height);
