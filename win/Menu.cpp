#include "win/Menu.h"

BOOL CMenu::LoadMenu(HINSTANCE instance, UINT id) {
    Destroy();
    m_hMenu = ::LoadMenuA(instance, MAKEINTRESOURCEA(id));
    return m_hMenu != nullptr;
}

void CMenu::Destroy() {
    if (m_hMenu) ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
}

void CMenu::Enable(UINT command, bool enabled, HBITMAP picture) const {
    ::EnableMenuItem(m_hMenu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    SetPicture(command, picture);
}

bool CMenu::IsEnabled(UINT command) const {
    const UINT state = ::GetMenuState(m_hMenu, command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void CMenu::SetPicture(UINT command, HBITMAP picture) const {
    ::SetMenuItemBitmaps(m_hMenu, command, MF_BYCOMMAND, picture, picture);
}

void CMenu::TrackAtCursor(HWND owner) const {
    POINT pt;
    ::GetCursorPos(&pt);
    ::TrackPopupMenu(Popup(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner, nullptr);
}
