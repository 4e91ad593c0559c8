#include "mail/provider/MailFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>

namespace pwmail {

namespace {

const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

const char kHex[] = "0123456789ABCDEF";

// Unicode of the bytes 0x80-0x9F in code page 1252; the five holes map to
// themselves, as Windows does.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char CodePointToCp1252(uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

bool IsAsciiText(const std::string& s)
{
    for (unsigned char c : s)
        if (c >= 0x80 || (c < 0x20 && c != '\t')) return false;
    return true;
}

// Calls fn(line, last) for each line of text, whatever its line ends; the
// last line is the one no line end follows (empty when text ends in one).
template <class Fn> void ForEachLine(const std::string& text, Fn fn)
{
    std::string in = NormalizeLineEnds(text);
    for (size_t pos = 0;;) {
        size_t eol = in.find("\r\n", pos);
        bool last = eol == std::string::npos;
        fn(in.substr(pos, last ? std::string::npos : eol - pos), last);
        if (last) return;
        pos = eol + 2;
    }
}

const AnsiCodePage* g_ansi = nullptr;

// Text of the system's code page as it goes out: code page 1252 as it is,
// any other as UTF-8, which every mail program reads.
const char* OutgoingCharset()
{
    return g_ansi ? "utf-8" : "windows-1252";
}

std::string Outgoing(const std::string& ansi)
{
    return g_ansi ? g_ansi->ToUtf8(ansi) : ansi;
}

std::string CodePointToAnsi(uint32_t cp)
{
    if (!g_ansi) return std::string(1, CodePointToCp1252(cp));
    std::string utf8;
    if (cp < 0x80) utf8 += static_cast<char>(cp);
    else if (cp < 0x800) utf8 += {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 63))};
    else if (cp < 0x10000)
        utf8 += {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 63)), static_cast<char>(0x80 | (cp & 63))};
    else
        return "?";
    return g_ansi->FromUtf8(utf8);
}

// RFC 3676: lines that end in a space go on in the next one; quoted lines
// keep their depth; DelSp removes the space that marked the line.
std::string Unflow(const std::string& text, bool delSp)
{
    std::string out;
    bool open = false;
    size_t openDepth = 0;
    ForEachLine(text, [&](const std::string& raw, bool last) {
        size_t depth = 0;
        while (depth < raw.size() && raw[depth] == '>') ++depth;
        std::string line = raw.substr(depth);
        if (!line.empty() && line[0] == ' ') line.erase(0, 1);  // space-stuffing
        bool flowed = !line.empty() && line.back() == ' ' && line != "-- ";
        if (open && depth != openDepth) out += "\r\n";
        if (!open || depth != openDepth) out += std::string(depth, '>') + (depth ? " " : "");
        if (flowed && delSp) line.pop_back();
        out += line;
        open = flowed;
        openDepth = depth;
        if (!flowed && !last) out += "\r\n";
    });
    return out;
}

// Header name (lower case) -> unfolded value; the first occurrence wins.
using Headers = std::map<std::string, std::string>;

// Views into msg, which must outlive body: a deeply nested message is
// never copied once per level.
void SplitHeaderBlock(std::string_view msg, Headers& headers, std::string_view& body)
{
    size_t end = msg.rfind("\r\n", 0) == 0 ? 0 : msg.find("\r\n\r\n");
    std::string_view block;
    if (end == std::string_view::npos) {
        block = msg;
        body = {};
    } else {
        block = msg.substr(0, end ? end + 2 : 0);
        body = msg.substr(end ? end + 4 : 2);
    }
    std::string name, value;
    auto flush = [&] {
        if (!name.empty() && !headers.count(name)) headers[name] = Trim(value);
        name.clear();
        value.clear();
    };
    size_t pos = 0;
    while (pos < block.size()) {
        size_t eol = block.find("\r\n", pos);
        if (eol == std::string_view::npos) eol = block.size();
        std::string line(block.substr(pos, eol - pos));
        pos = eol + 2;
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            value += line;  // unfolding keeps the whitespace
            continue;
        }
        flush();
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        name = Lower(Trim(line.substr(0, colon)));
        value = line.substr(colon + 1);
    }
    flush();
}

// "type/subtype; a=b; c="d"" -> lower-case type and lower-case parameter names.
struct ContentType {
    std::string type = "text/plain";
    std::map<std::string, std::string> params;
};

