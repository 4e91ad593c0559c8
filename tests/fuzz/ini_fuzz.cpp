// The INI engine on arbitrary files and edits. Besides crashes it checks
// what every caller relies on: the document an edit leaves behind reads the
// same as its text parsed afresh, a written value reads back as written
// (trimmed, outer quotes gone), the profile buffers are always terminated,
// and an edit changes no other key.
//
// Most inputs drive the engine's text unit in memory, as IniFile.cpp drives
// it; one in 32 goes through the file layer (scratch file, cache,
// freshness check, atomic replace), which costs ten times as much.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "FuzzSupport.h"
#include "store/IniText.h"
#include "tests/core/IniProfile.h"

namespace {

using Entry = std::tuple<std::string, std::string, std::string>;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// The engine through its files.
struct OnDisk {
    std::string path = fuzz::ScratchPath("fuzz.ini");

    void Load(const std::string& bytes) { fuzz::PutFile(path, bytes); }
    std::vector<std::string> SectionNames() { return ini::SectionNames(path); }
    std::vector<std::string> KeyNames(const std::string& s) { return ini::KeyNames(path, s); }
    std::string Read(const std::string& s, const std::string& k) { return ini::Read(path, s, k); }
    std::uint32_t Profile(const char* s, const char* k, char* buf, std::uint32_t size) {
        return ini::GetProfileString(path, s, k, "def", buf, size);
    }
    bool Edit(ini::text::Op op, const std::string& s, const std::string& k, const std::string& v) {
        switch (op) {
            case ini::text::Op::kWrite: return ini::Write(path, s, k, v);
            case ini::text::Op::kDeleteKey: return ini::DeleteKey(path, s, k);
            default: return ini::DeleteSection(path, s);
        }
    }
    std::string Text() {
        ini::ClearCache();  // what the file says, not what the cache holds
        return {};
    }
    void Done() { ini::ClearCache(); }
};

// The same calls on the text unit, as the file layer makes them.
struct InMemory {
    std::unique_ptr<ini::text::Doc> doc;

