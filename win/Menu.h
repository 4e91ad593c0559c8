// A loaded menu resource, destroyed with its owner.
#pragma once

#include <windows.h>

#include <utility>

class CMenu {
public:
    CMenu() = default;
    CMenu(CMenu&& other) noexcept : m_hMenu(std::exchange(other.m_hMenu, nullptr)) {}
    CMenu& operator=(CMenu&& other) noexcept {
        if (this != &other) {
            Destroy();
            m_hMenu = std::exchange(other.m_hMenu, nullptr);
        }
        return *this;
    }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    ~CMenu() { Destroy(); }

    BOOL LoadMenu(HINSTANCE instance, UINT id);
    void Destroy();
    HMENU GetSafeHmenu() const { return m_hMenu; }
    // The first pop-up of the menu bar, which is what our menus show.
    HMENU Popup() const { return m_hMenu ? ::GetSubMenu(m_hMenu, 0) : nullptr; }

    // Enables or greys the item and gives it its picture (or none).
    void Enable(UINT command, bool enabled, HBITMAP picture) const;
    bool IsEnabled(UINT command) const;
    void SetPicture(UINT command, HBITMAP picture) const;
    // Shows the pop-up at the cursor, tracking with the right button;
    // commands go to owner.
    void TrackAtCursor(HWND owner) const;

private:
    HMENU m_hMenu = nullptr;
};