// Turns ESCAPE and two hex digits into that byte (%41 in RFC 2231 values,
// =41 in quoted-printable); an escape without two hex digits stays as it is.
std::string DecodeHexEscapes(const std::string& s, char escape)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == escape && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

ContentType ParseContentType(const std::string& value, const std::string& fallback)
{
    ContentType ct;
    ct.type = fallback;
    size_t semi = value.find(';');
    std::string type = Lower(Trim(value.substr(0, semi)));
    if (type.find('/') != std::string::npos) ct.type = type;
    size_t pos = semi;
    while (pos != std::string::npos && pos < value.size()) {
        ++pos;
        size_t eq = value.find('=', pos);
        if (eq == std::string::npos) break;
        std::string name = Lower(Trim(value.substr(pos, eq - pos)));
        size_t v = eq + 1;
        while (v < value.size() && (value[v] == ' ' || value[v] == '\t')) ++v;
        std::string val;
        if (v < value.size() && value[v] == '"') {
            ++v;
            while (v < value.size() && value[v] != '"') {
                if (value[v] == '\\' && v + 1 < value.size()) ++v;
                val += value[v++];
            }
            pos = value.find(';', v);
        } else {
            size_t e = value.find(';', v);
            val = Trim(value.substr(v, e == std::string::npos ? std::string::npos : e - v));
            pos = e;
        }
        // RFC 2231: name*=charset'lang'percent-encoded
        if (!name.empty() && name.back() == '*') {
            name.pop_back();
            size_t q1 = val.find('\''), q2 = q1 == std::string::npos ? q1 : val.find('\'', q1 + 1);
            std::string charset = q1 == std::string::npos ? "" : val.substr(0, q1);
            val = CharsetToAnsi(DecodeHexEscapes(q2 == std::string::npos ? val : val.substr(q2 + 1), '%'), charset);
            ct.params[name] = val;
            continue;
        }
        if (!ct.params.count(name)) ct.params[name] = DecodeHeaderText(val);
    }
    return ct;
}

std::string DecodeTransfer(std::string_view body, const std::string& encoding)
{
    std::string e = Lower(Trim(encoding));
    if (e == "base64") return Base64Decode(std::string(body));
    if (e == "quoted-printable") return QuotedPrintableDecode(std::string(body));
    return std::string(body);
}

