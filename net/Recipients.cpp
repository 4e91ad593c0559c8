#include "net/Recipients.h"

#include <algorithm>
#include <utility>

#include "base/Seams.h"
#include "net/NetUtil.h"
#include "store/IniFile.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string ToLowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Key names match the way the INI engine matches them: without regard to
// case in code page 1252.
unsigned char FoldCase(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
    }
}

bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

}  // namespace

// ---- "~" lists ------------------------------------------------------------------

std::vector<std::string> SplitTildeList(std::string_view text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t tilde; (tilde = text.find('~', start)) != std::string_view::npos; start = tilde + 1)
        if (tilde > start) items.emplace_back(text.substr(start, tilde - start));
    return items;
}

std::string JoinTildeList(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += item;
        text += '~';
    }
    return text;
}

// ---- Recipients -----------------------------------------------------------------

Recipient NormaliseTypedRecipient(std::string_view typed) {
    std::size_t first = 0;
    while (first < typed.size() && IsSpace(typed[first])) ++first;
    Recipient r;
    r.text = std::string(typed.substr(first));
    r.email = CNetUtil().IsEmailAddress(r.text);
    r.text = r.email ? ToLowerAscii(std::move(r.text)) : ToUpperAscii(std::move(r.text));
    return r;
}

bool TypedRecipientAddable(std::string_view typed) {
    return !typed.empty() && typed.find(' ') == std::string_view::npos;
}

// ---- Groups ---------------------------------------------------------------------

std::string GroupNameProblem(std::string_view name) {
    if (name.find('~') != std::string_view::npos || name.find('=') != std::string_view::npos)
        return "A group name can not contain \"~\" or \"=\". Please choose another name.";
    if (!name.empty() && (name.front() == ';' || name.front() == '['))
        return "A group name can not begin with \";\" or \"[\". Please choose another name.";
    if (SameKey(name, kListNamesKey))
        return "\"ListNames\" can not be used as a group name. Please choose another name.";
    return {};
}

CGroupStore::CGroupStore(std::string path) : path_(std::move(path)) {}

std::string CGroupStore::ReadListNames() const {
    return ini::Read(ResolveDataFile(path_), kRecipientsSection, kListNamesKey, {}, kRecipientValueLimit);
}

std::vector<std::string> CGroupStore::GroupNames() const { return SplitTildeList(ReadListNames()); }

std::string CGroupStore::ReadGroup(const std::string& name) const {
    return ini::Read(ResolveDataFile(path_), kRecipientsSection, name, {}, kRecipientValueLimit);
}

bool CGroupStore::SaveGroup(const std::string& name, const std::vector<std::string>& recipients,
                            std::string* storedName) const {
    std::string listNames = ReadListNames();
    std::string useName = name;
    const std::vector<std::string> names = SplitTildeList(listNames);
    bool listed = std::find(names.begin(), names.end(), name) != names.end();
    if (!listed) {
        // The same key under another spelling: that group is the one replaced.
        for (const std::string& token : names) {
            if (SameKey(token, name)) {
                useName = token;
                listed = true;
                break;
            }
        }
    }
    if (!listed) listNames += name + "~";

    // One file replacement for both values: a failure never leaves a listed
    // name without its group, or a group the menus cannot reach.
    ini::Batch batch(ResolveDataFile(path_));
    batch.Write(kRecipientsSection, kListNamesKey, listNames);
    batch.Write(kRecipientsSection, useName, JoinTildeList(recipients));
    if (!batch.Commit()) {
        ShowNotice("Error writing to ini file.");
        return false;
    }
    if (storedName) *storedName = useName;
    return true;
}

bool CGroupStore::DeleteGroup(const std::string& name) const {
    // Every entry that names the deleted key goes, in whatever case it was
    // listed; the other names stay exactly as they were, separators and all.
    const std::string listNames = ReadListNames();
    std::string kept;
    std::size_t start = 0;
    for (std::size_t tilde; (tilde = listNames.find('~', start)) != std::string::npos; start = tilde + 1) {
        const std::string_view token(listNames.data() + start, tilde - start);
        if (!SameKey(token, name)) kept.append(listNames, start, tilde - start + 1);
    }
    kept.append(listNames, start, std::string::npos);

    ini::Batch batch(ResolveDataFile(path_));
    batch.DeleteKey(kRecipientsSection, name);
    batch.Write(kRecipientsSection, kListNamesKey, kept);
    if (!batch.Commit()) {
        ShowNotice("Error deleting Recipient List.");
        return false;
    }
    return true;
}

// ---- Sent-from identity ---------------------------------------------------------

IdentityFields IdentityFromSentFrom(const std::string& sentFrom, const std::string& computerName) {
    const CNetUtil util;
    IdentityFields f;
    if (sentFrom.empty()) {
        f.type = IdentityType::ComputerName;
        f.text = computerName;
        // A computer without a readable host name lets the user say who it is.
        f.editable = computerName == "MYCOMPUTER";
    } else if (util.IsIpAddress(sentFrom)) {
        f.type = IdentityType::IpAddress;
        f.text = sentFrom;
    } else if (util.IsEmailAddress(sentFrom)) {
        f.type = IdentityType::Email;
        f.text = sentFrom;
        f.editable = true;
    } else if (sentFrom == "ANONYMOUS") {
        f.type = IdentityType::Anonymous;
        f.text = "ANONYMOUS";
    } else if (sentFrom.compare(0, 5, "Name:") == 0) {
        f.type = IdentityType::Name;
        f.text = sentFrom.substr(5);
        f.editable = true;
    } else {
        f.changeText = false;
        f.changeEditable = false;
    }
    return f;
}

IdentityFields IdentityForType(IdentityType type, const std::string& currentText, const IdentityLookups& lookups) {
    const CNetUtil util;
    IdentityFields f;
    f.type = type;
    switch (type) {
    case IdentityType::ComputerName:
        f.text = lookups.computerName();
        break;
    case IdentityType::IpAddress:
        if (util.IsIpAddress(currentText)) {
            f.text = currentText;
        } else {
            f.text = lookups.localIpAddress();
            if (f.text.empty()) f.text = "ERROR";
        }
        break;
    case IdentityType::Email:
        f.text = util.IsEmailAddress(currentText) ? currentText : std::string();
        f.editable = true;
        break;
    case IdentityType::Anonymous:
        f.text = "ANONYMOUS";
        break;
    case IdentityType::Name:
        f.text = lookups.userDisplayName();
        f.editable = true;
        break;
    case IdentityType::None:
        f.changeText = false;
        f.changeEditable = false;
        break;
    }
    return f;
}

IdentityCheck CheckIdentity(IdentityType type, const std::string& text) {
    const CNetUtil util;
    IdentityCheck check;
    check.identity = text;
    switch (type) {
    case IdentityType::IpAddress:
        if (!util.IsIpAddress(text)) {
            check.message = "IP Address in \"Default sent from:\" field is not valid ...";
            check.focus = IdentityCheck::Focus::TypeList;
        }
        break;
    case IdentityType::Email:
        if (!util.IsEmailAddress(text)) {
            check.message = "Email you have entered in \"Sent from:\" field is not valid ...";
            check.focus = IdentityCheck::Focus::Text;
        }
        break;
    case IdentityType::Name:
        // Blanks alone would arrive as a title with no name in it.
        if (std::all_of(text.begin(), text.end(), IsSpace)) {
            check.message = "Name in \"Sent from:\" field can not be empty ...";
            check.focus = IdentityCheck::Focus::Text;
        } else {
            check.identity = "Name:" + text;
        }
        break;
    default:
        break;
    }
    return check;
}
