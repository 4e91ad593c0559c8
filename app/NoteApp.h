// The application object: start-up checks, the menu pictures, the single
// instance and the hidden main dialog.
#pragma once

#include <string>
#include <vector>

#include "mail/MapiMail.h"
#include "win/Gdi.h"
#include "win/Program.h"
#include "win/WinApp.h"

class CMainDialog;

class CNoteApp : public CWinApp, public IMenuPictures {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

    HBITMAP MenuPicture(int resourceId) const override;

    // Simple MAPI for sending and checking note e-mails.
    CMapiMail m_mapi;

private:
    std::vector<CBitmap> m_menuBitmaps;
    CHandle m_mutex;
    CMainDialog* m_mainDialog = nullptr;
};

CNoteApp& TheApp();