std::string StripHtml(const std::string& html)
{
    std::string out;
    bool inTag = false;
    for (size_t i = 0; i < html.size(); ++i) {
        char c = html[i];
        if (inTag) {
            if (c == '>') inTag = false;
            continue;
        }
        if (c == '<') {
            std::string tag = Lower(html.substr(i + 1, 7));
            if (tag.rfind("br", 0) == 0 || tag.rfind("/p", 0) == 0 || tag.rfind("/di", 0) == 0) out += "\r\n";
            // Style sheets and scripts are not text for people.
            for (const char* hidden : {"style", "script"}) {
                if (tag.rfind(hidden, 0) != 0 || std::isalnum(static_cast<unsigned char>(tag[std::strlen(hidden)]))) continue;
                size_t end = Lower(html).find(std::string("</") + hidden, i);
                i = end == std::string::npos ? html.size() : end;
                break;
            }
            inTag = true;
            continue;
        }
        if (c == '&' && i + 2 < html.size() && html[i + 1] == '#') {
            bool hex = html[i + 2] == 'x' || html[i + 2] == 'X';
            size_t digits = i + (hex ? 3 : 2), end = digits;
            while (end < html.size() && end - digits < 8 && std::isxdigit(static_cast<unsigned char>(html[end])) &&
                   (hex || std::isdigit(static_cast<unsigned char>(html[end]))))
                ++end;
            if (end > digits && end < html.size() && html[end] == ';') {
                out += CodePointToAnsi(static_cast<uint32_t>(std::strtoul(html.substr(digits, end - digits).c_str(), nullptr, hex ? 16 : 10)));
                i = end;
                continue;
            }
        }
        if (c == '&') {
            static const std::pair<const char*, char> entities[] = {
                {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&nbsp;", ' '}, {"&apos;", '\''}};
            bool done = false;
            for (auto& [name, ch] : entities) {
                size_t n = std::strlen(name);
                if (html.compare(i, n, name) == 0) {
                    out += ch;
                    i += n - 1;
                    done = true;
                    break;
                }
            }
            if (done) continue;
        }
        out += c;
    }
    return out;
}

// Beyond these a message is a bomb, not mail: the rest of it is left unread.
constexpr int kMaxDepth = 20;
constexpr int kMaxParts = 1000;

struct PartWalker {
    ParsedMail& mail;
    std::string html;
    bool haveText = false;
    int depth = 0;
    int parts = 0;

    void Walk(std::string_view entity, const std::string& defaultType)
    {
        if (++parts > kMaxParts) return;
        Headers h;
        std::string_view body;
        SplitHeaderBlock(entity, h, body);
        ContentType ct = ParseContentType(h["content-type"], defaultType);
        std::string disposition = Lower(h["content-disposition"]);
        ContentType disp = ParseContentType("x/x;" + (disposition.find(';') == std::string::npos ? std::string() : h["content-disposition"].substr(h["content-disposition"].find(';') + 1)), "x/x");
        bool isAttachment = disposition.rfind("attachment", 0) == 0;

        if (ct.type.rfind("multipart/", 0) == 0 && depth < kMaxDepth) {
            std::string boundary = ct.params["boundary"];
            if (boundary.empty()) return;
            std::string child = ct.type == "multipart/digest" ? "message/rfc822" : "text/plain";
            std::string delim = "--" + boundary;
            // Parts begin after a delimiter line; the close delimiter ends them.
            size_t pos = 0;
            size_t start = std::string::npos;
            ++depth;
            while (pos <= body.size()) {
                size_t eol = body.find("\r\n", pos);
                if (eol == std::string_view::npos) eol = body.size();
                std::string rest;
                bool isDelim = body.substr(pos, delim.size()) == delim;
                if (isDelim) {
                    rest = Trim(std::string(body.substr(pos + delim.size(), eol - pos - delim.size())));
                    isDelim = rest.empty() || rest == "--";  // not a longer boundary that begins alike
                }
                if (isDelim) {
                    if (start != std::string::npos) {
                        size_t end = pos >= 2 ? pos - 2 : pos;  // the CRLF before the delimiter belongs to it
                        Walk(body.substr(start, end > start ? end - start : 0), child);
                    }
                    if (rest == "--") {
                        start = std::string::npos;
                        break;
                    }
                    start = eol + 2;
                }
                if (eol >= body.size()) break;
                pos = eol + 2;
            }
            if (start != std::string::npos && start < body.size() && parts < kMaxParts)  // no close delimiter
                Walk(body.substr(start), child);
            --depth;
            return;
        }

        std::string data = DecodeTransfer(body, h["content-transfer-encoding"]);
        if (!isAttachment && (ct.type == "text/plain" || ct.type == "text/html")) {
            std::string charset = ct.params.count("charset") ? ct.params["charset"] : "us-ascii";
            std::string text = NormalizeLineEnds(CharsetToAnsi(data, charset));
            if (ct.type == "text/plain" && !haveText) {
                mail.text = Lower(ct.params["format"]) == "flowed" ? Unflow(text, Lower(ct.params["delsp"]) == "yes") : text;
                haveText = true;
                return;
            }
            if (ct.type == "text/html" && html.empty()) {
                html = text;
                return;
            }
        }
        Attachment a;
        a.fileName = disp.params.count("filename") ? disp.params["filename"] : ct.params["name"];
        if (a.fileName.empty())
            a.fileName = ct.type == "message/rfc822" ? "message.eml" : "attachment" + std::to_string(mail.attachments.size() + 1) + ".bin";
        // Only a plain file name: a path from the sender must not choose where it is written.
        size_t slash = a.fileName.find_last_of("/\\:");
        if (slash != std::string::npos) a.fileName = a.fileName.substr(slash + 1);
        a.data = std::move(data);
        mail.attachments.push_back(std::move(a));
    }
};

std::string QEncodeWords(const std::string& ansi)
{
    // Each encoded word stays within 75 characters and holds whole
    // characters; words are joined by a fold.
    const std::string head = std::string("=?") + OutgoingCharset() + "?Q?";
    std::string out, word;
    for (unsigned char c : Outgoing(ansi)) {
        std::string piece;
        if (std::isalnum(c) || std::strchr("!*+-/", c))
            piece = std::string(1, static_cast<char>(c));
        else if (c == ' ')
            piece = "_";
        else {
            piece = "=";
            piece += kHex[c >> 4];
            piece += kHex[c & 15];
        }
        bool continuation = g_ansi && (c & 0xC0) == 0x80;
        size_t limit = g_ansi ? 75 - 9 : 75;  // room for the rest of a UTF-8 character
        if (!continuation && head.size() + word.size() + piece.size() + 2 > limit) {
            if (!out.empty()) out += "\r\n ";
            out += head + word + "?=";
            word.clear();
        }
        word += piece;
    }
    if (!out.empty()) out += "\r\n ";
    out += head + word + "?=";
    return out;
}

std::string FormatAddress(const Address& a)
{
    if (a.name.empty() || a.name == a.addr) return "<" + a.addr + ">";
    std::string name;
    if (IsAsciiText(a.name) && a.name.size() < 200) {
        name = "\"";
        for (char c : a.name) {
            if (c == '"' || c == '\\') name += '\\';
            name += c;
        }
        name += "\"";
    } else {
        name = QEncodeWords(a.name);
    }
    return name + " <" + a.addr + ">";
}

std::string FormatAddressList(const std::vector<Address>& list)
{
    std::string out;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i) out += ",\r\n ";
        out += FormatAddress(list[i]);
    }
    return out;
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};

}  // namespace

