// pinwell-send: send one note to a computer running Pinwell, or listen for
// notes the way Pinwell does and print each as one JSON line.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "base/Seams.h"
#include "net/NoteData.h"
#include "net/NoteSender.h"
#include "net/NoteServer.h"
#include "net/Socket.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  pinwell-send [options] HOST        send one note; exit 0 only when acknowledged\n"
    "    --port N                         receiver's port (2000)\n"
    "    --from ID                        sent-from identity: a name, an IP or e-mail address,\n"
    "                                     ANONYMOUS or Name:TEXT (default: this computer)\n"
    "    --title T                        title text\n"
    "    --text TEXT                      body from plain text\n"
    "    --rtf FILE                       body from an RTF file\n"
    "    --body STORED                    body field exactly as given (\"|\" = line break)\n"
    "    --colors BACK,TEXT[,TITLEBACK[,TITLETEXT]]\n"
    "                                     colours as #RRGGBB or decimal COLORREF\n"
    "    --font FACE  --font-size N  --title-font FACE  --title-font-size N\n"
    "    --size WIDTHxHEIGHT  --border Yes|No  --alarm VALUE  --expiration VALUE\n"
    "    --data TEXT                      send TEXT as the whole note data, nothing built\n"
    "    --timeout SECONDS                longest wait for the answer (30)\n"
    "    --source ADDRESS                 local address to send from\n"
    "    --stamp                          print \"sending <Unix time in ms>\" on stderr just before\n"
    "                                     connecting (for timing a delivery from the send itself)\n"
    "  pinwell-send --listen PORT [--count N] [--bind ADDRESS] [--silence MS]\n"
    "                                     receive notes (PORT 0 = any free port, printed on\n"
    "                                     stderr), acknowledge them, print one JSON line each\n";

const char* const kFieldNames[kNoteDataFieldCount] = {
    "identity",       "EditText",      "EditFont",      "EditFontType",  "EditBackColor",
    "EditTextColor",  "EditFontSize",  "EditCharSet",   "TitleText",     "TitleFont",
    "TitleFontType",  "TitleBackColor", "TitleTextColor", "TitleFontSize", "TitleCharSet",
    "Left",           "Top",           "Height",        "Width",         "Border",
    "Expiration",     "Alarm"};

class StderrNotices : public INoticeSink {
public:
    void Show(const std::string& text, NoticeIcon) override {
        std::cerr << "pinwell-send: " << text << "\n";
    }
};

[[noreturn]] void Usage(const std::string& problem) {
    if (!problem.empty()) std::cerr << "pinwell-send: " << problem << "\n";
    std::cerr << kUsage;
    std::exit(2);
}

bool ParseInt(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

// "#RRGGBB" or a decimal COLORREF (0x00BBGGRR).
bool ParseColour(const std::string& text, std::int32_t& colour) {
    if (text.size() == 7 && text[0] == '#') {
        char* end = nullptr;
        const unsigned long rgb = std::strtoul(text.c_str() + 1, &end, 16);
        if (*end != '\0') return false;
        colour = static_cast<std::int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
        return true;
    }
    long long value;
    if (!ParseInt(text, INT32_MIN, UINT32_MAX, value)) return false;
    colour = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return true;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream s(text);
    std::string part;
    while (std::getline(s, part, ',')) parts.push_back(part);
    return parts;
}

// Command lines on Linux are UTF-8, note data is ANSI: characters of
// Latin-1 keep their byte, others become "?". Windows hands us ANSI already.
std::string ToAnsi(const std::string& text) {
#ifdef _WIN32
    return text;
#else
    std::string out;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        unsigned code = extra == 0 ? c : c & (0x3Fu >> extra);
        bool ok = extra <= 3 && i + extra < n;
        for (std::size_t k = 1; ok && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        out += code < 0x100 ? static_cast<char>(code) : '?';
        i += extra + 1;
    }
    return out;
#endif
}

// A small RTF document holding the plain text, one paragraph per line.
std::string PlainTextToRtf(const std::string& text, const std::string& font, int size) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 " + font + ";}}\n\\pard\\f0\\fs" +
                      std::to_string(size * 2) + " ";
    static const char hex[] = "0123456789abcdef";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r') continue;
        if (c == '\n') rtf += "\\par\n";
        else if (c == '\\' || c == '{' || c == '}') { rtf += '\\'; rtf += ch; }
        else if (c >= 0x80) { rtf += "\\'"; rtf += hex[c >> 4]; rtf += hex[c & 15]; }
        else rtf += ch;
    }
    return rtf + "\\par\n}\n";
}

