// The system's profile-string calls, with their buffer arithmetic, over our
// INI engine: the behaviour vectors the engine must meet are written against
// these calls.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "store/IniFile.h"
#include "store/IniText.h"

namespace ini {

// GetPrivateProfileStringA. section == nullptr lists section names, key ==
// nullptr lists the keys of the section (each name NUL-terminated, one more
// NUL at the end). def == nullptr acts as "". Returns the number of
// characters copied, not counting the terminating NUL.
inline std::uint32_t GetProfileString(const std::string& path, const char* section, const char* key,
                                      const char* def, char* buffer, std::uint32_t size) {
    if (!buffer || size == 0) return 0;
    if (!section) return text::CopyList(SectionNames(path), buffer, size);
    if (!key) return text::CopyList(KeyNames(path, section), buffer, size);
    const std::string v = Read(path, section, key, def ? def : "", size - 1);
    std::memcpy(buffer, v.data(), v.size());
    buffer[v.size()] = '\0';
    return static_cast<std::uint32_t>(v.size());
}

// GetPrivateProfileIntA: decimal with an optional sign, up to the first
// non-digit, wrapping modulo 2^32 as the system's conversion does.
inline std::uint32_t GetProfileInt(const std::string& path, const char* section, const char* key, int def) {
    const std::string v = section && key ? Read(path, section, key) : std::string();
    if (v.empty()) return static_cast<std::uint32_t>(def);
    std::size_t i = 0;
    while (i < v.size() && static_cast<unsigned char>(v[i]) <= ' ') ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    std::uint32_t n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) n = n * 10u + static_cast<std::uint32_t>(v[i] - '0');
    return negative ? 0u - n : n;
}

// WritePrivateProfileStringA: key == nullptr deletes the section, value ==
// nullptr deletes the key, all three nullptr only flushes.
inline bool WriteProfileString(const std::string& path, const char* section, const char* key, const char* value) {
    if (!section) return !key && !value && !path.empty();
    if (!key) return DeleteSection(path, section);
    if (!value) return DeleteKey(path, section, key);
    return Write(path, section, key, value);
}

}  // namespace ini