std::string Base64Encode(const std::string& data, size_t lineLength)
{
    std::string out;
    out.reserve(data.size() * 4 / 3 + data.size() / 38 + 8);
    size_t lineChars = 0;
    for (size_t i = 0; i < data.size(); i += 3) {
        uint32_t n = static_cast<unsigned char>(data[i]) << 16;
        if (i + 1 < data.size()) n |= static_cast<unsigned char>(data[i + 1]) << 8;
        if (i + 2 < data.size()) n |= static_cast<unsigned char>(data[i + 2]);
        out += kB64[(n >> 18) & 63];
        out += kB64[(n >> 12) & 63];
        out += i + 1 < data.size() ? kB64[(n >> 6) & 63] : '=';
        out += i + 2 < data.size() ? kB64[n & 63] : '=';
        lineChars += 4;
        if (lineLength && lineChars >= lineLength && i + 3 < data.size()) {
            out += "\r\n";
            lineChars = 0;
        }
    }
    return out;
}

std::string Base64Decode(const std::string& text)
{
    std::string out;
    out.reserve(text.size() * 3 / 4);
    uint32_t acc = 0;
    int bits = 0;
    for (unsigned char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        else if (c >= '0' && c <= '9') v = c - '0' + 52;
        else if (c == '+') v = 62;
        else if (c == '/') v = 63;
        else if (c == '=') break;
        else continue;
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
}

std::string QuotedPrintableEncode(const std::string& text)
{
    std::string out;
    ForEachLine(text, [&out](const std::string& line, bool last) {
        size_t col = 0;
        for (size_t i = 0; i < line.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(line[i]);
            bool atEnd = i + 1 == line.size();
            std::string piece;
            // "From " opening a line would be changed by mail stores that keep mbox files.
            bool mboxFrom = i == 0 && line.compare(0, 5, "From ") == 0;
            if (!mboxFrom && ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !atEnd)))
                piece = std::string(1, static_cast<char>(c));
            else {
                piece = "=";
                piece += kHex[c >> 4];
                piece += kHex[c & 15];
            }
            // Soft line break: the encoded line stays at 76 characters at most.
            if (col + piece.size() > (atEnd ? 76 : 75)) {
                out += "=\r\n";
                col = 0;
            }
            out += piece;
            col += piece.size();
        }
        if (!last) out += "\r\n";
    });
    return out;
}

std::string QuotedPrintableDecode(const std::string& text)
{
    std::string out;
    ForEachLine(text, [&out](std::string line, bool last) {
        size_t keep = line.find_last_not_of(" \t");
        line.resize(keep == std::string::npos ? 0 : keep + 1);
        bool soft = !line.empty() && line.back() == '=';
        if (soft) line.pop_back();
        out += DecodeHexEscapes(line, '=');
        if (!last && !soft) out += "\r\n";
    });
    return out;
}

