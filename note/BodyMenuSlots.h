// What the body menu shows in its rebuilt parts, worked out from the main
// data file without touching a window: the saved groups under "Send note to"
// and the saved themes under "Theme". Also the small size arithmetic the
// body's font commands share.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

// Command of each group slot, in slot order (the numbers are not
// consecutive). 32950 is only the place holder the rebuild works around.
constexpr std::array<unsigned, 20> kGroupSlotCommands = {
    32863, 32864, 32865, 32866, 32867, 32868, 32869, 32870, 32871, 32872,
    32875, 32941, 32942, 32943, 32944, 32945, 32946, 32947, 32948, 32949};
constexpr unsigned kGroupPlaceholderCommand = 32950;

// Saved theme k (record 91001 + k) is command 32919 + k; 32939 is only the
// place holder.
constexpr unsigned kFirstSavedThemeCommand = 32919;
constexpr unsigned kThemePlaceholderCommand = 32939;
#include "note/ThemeStore.h"  // kSavedThemeSlots

enum class GroupPicture { None, Recipient, Group };

struct GroupSlot {
    unsigned command = 0;
    std::string name;
    GroupPicture picture = GroupPicture::None;
};

struct GroupSlots {
    // False when the name list holds no group at all: the menu then shows
    // the greyed "Saved group" instead.
    bool anyGroup = false;
    std::vector<GroupSlot> slots;
};

// From the text of ListNames (names each followed by "~") and a way to read
// a group's member list (recipients each followed by "~"). Names after the
// twentieth are dropped; an empty name uses up its slot without an item.
GroupSlots BuildGroupSlots(const std::string& listNames,
                           const std::function<std::string(const std::string&)>& membersOf);
// The same from RECIPIENTS_LIST of the main data file.
GroupSlots ReadGroupSlots();

struct ThemeSlot {
    unsigned command = 0;
    std::string name;
};

// Saved themes with a name in SAVED_THEMES, in slot order, from the main
// data file.
std::vector<ThemeSlot> ReadThemeSlots();

// MulDiv of Windows: a * b / c rounded half away from zero; -1 when c is 0.
int MulDivRounded(int a, int b, int c);

// A point size as the control can show it on a screen of that many pixels
// per inch: to whole pixels and back to whole points.
int PointsThroughPixels(int points, int pixelsPerInch);

// The character height (twips) one size step away from heightTwips. Sizes
// never go below 1 point; there is no upper bound.
int StepFontHeight(int heightTwips, bool increase, int pixelsPerInch);

// Style letters for a font chosen in the font dialog: "B" only for exactly
// bold (700), then "I", "U", "S".
std::string FontTypeFromChoice(int weight, bool italic, bool underline, bool strikeout);
