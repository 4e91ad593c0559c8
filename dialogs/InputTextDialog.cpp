#include "dialogs/InputTextDialog.h"

#include <utility>

#include "res/resource.h"
#include "win/WinApp.h"

CInputTextDialog::CInputTextDialog(Mode mode, std::string text)
    : CDialog(IDD_INPUT_TEXT), m_mode(mode), m_text(std::move(text)) {}

BOOL CInputTextDialog::OnInitDialog() {
    CWinApp* app = CWinApp::Instance();
    HINSTANCE inst = app ? app->m_hInstance : ::GetModuleHandleA(nullptr);
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(::LoadIconA(inst, MAKEINTRESOURCEA(IDI_EDIT_TEXT))));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(::LoadImageA(inst, MAKEINTRESOURCEA(IDI_EDIT_TEXT), IMAGE_ICON,
                                                         ::GetSystemMetrics(SM_CXSMICON),
                                                         ::GetSystemMetrics(SM_CYSMICON), LR_SHARED)));
    const char* caption = InputTextCaption(m_mode);
    if (*caption) ::SetWindowTextA(m_hWnd, caption);
    ::SetDlgItemTextA(m_hWnd, IDC_INPUT_TEXT, m_text.c_str());
    return TRUE;
}

void CInputTextDialog::OnOK() {
    HWND edit = GetDlgItem(IDC_INPUT_TEXT);
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(edit)) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(edit, text.data(), static_cast<int>(text.size()))));
    const std::string trimmed = TrimBlanks(text);
    ::SetWindowTextA(edit, trimmed.c_str());
    if (trimmed.empty()) {
        ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
        return;
    }
    m_text = trimmed;
    EndDialog(IDOK);
}
