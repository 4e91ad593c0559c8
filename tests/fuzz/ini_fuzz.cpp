// The INI engine on arbitrary files and edits. Besides crashes it checks
// what every caller relies on: the document an edit leaves in the cache reads
// the same as the file read afresh, a written value reads back as written
// (trimmed, outer quotes gone), the profile buffers are always terminated,
// and an edit changes no other key.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "FuzzSupport.h"

namespace {

using Entry = std::tuple<std::string, std::string, std::string>;

std::vector<Entry> Snapshot(const std::string& path) {
    std::vector<Entry> all;
    for (const std::string& s : ini::SectionNames(path))
        for (const std::string& k : ini::KeyNames(path, s)) all.emplace_back(s, k, ini::Read(path, s, k));
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

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz::ScratchPath("fuzz.ini");
    FuzzedDataProvider in(data, size);
    const int ops = in.ConsumeIntegralInRange(0, 3);
    struct Op {
        int kind, sectionPick, keyPick;
        std::string section, key, value;
        std::uint32_t buffer;
    };
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
    fuzz::PutFile(path, in.ConsumeRemainingBytesAsString());

    for (const Op& op : plan) {
        const std::vector<Entry> before = Snapshot(path);
        const std::vector<std::string> sections = ini::SectionNames(path);
        std::string section = op.section, key = op.key;
        if (op.sectionPick >= 0 && !sections.empty()) section = sections[op.sectionPick % sections.size()];
        const std::vector<std::string> keys = ini::KeyNames(path, section);
        if (op.keyPick >= 0 && !keys.empty()) key = keys[op.keyPick % keys.size()];

        // The profile-call contract: terminated within the buffer, count below it.
        std::vector<char> buf(op.buffer + 1, '\x7f');
        const std::uint32_t n =
            ini::GetProfileString(path, op.kind == 3 ? nullptr : section.c_str(),
                                  op.kind == 2 ? nullptr : key.c_str(), "def", buf.data(), op.buffer);
        Check(n < op.buffer && buf[n] == '\0' && buf[op.buffer] == '\x7f');

        bool changed = false;
        switch (op.kind) {
        case 0:
            if ((changed = ini::Write(path, section, key, op.value)))
                Check(ini::Read(path, section, key) == ReadBack(op.value));
            break;
        case 1: changed = ini::DeleteKey(path, section, key); break;
        case 2: changed = ini::DeleteSection(path, section); break;
        default: break;
        }
        if (!changed) continue;

        // No other key moved: the ones the edit could reach are skipped
        // (a later duplicate of a deleted name takes its place).
        for (const auto& [s, k, v] : before) {
            if (Key(s) == Key(section) && (op.kind == 2 || Key(k) == Key(key))) continue;
            Check(ini::Read(path, s, k) == v);
        }
        // What the cache holds is what the file says.
        const std::vector<Entry> cached = Snapshot(path);
        ini::ClearCache();
        Check(Snapshot(path) == cached);
    }
    return 0;
}
