// The application object and its message loop.
#pragma once

#include <windows.h>

#include <vector>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    static CWinApp* Instance();

    // WinMain's body: InitInstance, the message loop while there is a main
    // window, ExitInstance. Returns the exit code.
    int Main(HINSTANCE instance);

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_exitCode; }

    // Runs the message loop until WM_QUIT.
    int Run();

    // Modeless windows whose keyboard navigation the loop handles.
    void AddModeless(HWND hwnd);
    void RemoveModeless(HWND hwnd);

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;

protected:
    int m_exitCode = 0;

private:
    bool PreTranslate(MSG& msg);
    std::vector<HWND> m_modeless;
};
