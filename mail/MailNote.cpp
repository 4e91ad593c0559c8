#include "mail/MailNote.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "base/Seams.h"
#include "store/IniFile.h"

namespace {
constexpr char kProduct[] = "Pinwell";
constexpr char kVersion[] = "3.lan";
// The end of the notice that stands between the readable text and the data.
constexpr char kNoticeEnd[] = "program will delete this email message.";

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}
}  // namespace

std::string MailProductLabel() { return Upper(std::string(kProduct) + " " + kVersion); }

std::string EmailFromText(const std::string& noteData, const std::string& userName,
                          const std::string& computerLabel) {
    const std::size_t tilde = noteData.find('~');
    std::string from = tilde == std::string::npos ? "MYCOMPUTER" : noteData.substr(0, tilde);
    if (from == "ANONYMOUS" || userName.empty()) return from;
    from = userName;
    if (!computerLabel.empty()) from += ", " + computerLabel;
    return from;
}

std::string NoteEmailSubject(const std::string& fromText) {
    return std::string(kNoteSubjectPrefix) + " " + fromText;
}

std::string NoteEmailBody(const std::string& fromText, const std::string& plainText,
                          const std::string& noteData) {
    const std::string label = MailProductLabel();
    std::string body = "(1) " + label + " MESSAGE TEXT FROM : " + fromText + " \n\n";
    body += plainText + "\n\n";
    body += "(2) " + label + " IMPORTANT NOTICE AND NOTE DATA ";
    // The empty third word after the version leaves two blanks before
    // "Version", as every note e-mail has always read.
    body += std::string("\n\nThis message was sent with ") + kProduct + " " + kVersion + " " +
            " Version program. Message contains data needed for creating desktop note. For reading note data "
            "you must start program and select <Check for email notes> option in program taskbar icon menu on "
            "right click. After creating received note on your desktop, " + kNoticeEnd + "\n\n";
    body += kNoteDataBegin;
    body += noteData;
    body += kNoteDataEnd;
    return body;
}

bool IsNoteEmailSubject(const char* subject) {
    return subject && std::strncmp(subject, kNoteSubjectPrefix, sizeof kNoteSubjectPrefix - 1) == 0;
}

std::optional<std::string> NoteDataFromEmailBody(const char* body) {
    if (!body) return std::nullopt;
    const std::string text(body);
    // The note's own text comes before the notice and may hold the markers;
    // its data, after the notice, may hold them too.
    std::size_t begin = std::string::npos;
    if (const std::size_t notice = text.find(kNoticeEnd); notice != std::string::npos)
        begin = text.find(kNoteDataBegin, notice);
    if (begin == std::string::npos) begin = text.find(kNoteDataBegin);
    const std::size_t end = text.rfind(kNoteDataEnd);
    if (begin == std::string::npos || end == std::string::npos) return std::nullopt;
    const std::size_t from = begin + std::strlen(kNoteDataBegin);
    // An "<END>" only before the "<BEGIN>" frames nothing.
    if (end < from) return std::string();
    std::string data;
    data.reserve(end - from);
    for (std::size_t i = from; i < end; ++i) {
        if (text[i] == '\r' && i + 1 < end && text[i + 1] == '\n') {
            ++i;
            continue;
        }
        data += text[i];
    }
    return data;
}

EmailHandOver HandOverEmailNote(const std::string& dataFile, const std::string& noteData, int pollMs,
                                const std::atomic<bool>& abandon, const std::function<void()>& written,
                                const std::function<bool(const std::string&)>& fits) {
    const std::string& file = ResolveDataFile(dataFile);
    // Only this thread writes the value and the user thread only empties it:
    // once seen empty it stays empty until the write below.
    while (!ini::Read(file, kEmailNoteSection, kEmailNoteKey).empty()) {
        if (abandon) return EmailHandOver::Abandoned;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    if (abandon) return EmailHandOver::Abandoned;
    if (fits && !fits(noteData)) return EmailHandOver::Refused;
    if (!ini::Write(file, kEmailNoteSection, kEmailNoteKey, noteData)) {
        ShowNotice("Error writing to ini file.");
        return EmailHandOver::Failed;
    }
    if (written) written();
    return EmailHandOver::Written;
}

std::string EmailNotSentLine(const std::string& recipient, bool mailSystemMissing) {
    return recipient + (mailSystemMissing
                            ? " : Note was not sent by email. Mail system support is not available.\n"
                            : " : Note was not sent by email.\n");
}