    void Load(std::string bytes) {
        doc = std::make_unique<ini::text::Doc>();
        doc->text = std::move(bytes);
        doc->Parse();
    }
    std::vector<std::string> SectionNames() { return doc->SectionNames(); }
    std::vector<std::string> KeyNames(const std::string& s) { return doc->KeyNames(s); }
    std::string Read(const std::string& s, const std::string& k) {
        std::string v;
        doc->Value(s, k, ini::kWhole, &v);
        return v;
    }
    std::uint32_t Profile(const char* s, const char* k, char* buf, std::uint32_t size) {
        if (!s) return ini::text::CopyList(doc->SectionNames(), buf, size);
        if (!k) return ini::text::CopyList(doc->KeyNames(s), buf, size);
        std::string v = "def";
        doc->Value(s, k, size - 1, &v);
        v.resize(std::min<std::size_t>(v.size(), size - 1));
        std::memcpy(buf, v.data(), v.size());
        buf[v.size()] = '\0';
        return static_cast<std::uint32_t>(v.size());
    }
    bool Edit(ini::text::Op op, const std::string& s, const std::string& k, const std::string& v) {
        // As a file edit: true when done, whether or not the text changed.
        ini::text::Change c{op, s, k, v};
        if (!ini::text::Prepare(c)) return false;
        doc->Apply(c);
        return true;
    }
    // The edited document's text, parsed again as the next read of the file would.
    std::string Text() {
        std::string text = doc->Serialize();
        Load(text);
        return text;
    }
    void Done() { doc.reset(); }
};

template <class Engine>
std::vector<Entry> Snapshot(Engine& e) {
    std::vector<Entry> all;
    for (const std::string& s : e.SectionNames())
        for (const std::string& k : e.KeyNames(s)) all.emplace_back(s, k, e.Read(s, k));
    return all;
}

// Names compare as the engine compares them: without regard to case in code
// page 1252, after plain spaces at the ends are dropped.
unsigned char Fold(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 0x10;
    if (c == 0x9F) return 0xFF;
    return c;
}
std::string Key(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    std::string out;
    for (char c : s) out += static_cast<char>(Fold(static_cast<unsigned char>(c)));
    return out;
}

std::string ReadBack(std::string_view v) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v'; };
    while (!v.empty() && blank(v.front())) v.remove_prefix(1);
    while (!v.empty() && blank(v.back())) v.remove_suffix(1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

struct Op {
    int kind, sectionPick, keyPick;
    std::string section, key, value;
    std::uint32_t buffer;
};

template <class Engine>
void Run(Engine& e, const std::vector<Op>& plan, std::string bytes) {
    e.Load(std::move(bytes));
    std::vector<Entry> before = Snapshot(e);
    for (const Op& op : plan) {
        const std::vector<std::string> sections = e.SectionNames();
        std::string section = op.section, key = op.key;
        if (op.sectionPick >= 0 && !sections.empty()) section = sections[op.sectionPick % sections.size()];
        const std::vector<std::string> keys = e.KeyNames(section);
        if (op.keyPick >= 0 && !keys.empty()) key = keys[op.keyPick % keys.size()];

        // The profile-call contract: terminated within the buffer, count below it.
        std::vector<char> buf(op.buffer + 1, '\x7f');
        const std::uint32_t n = e.Profile(op.kind == 3 ? nullptr : section.c_str(),
                                          op.kind == 2 ? nullptr : key.c_str(), buf.data(), op.buffer);
        Check(n < op.buffer && buf[n] == '\0' && buf[op.buffer] == '\x7f');

        if (op.kind == 3) continue;
        const auto kind = static_cast<ini::text::Op>(op.kind);
        if (!e.Edit(kind, section, key, op.value)) continue;
        if (kind == ini::text::Op::kWrite) Check(e.Read(section, key) == ReadBack(op.value));

        // No other key moved or went: the ones the edit could reach are
        // skipped (a later duplicate of a deleted name takes its place).
        const std::vector<Entry> edited = Snapshot(e);
        std::map<std::pair<std::string, std::string>, std::string> now;
        for (const auto& [s, k, v] : edited) now.try_emplace({Key(s), Key(k)}, v);
        for (const auto& [s, k, v] : before) {
            if (Key(s) == Key(section) && (op.kind == 2 || Key(k) == Key(key))) continue;
            const auto it = now.find({Key(s), Key(k)});
            Check(it != now.end() && it->second == v);
        }
        // The edited document is what its text reads as, and the text is
        // the same again after another round.
        const std::string text = e.Text();
        before = Snapshot(e);
        Check(before == edited);
        if (!text.empty()) Check(e.Text() == text);
    }
    // Nothing outlives the input: memory kept from one input to the next
    // makes libFuzzer run every input a second time looking for a leak.
    e.Done();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static OnDisk disk;
    static InMemory memory;
    FuzzedDataProvider in(data, size);
    const bool onDisk = in.ConsumeIntegral<std::uint8_t>() % 32 == 0;
    const int ops = in.ConsumeIntegralInRange(0, 3);
    std::vector<Op> plan;
    for (int i = 0; i < ops; ++i) {
        Op op;
        op.kind = in.ConsumeIntegralInRange(0, 3);
        op.sectionPick = in.ConsumeIntegralInRange(-1, 7);
        op.keyPick = in.ConsumeIntegralInRange(-1, 7);
        op.section = in.ConsumeRandomLengthString(24);
        op.key = in.ConsumeRandomLengthString(24);
        op.value = in.ConsumeRandomLengthString(64);
        op.buffer = in.ConsumeIntegralInRange<std::uint32_t>(1, 80);
        plan.push_back(std::move(op));
    }
    std::string bytes = in.ConsumeRemainingBytesAsString();
    if (onDisk)
        Run(disk, plan, std::move(bytes));
    else
        Run(memory, plan, std::move(bytes));
    return 0;
}
