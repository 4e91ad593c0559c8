// The application object: start-up checks, the menu pictures, the single
// instance and the hidden main dialog.
#pragma once

#include <string>
#include <vector>

#include "mail/MapiMail.h"
#include "win/Gdi.h"
#include "win/WinApp.h"

class CMainDialog;

constexpr char kProductName[] = "Pinwell";
constexpr char kVersionLabel[] = "3.lan";
constexpr char kMutexName[] = "Pinwell Application";
constexpr char kMainCaption[] = "Pinwell";

class CNoteApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

    // One of the menu item pictures, by its index (0-based).
    HBITMAP MenuBitmap(int index) const;

    std::string m_programFolder;
    // Simple MAPI for sending and checking note e-mails.
    CMapiMail m_mapi;

private:
    std::vector<CBitmap> m_menuBitmaps;
    CHandle m_mutex;
    CMainDialog* m_mainDialog = nullptr;
};

CNoteApp& TheApp();

// The menu picture with that resource number (IDB_MENU_...), or none when
// the program's application object is not there (window tests).
HBITMAP MenuPicture(int resourceId);
