// Internet message format for the mail provider: building what we send and
// reading what the Inbox holds. No <windows.h> here: it is tested natively.
// Text handed to and from Simple MAPI callers is in the system's ANSI code
// page: 1252 unless another is installed with SetAnsiCodePage.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pwmail {

std::string Base64Encode(const std::string& data, size_t lineLength = 76);
std::string Base64Decode(const std::string& text);
std::string QuotedPrintableEncode(const std::string& text);
std::string QuotedPrintableDecode(const std::string& text);

// Every line end (CRLF, lone LF, lone CR) becomes CRLF.
std::string NormalizeLineEnds(const std::string& text);
// The DATA section of an SMTP transaction: CRLF line ends, a dot doubled at
// the start of a line, and the terminating "." line.
std::string SmtpDataBlock(const std::string& message);

std::string Cp1252ToUtf8(const std::string& text);
std::string Utf8ToCp1252(const std::string& text);
// The system's ANSI code page where it is not 1252 (the Windows side knows it).
class AnsiCodePage {
public:
    virtual ~AnsiCodePage() = default;
    virtual std::string ToUtf8(const std::string& ansi) const = 0;
    virtual std::string FromUtf8(const std::string& utf8) const = 0;  // '?' for what it cannot hold
    // Text in a MIME charset (lower case) to UTF-8; false for one it does not know.
    virtual bool CharsetToUtf8(const std::string& text, const std::string& charset, std::string& utf8) const = 0;
};
// nullptr: code page 1252, converted here. Set before any other call.
void SetAnsiCodePage(const AnsiCodePage* codePage);

// Converts text in the named charset to the ANSI code page; charsets we do
// not know pass through unchanged.
std::string CharsetToAnsi(const std::string& text, const std::string& charset);

// A header value: RFC 2047 encoded words only when needed.
std::string EncodeHeaderText(const std::string& text);
std::string DecodeHeaderText(const std::string& text);

struct Address {
    std::string name;  // display name, may be empty
    std::string addr;  // local@domain
};
std::vector<Address> ParseAddressList(const std::string& value);
// A bare address from "SMTP:a@b", "a@b" or "Name <a@b>"; empty when none.
std::string ExtractAddress(const std::string& text);

// "Tue, 04 Mar 2025 14:05:09 +0100" from a local time and its UTC offset.
struct LocalTime {
    int year, month, day, hour, minute, second, offsetMinutes;
};
std::string FormatMailDate(const LocalTime& t);
// Seconds since 1970 (UTC) of an RFC 5322 date; false when it does not parse.
bool ParseMailDate(const std::string& value, int64_t& utcSeconds);

struct Attachment {
    std::string fileName;
    std::string data;
};

struct OutgoingMail {
    Address from;
    std::vector<Address> to, cc;  // Bcc recipients go only into the envelope
    std::string subject;          // ANSI
    std::string text;             // ANSI, any line ends
    std::vector<Attachment> attachments;
    std::string date;             // FormatMailDate
    std::string messageId;        // without the angle brackets
};
// The message with CRLF line ends, no line over 998 characters.
// boundary must not occur in the content (a random token does).
std::string BuildMessage(const OutgoingMail& mail, const std::string& boundary);

struct ParsedMail {
    std::string subject;       // ANSI
    Address from;
    std::vector<Address> to, cc;
    std::string date;          // raw Date header
    std::string text;          // first text part, ANSI, CRLF line ends
    std::vector<Attachment> attachments;
};
// headersOnly: the raw text holds only the header block.
ParsedMail ParseMessage(const std::string& raw, bool headersOnly = false);

std::string ContentTypeForFile(const std::string& fileName);

}  // namespace pwmail
