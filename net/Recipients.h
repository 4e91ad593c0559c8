// Recipients of the send dialog, the saved recipient groups of the main data
// file and the rules for the sent-from identity the dialog offers.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

constexpr char kRecipientsSection[] = "RECIPIENTS_LIST";
constexpr char kListNamesKey[] = "ListNames";
// Group values and the name list are read with room for this many characters.
constexpr std::size_t kRecipientValueLimit = 10239;

// ---- "~" lists ------------------------------------------------------------------

// The tokens of a list whose items are each followed by "~". Empty tokens are
// skipped, and text after the last "~" (what is left of an item cut by a
// short read) is not an item.
std::vector<std::string> SplitTildeList(std::string_view text);
// Every item followed by "~".
std::string JoinTildeList(const std::vector<std::string>& items);

// ---- Recipients -----------------------------------------------------------------

struct Recipient {
    std::string text;
    bool email = false;
};

// A typed recipient as the list takes it: leading white space removed, an
// e-mail address in lower case, anything else (a computer name or an IP
// address) in upper case. The text is empty when nothing was typed.
Recipient NormaliseTypedRecipient(std::string_view typed);
// Whether "Add" may take the typed text: something typed and no space in it.
bool TypedRecipientAddable(std::string_view typed);

// ---- Groups ---------------------------------------------------------------------

// Why a group name cannot be stored, or "" when it can. A "~" would split the
// name in the name list, "=" and a leading ";" or "[" cannot be stored as a
// key, and "ListNames" is the key of the name list itself.
std::string GroupNameProblem(std::string_view name);

// The groups in RECIPIENTS_LIST of a data file. Failed writes show "Error
// writing to ini file." (saving) or "Error deleting Recipient List."
// (deleting) through the notice seam and leave the file as it was: the name
// list and the group value always change together.
class CGroupStore {
public:
    // An empty path means the main data file.
    explicit CGroupStore(std::string path = {});

    std::string ReadListNames() const;
    // The non-empty names of ListNames, in stored order.
    std::vector<std::string> GroupNames() const;
    std::string ReadGroup(const std::string& name) const;

    // Stores the recipients (list order, top first) under name: a new name is
    // appended to ListNames, an existing one keeps its place and its group is
    // replaced. Keys match without regard to case, so a name that differs
    // from a stored one only in case replaces that group and keeps the stored
    // spelling; storedName receives the name as stored. False on failure.
    bool SaveGroup(const std::string& name, const std::vector<std::string>& recipients,
                   std::string* storedName = nullptr) const;
    // Removes the group's value and every entry of the name in ListNames.
    // False on failure.
    bool DeleteGroup(const std::string& name) const;

private:
    std::string path_;
};

// ---- Sent-from identity ---------------------------------------------------------

// The entries of the "Sent from :" list, by index.
enum class IdentityType { None = -1, ComputerName = 0, IpAddress = 1, Email = 2, Anonymous = 3, Name = 4 };

// What the identity controls are set to. A false change flag leaves that part
// of the controls as it is.
struct IdentityFields {
    IdentityType type = IdentityType::None;
    bool changeText = true;
    std::string text;
    bool changeEditable = true;
    bool editable = false;
};

// The controls when the dialog opens, from the SentFrom setting.
IdentityFields IdentityFromSentFrom(const std::string& sentFrom, const std::string& computerName);

// The look-ups a change of type may need; each is called only when needed.
struct IdentityLookups {
    std::function<std::string()> computerName;
    // The local computer's address, "" when it does not resolve.
    std::function<std::string()> localIpAddress;
    std::function<std::string()> userDisplayName;
};

// The controls after the user picks another type.
IdentityFields IdentityForType(IdentityType type, const std::string& currentText, const IdentityLookups& lookups);

struct IdentityCheck {
    enum class Focus { None, TypeList, Text };
    // "" when the identity can be sent.
    std::string message;
    Focus focus = Focus::None;
    // Field 1 of the note data.
    std::string identity;
};

// Checks the identity before sending.
IdentityCheck CheckIdentity(IdentityType type, const std::string& text);