std::string NormalizeLineEnds(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string SmtpDataBlock(const std::string& message)
{
    std::string in = NormalizeLineEnds(message), out;
    out.reserve(in.size() + 64);
    bool lineStart = true;
    for (char c : in) {
        if (lineStart && c == '.') out += '.';
        out += c;
        lineStart = c == '\n';
    }
    if (!out.empty() && !lineStart) out += "\r\n";
    out += ".\r\n";
    return out;
}

std::string Cp1252ToUtf8(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        uint32_t cp = c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c;
        if (cp < 0x80) out += static_cast<char>(cp);
        else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 63));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 63));
            out += static_cast<char>(0x80 | (cp & 63));
        }
    }
    return out;
}

std::string Utf8ToCp1252(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        uint32_t cp;
        int len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        else { out += '?'; ++i; continue; }
        bool ok = i + len <= text.size();
        for (int k = 1; ok && k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (cc & 63);
        }
        if (!ok) { out += '?'; ++i; continue; }
        out += CodePointToCp1252(cp);
        i += len;
    }
    return out;
}

void SetAnsiCodePage(const AnsiCodePage* codePage)
{
    g_ansi = codePage;
}

std::string CharsetToAnsi(const std::string& text, const std::string& charset)
{
    std::string cs = Lower(Trim(charset));
    if (g_ansi) {
        std::string utf8;
        if (cs == "utf-8" || cs == "utf8") return g_ansi->FromUtf8(text);
        return g_ansi->CharsetToUtf8(text, cs, utf8) ? g_ansi->FromUtf8(utf8) : text;
    }
    if (cs == "utf-8" || cs == "utf8") return Utf8ToCp1252(text);
    // ISO-8859-1 is code page 1252 without the 0x80-0x9F printables; the
    // other names are the same code page.
    return text;
}

std::string EncodeHeaderText(const std::string& text)
{
    if (IsAsciiText(text) && text.size() <= 900 && text.find("=?") == std::string::npos) return text;
    return QEncodeWords(text);
}

std::string DecodeHeaderText(const std::string& text)
{
    std::string out;
    size_t pos = 0;
    bool lastWasEncoded = false;
    while (pos < text.size()) {
        size_t start = text.find("=?", pos);
        if (start == std::string::npos) {
            out += text.substr(pos);
            break;
        }
        size_t q1 = text.find('?', start + 2);
        size_t q2 = q1 == std::string::npos ? q1 : text.find('?', q1 + 1);
        size_t end = q2 == std::string::npos ? q2 : text.find("?=", q2 + 1);
        if (end == std::string::npos || q2 != q1 + 2) {
            out += text.substr(pos, start + 2 - pos);
            pos = start + 2;
            lastWasEncoded = false;
            continue;
        }
        std::string between = text.substr(pos, start - pos);
        // Whitespace between two encoded words is not part of the text.
        if (!(lastWasEncoded && Trim(between).empty())) out += between;
        std::string charset = text.substr(start + 2, q1 - start - 2);
        size_t star = charset.find('*');  // RFC 2231 language suffix
        if (star != std::string::npos) charset.resize(star);
        char enc = static_cast<char>(std::toupper(static_cast<unsigned char>(text[q1 + 1])));
        std::string payload = text.substr(q2 + 1, end - q2 - 1), decoded;
        if (enc == 'B') {
            decoded = Base64Decode(payload);
        } else {
            std::replace(payload.begin(), payload.end(), '_', ' ');  // "=5F" still gives '_'
            decoded = DecodeHexEscapes(payload, '=');
        }
        out += CharsetToAnsi(decoded, charset);
        pos = end + 2;
        lastWasEncoded = true;
    }
    return out;
}

