// The rules behind the paragraph, password and text-input dialogs, kept apart
// from the windows so that they can be checked on any platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// ---- Text ---------------------------------------------------------------------

// Removes leading and trailing blanks (spaces, tabs and line breaks).
std::string TrimBlanks(std::string_view text);

// ---- Paragraph format -----------------------------------------------------------

// Start indent, right indent, alignment and numbering: the only parts of a
// paragraph format the dialog changes (PFM_STARTINDENT | PFM_RIGHTINDENT |
// PFM_ALIGNMENT | PFM_NUMBERING).
inline constexpr std::uint32_t kParagraphMask = 43;

// Rich-edit alignment and numbering values.
inline constexpr std::uint16_t kAlignLeft = 1;
inline constexpr std::uint16_t kAlignRight = 2;
inline constexpr std::uint16_t kAlignCenter = 3;
inline constexpr std::uint16_t kNumberingBullet = 1;

// Indentations are shown in whole millimetres; one millimetre is 56.7 twips.
// Shown values are rounded up, stored values cut toward zero, so a paragraph
// opened and confirmed unchanged can move by up to a millimetre once (100
// twips -> 2 mm -> 113 twips) and then stays put.
int TwipsToMillimetres(std::int32_t twips);
// False when the result does not fit a twips value (a 32-bit integer).
bool MillimetresToTwips(long long millimetres, std::int32_t& twips);
// The largest indentation, in millimetres, that still fits.
inline constexpr int kMaxIndentMillimetres = 37874491;

enum class IndentParse { Ok, NotANumber, OutOfRange };
// Reads an indentation edit the way the integer exchange of a dialog does:
// optional blanks, an optional sign, digits, optional blanks.
IndentParse ParseIndentMillimetres(std::string_view text, int& millimetres);

enum class ParagraphAlignment { None, Left, Center, Right };

// What the paragraph dialog shows.
struct ParagraphFields {
    ParagraphAlignment alignment = ParagraphAlignment::None;
    bool bullet = false;
    int leftMillimetres = 0;
    int rightMillimetres = 0;
};

// The parts of a rich-edit paragraph format the dialog reads and writes.
struct ParagraphValues {
    std::uint16_t numbering = 0;
    std::int32_t startIndent = 0;  // twips
    std::int32_t rightIndent = 0;  // twips
    std::uint16_t alignment = 0;
};

ParagraphFields FieldsFromParagraph(const ParagraphValues& values);
// Writes the confirmed fields back. An alignment of None keeps the stored one.
// Returns false (and changes nothing) when an indentation does not fit.
bool ApplyParagraphFields(const ParagraphFields& fields, ParagraphValues& values);

// ---- Password -------------------------------------------------------------------

enum class PasswordMode { NewPassword = 0, Verify = 1 };

inline constexpr std::size_t kMaxPasswordLength = 10;

inline constexpr char kPasswordMismatchMessage[] =
    "Please retype password again. Both values must be identical.  ";
inline constexpr char kWrongPasswordMessage[] = "Sorry wrong password entered.";
inline constexpr char kPasswordTooLongMessage[] =
    "A password can have at most 10 characters.";

enum class PasswordCheck {
    Accepted,
    PasswordEmpty,   // stay open, no message
    RetypeEmpty,     // stay open, no message
    PasswordTooLong, // stay open, message
    RetypeTooLong,   // stay open, message
    Mismatch,        // stay open, message, second field cleared
};

// Decides what OK does with the two (already trimmed) entries; the retyped
// text only counts for a new password.
PasswordCheck CheckPasswordEntry(PasswordMode mode, std::string_view password,
                                 std::string_view retyped);

// ---- Text input -----------------------------------------------------------------

enum class InputTextMode { DefaultTitle = 0, NoteTitle = 1, GroupName = 2, ThemeName = 3 };

// The caption of the text-input dialog; empty for a mode it does not know.
const char* InputTextCaption(InputTextMode mode);
