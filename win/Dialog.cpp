#include "win/Dialog.h"

#include "win/WinApp.h"

CDialog::~CDialog() {
    // An object going away before its window must not leave a dangling
    // binding behind.
    if (m_hWnd) {
        CWinApp* app = CWinApp::Instance();
        if (app) app->RemoveModeless(m_hWnd);
        HWND hwnd = m_hWnd;
        Detach();
        ::DestroyWindow(hwnd);
    }
}

INT_PTR CDialog::DoModal(HWND owner) {
    m_modal = true;
    CWinApp* app = CWinApp::Instance();
    return ::DialogBoxParamA(app ? app->m_hInstance : ::GetModuleHandleA(nullptr),
                             MAKEINTRESOURCEA(m_templateId), owner, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(HWND owner, const DLGTEMPLATE* inMemory) {
    m_modal = false;
    CWinApp* app = CWinApp::Instance();
    const HINSTANCE instance = app ? app->m_hInstance : ::GetModuleHandleA(nullptr);
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    HWND hwnd = inMemory ? ::CreateDialogIndirectParamA(instance, inMemory, owner, DialogProc, self)
                         : ::CreateDialogParamA(instance, MAKEINTRESOURCEA(m_templateId), owner, DialogProc, self);
    if (!hwnd) return FALSE;
    if (app) app->AddModeless(hwnd);
    return TRUE;
}

BOOL CDialog::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

void CDialog::EndDialog(INT_PTR result) {
    if (m_modal)
        ::EndDialog(m_hWnd, result);
    else
        DestroyWindow();
}

void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::PostNcDestroy() {
    CWinApp* app = CWinApp::Instance();
    if (app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CDialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->Attach(hwnd);
        self->m_initialFocus = reinterpret_cast<HWND>(wParam);
        return self->OnInitDialog();
    }
    self = static_cast<CDialog*>(FromHandle(hwnd));
    if (!self) return FALSE;

    if (msg == WM_NCDESTROY) {
        CWinApp* app = CWinApp::Instance();
        if (app) app->RemoveModeless(hwnd);
        self->Detach();
        self->PostNcDestroy();
        return FALSE;
    }

    // No exception may cross into the system's window code.
    try {
        LRESULT result = 0;
        if (self->Dispatch(msg, wParam, lParam, result)) {
            switch (msg) {
            case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR:
            case WM_CTLCOLORSTATIC: case WM_COMPAREITEM: case WM_VKEYTOITEM:
            case WM_CHARTOITEM: case WM_QUERYDRAGICON:
                return static_cast<INT_PTR>(result);
            default:
                ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
                return TRUE;
            }
        }
        if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDOK) { self->OnOK(); return TRUE; }
            if (LOWORD(wParam) == IDCANCEL) { self->OnCancel(); return TRUE; }
        }
    } catch (...) {
    }
    return FALSE;
}