std::vector<Address> ParseAddressList(const std::string& value)
{
    std::vector<Address> list;
    std::string item;
    bool quoted = false;
    int angle = 0;
    auto flush = [&] {
        std::string t = Trim(item);
        item.clear();
        if (t.empty()) return;
        Address a;
        size_t lt = t.rfind('<'), gt = t.rfind('>');
        if (lt != std::string::npos && gt != std::string::npos && gt > lt) {
            a.addr = Trim(t.substr(lt + 1, gt - lt - 1));
            std::string name = Trim(t.substr(0, lt));
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
                std::string unq;
                for (size_t i = 1; i + 1 < name.size(); ++i) {
                    if (name[i] == '\\' && i + 2 < name.size()) ++i;
                    unq += name[i];
                }
                name = unq;
            }
            a.name = DecodeHeaderText(name);
        } else {
            a.addr = t;
            size_t paren = t.find('(');
            if (paren != std::string::npos) a.addr = Trim(t.substr(0, paren));
        }
        if (!a.addr.empty() || !a.name.empty()) list.push_back(a);
    };
    for (char c : value) {
        if (c == '"' ) quoted = !quoted;
        if (!quoted && c == '<') ++angle;
        if (!quoted && c == '>' && angle) --angle;
        if (c == ',' && !quoted && !angle) {
            flush();
            continue;
        }
        item += c;
    }
    flush();
    return list;
}

std::string ExtractAddress(const std::string& text)
{
    std::string t = Trim(text);
    if (t.size() > 5 && Lower(t.substr(0, 5)) == "smtp:") t = Trim(t.substr(5));
    auto list = ParseAddressList(t);
    if (list.size() != 1) return {};
    const std::string& a = list[0].addr;
    size_t at = a.find('@');
    if (at == std::string::npos || at == 0 || at + 1 >= a.size()) return {};
    for (unsigned char c : a)
        if (c <= ' ' || c >= 0x7F || c == '<' || c == '>' || c == ',' || c == '"') return {};
    return a;
}

std::string FormatMailDate(const LocalTime& t)
{
    int64_t days = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day));
    int wd = static_cast<int>(((days % 7) + 7) % 7);
    int off = t.offsetMinutes;
    char sign = off < 0 ? '-' : '+';
    if (off < 0) off = -off;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02d%02d", kDays[wd], t.day,
                  kMonths[(t.month - 1) % 12], t.year, t.hour, t.minute, t.second, sign, off / 60, off % 60);
    return buf;
}

bool ParseMailDate(const std::string& value, int64_t& utcSeconds)
{
    std::string s = value;
    size_t comma = s.find(',');
    if (comma != std::string::npos) s = s.substr(comma + 1);
    char mon[8] = {}, zone[16] = {};
    int d = 0, y = 0, hh = 0, mm = 0, ss = 0;
    int n = std::sscanf(s.c_str(), " %d %3s %d %d:%d:%d %15s", &d, mon, &y, &hh, &mm, &ss, zone);
    if (n < 6) {
        ss = 0;
        n = std::sscanf(s.c_str(), " %d %3s %d %d:%d %15s", &d, mon, &y, &hh, &mm, zone);
        if (n < 5) return false;
    }
    int month = 0;
    for (int i = 0; i < 12; ++i)
        if (Lower(mon) == Lower(kMonths[i])) month = i + 1;
    if (!month || d < 1 || d > 31 || hh > 23 || mm > 59 || ss > 60) return false;
    if (y < 50) y += 2000;
    else if (y < 1000) y += 1900;
    int offset = 0;
    if ((zone[0] == '+' || zone[0] == '-') && std::strlen(zone) >= 5) {
        int z = std::atoi(zone + 1);
        offset = (z / 100) * 60 + z % 100;
        if (zone[0] == '-') offset = -offset;
    } else {
        static const std::pair<const char*, int> zones[] = {{"EST", -300}, {"EDT", -240}, {"CST", -360}, {"CDT", -300},
                                                            {"MST", -420}, {"MDT", -360}, {"PST", -480}, {"PDT", -420}};
        for (auto& [name, off] : zones)
            if (Lower(zone) == Lower(name)) offset = off;
    }
    utcSeconds = DaysFromCivil(y, static_cast<unsigned>(month), static_cast<unsigned>(d)) * 86400 + hh * 3600 + mm * 60 + ss -
                 offset * 60;
    return true;
}

