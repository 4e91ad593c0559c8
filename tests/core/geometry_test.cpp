// Note window arithmetic and new-note placement.
#include <gtest/gtest.h>

#include "note/Cascade.h"
#include "note/NoteGeometry.h"

namespace {

TEST(CascadeTest, FiveNewNotesStepDownTheScreen) {
    CascadeState state;
    const Box templ{0, 0, 156, 106};
    const int expected[] = {0, 40, 80, 120, 160};
    for (int x : expected) {
        const CascadePlacement p = PlaceCascaded(state, templ, true, 1024, 768);
        EXPECT_EQ(p.window.left, x);
        EXPECT_EQ(p.window.top, x);
        EXPECT_EQ(p.window.Width(), 156);
        EXPECT_EQ(p.window.Height(), 106);
    }
    EXPECT_EQ(state.step, 5);
}

TEST(CascadeTest, CrossingTheMarginStartsTheNextColumnAtTheTop) {
    CascadeState state;
    const Box tall{0, 0, 300, 600};
    Box last;
    for (int i = 0; i < 4; ++i) last = PlaceCascaded(state, tall, true, 1024, 768).window;
    EXPECT_EQ(last.top, 120);  // 120 + 600 = 720 < 748
    const CascadePlacement fifth = PlaceCascaded(state, tall, true, 1024, 768);
    EXPECT_EQ(fifth.window, (Box{40, 0, 340, 600}));  // 160 + 600 would cross 748
    EXPECT_EQ(state.column, 1);
    EXPECT_EQ(state.step, 1);
    const CascadePlacement sixth = PlaceCascaded(state, tall, true, 1024, 768);
    EXPECT_EQ(sixth.window, (Box{80, 40, 380, 640}));
}

TEST(CascadeTest, StoredNotesAreNotMovedOnceNewNotesWerePlaced) {
    CascadeState state;
    const Box note{300, 200, 500, 350};
    // Before any new note: nothing moves and nothing is counted.
    CascadePlacement p = PlaceCascaded(state, note, false, 1024, 768);
    EXPECT_FALSE(p.moved);
    EXPECT_FALSE(p.stop);
    EXPECT_EQ(state.step, 0);
    PlaceCascaded(state, note, true, 1024, 768);
    p = PlaceCascaded(state, note, false, 1024, 768);
    EXPECT_TRUE(p.stop);
    EXPECT_EQ(p.window, note);
    EXPECT_EQ(state.step, 1);
}

TEST(NoteLayoutTest, BodyTitleAndCloseButtonWithAndWithoutBorder) {
    NoteLayout plain = ComputeNoteLayout(300, 200, false);
    EXPECT_EQ(plain.title, (Box{0, 0, 300, 20}));
    EXPECT_EQ(plain.body, (Box{2, 20, 298, 198}));  // 2, 20, 296 x 178
    EXPECT_EQ(plain.bodyFormat, (Box{2, 0, 296, 178}));
    EXPECT_EQ(plain.closeX, 286);
    EXPECT_EQ(plain.closeY, 5);

    NoteLayout framed = ComputeNoteLayout(300, 200, true);
    EXPECT_EQ(framed.body, (Box{1, 20, 297, 197}));  // 1, 20, 296 x 177
    EXPECT_EQ(framed.bodyFormat, (Box{1, 0, 296, 177}));
    EXPECT_EQ(framed.closeX, 285);
    EXPECT_EQ(framed.closeY, 4);
}

TEST(NoteHitTestTest, CornersEdgesAndTheStrip) {
    const Box w{100, 100, 400, 300};
    struct Case { int x, y; NoteHit hit; } cases[] = {
        {397, 292, NoteHit::BottomRight},  // 3 left of the right edge, 8 above the bottom
        {130, 104, NoteHit::Top},          // 4 below the top, 30 from the left
        {130, 107, NoteHit::Default},      // 7 below the top: the plain strip
        {100, 100, NoteHit::TopLeft},
        {399, 100, NoteHit::TopRight},
        {105, 299, NoteHit::BottomLeft},
        {200, 296, NoteHit::Bottom},
        {200, 295, NoteHit::Bottom},
        {200, 294, NoteHit::Default},
        {104, 200, NoteHit::Left},
        {105, 200, NoteHit::Default},
        {395, 200, NoteHit::Right},
        {394, 200, NoteHit::Default},
        {250, 200, NoteHit::Default},
    };
    for (const Case& c : cases) EXPECT_EQ(NoteHitTest(w, c.x, c.y, false), c.hit) << c.x << "," << c.y;
    EXPECT_EQ(NoteHitTest(w, 397, 292, true), NoteHit::Default);
}

TEST(NoteDragTest, TopAndBottomOfTheWorkAreaHoldTheNote) {
    const Box work{0, 0, 1280, 994};
    const Box current{100, 50, 400, 250};
    // Moving up into the 10-pixel band snaps to the top.
    EXPECT_EQ(KeepDragOnWorkArea(work, current, {100, 5, 400, 205}), (Box{100, 0, 400, 200}));
    EXPECT_EQ(KeepDragOnWorkArea(work, current, {100, -40, 400, 160}), (Box{100, 0, 400, 200}));
    // Moving down while near the top changes nothing.
    EXPECT_EQ(KeepDragOnWorkArea(work, {100, 2, 400, 202}, {100, 5, 400, 205}), (Box{100, 5, 400, 205}));
    // Moving down into the bottom band snaps to the bottom; no rule left or right.
    EXPECT_EQ(KeepDragOnWorkArea(work, current, {-500, 790, -200, 990}), (Box{-500, 794, -200, 994}));
    EXPECT_EQ(KeepDragOnWorkArea(work, {100, 900, 400, 1100}, {100, 880, 400, 1080}),
              (Box{100, 880, 400, 1080}));  // moving up from below stays where it is put
}

TEST(NoteGeometryTest, OffScreenNotesAndFadeSteps) {
    EXPECT_TRUE(IsOffScreen(1900, 10, 200, 100, 1920, 1080));
    EXPECT_TRUE(IsOffScreen(1000, 10, 300, 100, 1280, 1024));
    EXPECT_TRUE(IsOffScreen(10, 1000, 100, 100, 1280, 1024));
    EXPECT_FALSE(IsOffScreen(980, 10, 300, 100, 1280, 1024));
    EXPECT_FALSE(IsOffScreen(-1280, -50, 300, 100, 1280, 1024));  // negative places are kept
    EXPECT_TRUE(IsOffScreen(100, 100, 2147483600, 2147483600, 1280, 1024));  // no wrap-round

    struct Row { int w, h; double step; int sleep; } rows[] = {
        {300, 200, 0.8, 12}, {10, 100, 1.0, 15}, {11, 100, 0.6, 9}, {100, 100, 0.6, 9},
        {100, 300, 0.7, 10}, {300, 300, 0.9, 13}, {500, 500, 1.0, 15}, {500, 1000, 1.75, 26},
        {1000, 501, 2.2, 33},
    };
    for (const Row& r : rows) {
        const FadeStep f = FadeStepFor(r.w, r.h);
        EXPECT_DOUBLE_EQ(f.step, r.step) << r.w << "x" << r.h;
        EXPECT_EQ(f.sleepMs, r.sleep) << r.w << "x" << r.h;
        EXPECT_EQ(f.sleepMs, static_cast<int>(f.step * 15)) << r.w << "x" << r.h;
    }
}

}  // namespace