std::string JsonString(const std::string& bytes) {
    // One code point per byte (\u00XX above 0x7F): the bytes come back exactly.
    std::string out = "\"";
    static const char hex[] = "0123456789abcdef";
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') { out += '\\'; out += ch; }
        else if (c < 0x20 || c >= 0x7F) { out += "\\u00"; out += hex[c >> 4]; out += hex[c & 15]; }
        else out += ch;
    }
    return out + "\"";
}

std::string NoteJson(const std::string& text) {
    const std::vector<std::string> fields = SplitNoteData(text);
    std::string json = "{\"complete\":";
    json += IsCompleteNoteText(text) && fields.size() >= kNoteDataFieldCount ? "true" : "false";
    json += ",\"fieldCount\":" + std::to_string(fields.size());
    for (std::size_t i = 0; i < kNoteDataFieldCount && i < fields.size(); ++i)
        json += ",\"" + std::string(kFieldNames[i]) + "\":" + JsonString(fields[i]);
    json += ",\"data\":" + JsonString(text) + "}";
    return json;
}

// Prints each received note and counts them; the listener ends after the
// wanted number.
class PrintingHandOver : public INoteHandOver {
public:
    explicit PrintingHandOver(long long wanted) : wanted_(wanted) {}
    bool Ready() override { return true; }
    bool HandOver(const std::string& text) override {
        std::cout << NoteJson(text) << std::endl;
        std::lock_guard<std::mutex> lock(mutex_);
        ++received_;
        done_.notify_all();
        return true;
    }
    // Waits in short steps until enough notes came or the server ended.
    void WaitUntilDone(const CNoteServer& server) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (server.Running() && (wanted_ <= 0 || received_ < wanted_))
            done_.wait_for(lock, std::chrono::milliseconds(100));
    }

private:
    long long wanted_;
    long long received_ = 0;
    std::mutex mutex_;
    std::condition_variable done_;
};

