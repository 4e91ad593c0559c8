#include "dialogs/DialogLogic.h"

#include <limits>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

std::string TrimBlanks(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

// Integer arithmetic throughout: 56.7 has no exact binary form, and a product
// a hair above a whole number would round an exact millimetre up by one.
int TwipsToMillimetres(std::int32_t twips) {
    const long long tenths = static_cast<long long>(twips) * 10;
    // Division cuts toward zero, which is already "up" for negative values.
    long long mm = tenths > 0 ? (tenths + 566) / 567 : tenths / 567;
    // The extremes would round past what can be confirmed again.
    if (mm > kMaxIndentMillimetres) mm = kMaxIndentMillimetres;
    if (mm < -kMaxIndentMillimetres) mm = -kMaxIndentMillimetres;
    return static_cast<int>(mm);
}

bool MillimetresToTwips(long long millimetres, std::int32_t& twips) {
    if (millimetres > kMaxIndentMillimetres || millimetres < -kMaxIndentMillimetres) return false;
    twips = static_cast<std::int32_t>(millimetres * 567 / 10);
    return true;
}

IndentParse ParseIndentMillimetres(std::string_view text, int& millimetres) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t digitsStart = i;
    long long value = 0;
    bool overflow = false;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value <= std::numeric_limits<int>::max()) value = value * 10 + (text[i] - '0');
        else overflow = true;
    }
    if (i == digitsStart) return IndentParse::NotANumber;
    while (i < n && IsBlank(text[i])) ++i;
    if (i != n) return IndentParse::NotANumber;
    if (negative) value = -value;
    if (overflow || value > kMaxIndentMillimetres || value < -kMaxIndentMillimetres)
        return IndentParse::OutOfRange;
    millimetres = static_cast<int>(value);
    return IndentParse::Ok;
}

ParagraphFields FieldsFromParagraph(const ParagraphValues& values) {
    ParagraphFields fields;
    switch (values.alignment) {
    case kAlignLeft: fields.alignment = ParagraphAlignment::Left; break;
    case kAlignCenter: fields.alignment = ParagraphAlignment::Center; break;
    case kAlignRight: fields.alignment = ParagraphAlignment::Right; break;
    default: fields.alignment = ParagraphAlignment::None; break;
    }
    fields.bullet = values.numbering == kNumberingBullet;
    fields.leftMillimetres = TwipsToMillimetres(values.startIndent);
    fields.rightMillimetres = TwipsToMillimetres(values.rightIndent);
    return fields;
}

bool ApplyParagraphFields(const ParagraphFields& fields, ParagraphValues& values) {
    std::int32_t start = 0;
    std::int32_t right = 0;
    if (!MillimetresToTwips(fields.leftMillimetres, start) ||
        !MillimetresToTwips(fields.rightMillimetres, right))
        return false;
    switch (fields.alignment) {
    case ParagraphAlignment::Left: values.alignment = kAlignLeft; break;
    case ParagraphAlignment::Center: values.alignment = kAlignCenter; break;
    case ParagraphAlignment::Right: values.alignment = kAlignRight; break;
    case ParagraphAlignment::None: break;
    }
    values.startIndent = start;
    values.rightIndent = right;
    values.numbering = fields.bullet ? kNumberingBullet : 0;
    return true;
}

PasswordCheck CheckPasswordEntry(PasswordMode mode, std::string_view password,
                                 std::string_view retyped) {
    if (password.empty()) return PasswordCheck::PasswordEmpty;
    if (password.size() > kMaxPasswordLength) return PasswordCheck::PasswordTooLong;
    if (mode == PasswordMode::Verify) return PasswordCheck::Accepted;
    if (retyped.empty()) return PasswordCheck::RetypeEmpty;
    if (retyped.size() > kMaxPasswordLength) return PasswordCheck::RetypeTooLong;
    return password == retyped ? PasswordCheck::Accepted : PasswordCheck::Mismatch;
}

const char* InputTextCaption(InputTextMode mode) {
    switch (mode) {
    case InputTextMode::DefaultTitle: return "Change default title text";
    case InputTextMode::NoteTitle: return "Edit title text";
    case InputTextMode::GroupName: return "Save this recipients list as group";
    case InputTextMode::ThemeName: return "Save note theme as";
    }
    return "";
}