std::string ContentTypeForFile(const std::string& fileName)
{
    size_t dot = fileName.rfind('.');
    std::string ext = dot == std::string::npos ? "" : Lower(fileName.substr(dot + 1));
    static const std::pair<const char*, const char*> types[] = {
        {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"}, {"bmp", "image/bmp"}, {"png", "image/png"},
        {"gif", "image/gif"},  {"txt", "text/plain"},  {"rtf", "application/rtf"}, {"pdf", "application/pdf"}};
    for (auto& [e, t] : types)
        if (ext == e) return t;
    return "application/octet-stream";
}

std::string BuildMessage(const OutgoingMail& mail, const std::string& boundary)
{
    std::string m;
    m += "From: " + FormatAddress(mail.from) + "\r\n";
    if (!mail.to.empty()) m += "To: " + FormatAddressList(mail.to) + "\r\n";
    if (!mail.cc.empty()) m += "Cc: " + FormatAddressList(mail.cc) + "\r\n";
    if (mail.to.empty() && mail.cc.empty()) m += "To: undisclosed-recipients:;\r\n";
    m += "Subject: " + EncodeHeaderText(mail.subject) + "\r\n";
    m += "Date: " + mail.date + "\r\n";
    m += "Message-ID: <" + mail.messageId + ">\r\n";
    m += "MIME-Version: 1.0\r\n";

    std::string text = NormalizeLineEnds(mail.text);
    bool ascii = true, longLines = false, trailingSpace = false;
    bool mboxFrom = text.compare(0, 5, "From ") == 0 || text.find("\r\nFrom ") != std::string::npos;
    size_t lineLen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80 || (c < 0x20 && c != '\t' && c != '\r' && c != '\n')) ascii = false;
        if (c == '\r') {
            if (i && (text[i - 1] == ' ' || text[i - 1] == '\t')) trailingSpace = true;
            lineLen = 0;
        } else if (c != '\n' && ++lineLen > 76) {
            longLines = true;
        }
    }
    // Quoted-printable keeps every line short and every byte exact; plain
    // 7-bit text stays readable as it is.
    bool qp = !ascii || longLines || trailingSpace || mboxFrom;
    std::string textPart = std::string("Content-Type: text/plain; charset=") + (ascii ? "us-ascii" : OutgoingCharset()) +
                           "\r\nContent-Transfer-Encoding: " + (qp ? "quoted-printable" : "7bit") + "\r\n\r\n" +
                           (qp ? QuotedPrintableEncode(Outgoing(text)) : text);
    if (mail.attachments.empty()) {
        m += textPart;
        if (m.size() < 2 || m.compare(m.size() - 2, 2, "\r\n") != 0) m += "\r\n";
        return m;
    }
    m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    m += "This is a multi-part message in MIME format.\r\n";
    m += "\r\n--" + boundary + "\r\n" + textPart + "\r\n";
    for (const Attachment& a : mail.attachments) {
        std::string name = a.fileName, param;
        if (IsAsciiText(name) && name.find('"') == std::string::npos && name.size() < 200) {
            param = "=\"" + name + "\"";
        } else {
            std::string enc = OutgoingCharset() + std::string("''");
            for (unsigned char c : Outgoing(name)) {
                if (std::isalnum(c) || std::strchr("._-", c)) enc += static_cast<char>(c);
                else {
                    enc += '%';
                    enc += kHex[c >> 4];
                    enc += kHex[c & 15];
                }
            }
            param = "*=" + enc;
        }
        m += "--" + boundary + "\r\n";
        m += "Content-Type: " + ContentTypeForFile(name) + "; name" + param + "\r\n";
        m += "Content-Disposition: attachment; filename" + param + "\r\n";
        m += "Content-Transfer-Encoding: base64\r\n\r\n";
        m += Base64Encode(a.data) + "\r\n";
    }
    m += "--" + boundary + "--\r\n";
    return m;
}

ParsedMail ParseMessage(const std::string& raw, bool headersOnly)
{
    ParsedMail mail;
    std::string msg = NormalizeLineEnds(raw);
    if (headersOnly) msg += "\r\n\r\n";
    Headers h;
    std::string_view body;
    SplitHeaderBlock(msg, h, body);
    mail.subject = DecodeHeaderText(h["subject"]);
    auto from = ParseAddressList(h["from"]);
    if (!from.empty()) mail.from = from[0];
    mail.to = ParseAddressList(h["to"]);
    mail.cc = ParseAddressList(h["cc"]);
    mail.date = h["date"];
    if (headersOnly) return mail;
    PartWalker walker{mail, {}};
    walker.Walk(msg, "text/plain");
    if (!walker.haveText && !walker.html.empty()) mail.text = NormalizeLineEnds(StripHtml(walker.html));
    return mail;
}

}  // namespace pwmail