int Listen(const std::vector<std::string>& args) {
    long long port = -1, count = 0, silence = 5000;
    std::string bind;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) Usage(a + " needs a value");
            return args[++i];
        };
        if (a == "--listen") {
            if (!ParseInt(value(), 0, 65535, port)) Usage("bad port");
        } else if (a == "--count") {
            if (!ParseInt(value(), 1, 1LL << 40, count)) Usage("bad count");
        } else if (a == "--bind") {
            bind = value();
        } else if (a == "--silence") {
            if (!ParseInt(value(), 1, 3600000, silence)) Usage("bad silence time");
        } else {
            Usage("unknown option " + a);
        }
    }
    net::WinsockSession winsock;
    NoteServerOptions options;
    options.port = static_cast<int>(port);
    options.silenceTimeoutMs = static_cast<int>(silence);
    // Notes are printed, not stored, and scripts may send many at once.
    options.dataFileLimit = false;
    options.maxNotesPerAddressPerMinute = SIZE_MAX;
    options.maxConnectionsPerAddress = options.maxConnections;
    if (!bind.empty() && !net::ResolveIpv4(bind, options.bindAddress)) Usage("bad bind address");
    PrintingHandOver printer(count);
    options.handOver = &printer;
    CNoteServer server(options);
    server.Start();
    const int bound = server.WaitUntilListening(10000);
    if (bound == 0) {
        server.Stop();
        return 1;
    }
    std::cerr << "pinwell-send: listening on port " << bound << std::endl;
    printer.WaitUntilDone(server);
    const bool failed = !server.Running();
    server.Stop();
    return failed ? 1 : 0;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Usage("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int Send(const std::vector<std::string>& args) {
    long long port = 2000, timeout = 30;
    std::string host, from, text, data, source;
    bool haveData = false, haveText = false, haveBody = false, stamp = false;
    NoteRecord r;  // the look of a new note
    r.editBackColor = 0xFFCB97;
    r.titleBackColor = 0xE28E49;
    r.editFont = r.titleFont = "Verdana";
    r.editFontSize = r.titleFontSize = 8;
    r.titleFontType = "C";
    r.border = "Yes";
    r.width = 250;
    r.height = 200;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) Usage(a + " needs a value");
            return args[++i];
        };
        long long n;
        if (a == "--port") {
            if (!ParseInt(value(), 1, 65535, port)) Usage("bad port");
        } else if (a == "--from") {
            from = ToAnsi(value());
        } else if (a == "--title") {
            r.titleText = ToAnsi(value());
        } else if (a == "--text") {
            text = ToAnsi(value());
            haveText = true;
        } else if (a == "--rtf") {
            r.editText = ReadFile(value());
            haveBody = true;
        } else if (a == "--body") {
            r.editText = BodyFromStoredForm(ToAnsi(value()));
            haveBody = true;
        } else if (a == "--colors" || a == "--colours") {
            const auto parts = SplitCommas(value());
            std::int32_t* targets[] = {&r.editBackColor, &r.editTextColor, &r.titleBackColor,
                                       &r.titleTextColor};
            if (parts.empty() || parts.size() > 4) Usage("--colors takes two to four colours");
            for (std::size_t k = 0; k < parts.size(); ++k)
                if (!ParseColour(parts[k], *targets[k])) Usage("bad colour " + parts[k]);
            if (parts.size() < 4) r.titleTextColor = r.editTextColor;
        } else if (a == "--font") {
            r.editFont = value();
        } else if (a == "--font-size") {
            if (!ParseInt(value(), 1, 1000, n)) Usage("bad font size");
            r.editFontSize = static_cast<std::int32_t>(n);
        } else if (a == "--title-font") {
            r.titleFont = value();
        } else if (a == "--title-font-size") {
            if (!ParseInt(value(), 1, 1000, n)) Usage("bad font size");
            r.titleFontSize = static_cast<std::int32_t>(n);
        } else if (a == "--size") {
            const std::string& v = value();
            const auto x = v.find('x');
            long long w, h;
            if (x == std::string::npos || !ParseInt(v.substr(0, x), 0, 100000, w) ||
                !ParseInt(v.substr(x + 1), 0, 100000, h))
                Usage("bad size " + v);
            r.width = static_cast<std::int32_t>(w);
            r.height = static_cast<std::int32_t>(h);
        } else if (a == "--border") {
            r.border = value();
        } else if (a == "--alarm") {
            r.alarm = value();
        } else if (a == "--expiration") {
            r.expiration = value();
        } else if (a == "--data") {
            data = ToAnsi(value());
            haveData = true;
        } else if (a == "--stamp") {
            stamp = true;
        } else if (a == "--source") {
            source = value();
        } else if (a == "--timeout") {
            if (!ParseInt(value(), 1, 86400, timeout)) Usage("bad timeout");
        } else if (!a.empty() && a[0] == '-') {
            Usage("unknown option " + a);
        } else if (host.empty()) {
            host = a;
        } else {
            Usage("more than one host");
        }
    }
    if (host.empty()) Usage("no host");
    if (haveText && haveBody) Usage("--text, --rtf and --body exclude each other");
    if (haveText) r.editText = PlainTextToRtf(text, r.editFont, r.editFontSize);

    if (!haveData) data = BuildNoteData(SenderIdentity(from), r);
    NoteSenderOptions options;
    options.replyTimeoutMs = static_cast<int>(timeout * 1000);
    options.sourceAddress = source;
    if (stamp) {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::cerr << "sending " << std::chrono::duration_cast<std::chrono::milliseconds>(now).count() << std::endl;
    }
    const std::string error =
        CNoteSender(options).SendNoteData(host, static_cast<int>(port), data, text);
    if (!error.empty()) {
        std::cerr << error;
        return 1;
    }
    std::cout << kAcknowledgement << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    StderrNotices notices;
    SetNoticeSink(&notices);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) Usage("");
    for (const auto& a : args)
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        }
    for (const auto& a : args)
        if (a == "--listen") return Listen(args);
    return Send(args);
}
