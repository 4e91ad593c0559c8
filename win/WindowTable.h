// What this program keeps about each of its own windows, found without
// asking the system. A window property costs a round trip to the window
// server under Wine, and the lookups here happen for every message.
#pragma once

#include <windows.h>

#include <mutex>
#include <unordered_map>

template <class T>
class CWindowTable {
public:
    void Bind(HWND hwnd, const T& value) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_entries[hwnd] = value;
    }
    void Unbind(HWND hwnd) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_entries.erase(hwnd);
    }
    // The value bound to hwnd; a value-initialised T when there is none.
    T Find(HWND hwnd) const {
        std::lock_guard<std::mutex> lock(m_lock);
        const auto it = m_entries.find(hwnd);
        return it == m_entries.end() ? T{} : it->second;
    }

private:
    mutable std::mutex m_lock;
    std::unordered_map<HWND, T> m_entries;
};
