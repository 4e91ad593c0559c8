#include "note/BodyMenuSlots.h"

#include <algorithm>
#include <cstdint>

#include "base/Seams.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"

namespace {

constexpr char kRecipientsSection[] = "RECIPIENTS_LIST";

}  // namespace

GroupSlots BuildGroupSlots(const std::string& listNames,
                           const std::function<std::string(const std::string&)>& membersOf) {
    GroupSlots result;
    if (listNames.find('~') == std::string::npos) return result;
    result.anyGroup = true;
    std::size_t from = 0;
    for (unsigned command : kGroupSlotCommands) {
        const std::size_t tilde = listNames.find('~', from);
        if (tilde == std::string::npos) break;
        std::string name = listNames.substr(from, tilde - from);
        from = tilde + 1;
        if (name.empty()) continue;
        const std::string members = membersOf(name);
        const auto count = std::count(members.begin(), members.end(), '~');
        GroupSlot slot;
        slot.command = command;
        slot.picture = count == 0 ? GroupPicture::None
                       : count == 1 ? GroupPicture::Recipient
                                    : GroupPicture::Group;
        slot.name = std::move(name);
        result.slots.push_back(std::move(slot));
    }
    return result;
}

GroupSlots ReadGroupSlots() {
    const std::string& path = MainDataFilePath();
    return BuildGroupSlots(ini::Read(path, kRecipientsSection, "ListNames"),
                           [&](const std::string& name) { return ini::Read(path, kRecipientsSection, name); });
}

std::vector<ThemeSlot> ReadThemeSlots() {
    std::vector<ThemeSlot> slots;
    for (SavedThemeRow& row : SavedThemeMenuItems())
        slots.push_back({kFirstSavedThemeCommand + static_cast<unsigned>(row.id - kFirstSavedThemeId),
                         std::move(row.name)});
    return slots;
}

int MulDivRounded(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t n = product < 0 ? -product : product;
    const std::int64_t d = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t q = (n + d / 2) / d;
    return static_cast<int>(negative ? -q : q);
}

int PointsThroughPixels(int points, int pixelsPerInch) {
    if (pixelsPerInch <= 0) return points;
    return MulDivRounded(MulDivRounded(points, pixelsPerInch, 72), 72, pixelsPerInch);
}

int StepFontHeight(int heightTwips, bool increase, int pixelsPerInch) {
    int points = heightTwips / 20;
    points = increase ? points + 1 : std::max(points - 1, 1);
    return std::max(PointsThroughPixels(points, pixelsPerInch), 1) * 20;
}

std::string FontTypeFromChoice(int weight, bool italic, bool underline, bool strikeout) {
    std::string type;
    if (weight == 700) type += 'B';
    if (italic) type += 'I';
    if (underline) type += 'U';
    if (strikeout) type += 'S';
    return type;
}
