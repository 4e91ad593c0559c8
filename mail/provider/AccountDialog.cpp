#include "mail/provider/AccountDialog.h"

#include "mail/provider/ProviderResource.h"

namespace pwmail {

HINSTANCE g_module;

namespace {

struct DialogState {
    MailAccount* account;
    std::string problem;
    HFONT bold = nullptr;
};

const char* const kSecurityLabels[] = {"None", "STARTTLS", "SSL/TLS"};

Security SecurityAt(HWND dlg, int id)
{
    LRESULT i = SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0);
    return i == 2 ? Security::Tls : i == 0 ? Security::None : Security::StartTls;
}

int SecurityIndex(Security s)
{
    return s == Security::Tls ? 2 : s == Security::None ? 0 : 1;
}

std::string Text(HWND dlg, int id)
{
    char buf[512];
    GetDlgItemTextA(dlg, id, buf, sizeof buf);
    return buf;
}

// A port still at a default follows the security and protocol choice; one
// the user typed stays.
void FollowDefaults(HWND dlg, int portId, int oldDefault, int newDefault)
{
    BOOL ok;
    UINT port = GetDlgItemInt(dlg, portId, &ok, FALSE);
    if (!ok || static_cast<int>(port) == oldDefault || port == 0) SetDlgItemInt(dlg, portId, newDefault, FALSE);
}

INT_PTR CALLBACK AccountProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* st = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        st = reinterpret_cast<DialogState*>(lp);
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        const MailAccount& a = *st->account;
        SetDlgItemTextA(dlg, IDC_MAIL_ADDRESS, a.address.c_str());
        SetDlgItemTextA(dlg, IDC_MAIL_NAME, a.displayName.c_str());
        SetDlgItemTextA(dlg, IDC_MAIL_USER, a.user.c_str());
        SetDlgItemTextA(dlg, IDC_MAIL_PASSWORD, a.password.c_str());
        SetDlgItemTextA(dlg, IDC_MAIL_SMTP_HOST, a.smtpHost.c_str());
        SetDlgItemInt(dlg, IDC_MAIL_SMTP_PORT, a.smtpPort, FALSE);
        SetDlgItemTextA(dlg, IDC_MAIL_INBOX_HOST, a.inboxHost.c_str());
        SetDlgItemInt(dlg, IDC_MAIL_INBOX_PORT, a.inboxPort, FALSE);
        for (int id : {IDC_MAIL_SMTP_SECURITY, IDC_MAIL_INBOX_SECURITY})
            for (const char* label : kSecurityLabels) SendDlgItemMessageA(dlg, id, CB_ADDSTRING, 0, (LPARAM)label);
        SendDlgItemMessageA(dlg, IDC_MAIL_SMTP_SECURITY, CB_SETCURSEL, SecurityIndex(a.smtpSecurity), 0);
        SendDlgItemMessageA(dlg, IDC_MAIL_INBOX_SECURITY, CB_SETCURSEL, SecurityIndex(a.inboxSecurity), 0);
        SendDlgItemMessageA(dlg, IDC_MAIL_INBOX_PROTOCOL, CB_ADDSTRING, 0, (LPARAM) "IMAP");
        SendDlgItemMessageA(dlg, IDC_MAIL_INBOX_PROTOCOL, CB_ADDSTRING, 0, (LPARAM) "POP3");
        SendDlgItemMessageA(dlg, IDC_MAIL_INBOX_PROTOCOL, CB_SETCURSEL, a.pop3 ? 1 : 0, 0);
        CheckDlgButton(dlg, IDC_MAIL_PLAIN_PASSWORD, a.plainPasswordAllowed ? BST_CHECKED : BST_UNCHECKED);
        SetDlgItemTextA(dlg, IDC_MAIL_STATUS,
                        st->problem.empty() ? "Ask your mail provider for the server names, ports and security."
                                            : st->problem.c_str());
        if (!st->problem.empty()) {
            LOGFONTA lf{};
            GetObjectA((HFONT)SendMessageA(dlg, WM_GETFONT, 0, 0), sizeof lf, &lf);
            lf.lfWeight = FW_BOLD;
            st->bold = CreateFontIndirectA(&lf);
            SendDlgItemMessageA(dlg, IDC_MAIL_STATUS, WM_SETFONT, (WPARAM)st->bold, FALSE);
        }
        SetForegroundWindow(dlg);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        if (st && !st->problem.empty() && GetDlgCtrlID((HWND)lp) == IDC_MAIL_STATUS) {
            SetTextColor((HDC)wp, RGB(176, 0, 0));
            SetBkMode((HDC)wp, TRANSPARENT);
            return (INT_PTR)GetSysColorBrush(COLOR_BTNFACE);
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_MAIL_SMTP_SECURITY:
            if (HIWORD(wp) == CBN_SELCHANGE)
                for (Security s : {Security::None, Security::StartTls, Security::Tls})
                    FollowDefaults(dlg, IDC_MAIL_SMTP_PORT, DefaultSmtpPort(s), DefaultSmtpPort(SecurityAt(dlg, IDC_MAIL_SMTP_SECURITY)));
            break;
        case IDC_MAIL_INBOX_SECURITY:
        case IDC_MAIL_INBOX_PROTOCOL:
            if (HIWORD(wp) == CBN_SELCHANGE) {
                bool pop3 = SendDlgItemMessageA(dlg, IDC_MAIL_INBOX_PROTOCOL, CB_GETCURSEL, 0, 0) == 1;
                int now = DefaultInboxPort(pop3, SecurityAt(dlg, IDC_MAIL_INBOX_SECURITY));
                for (bool p : {false, true})
                    for (Security s : {Security::None, Security::StartTls, Security::Tls})
                        FollowDefaults(dlg, IDC_MAIL_INBOX_PORT, DefaultInboxPort(p, s), now);
            }
            break;
        case IDOK: {
            MailAccount a;
            a.address = Text(dlg, IDC_MAIL_ADDRESS);
            a.displayName = Text(dlg, IDC_MAIL_NAME);
            a.user = Text(dlg, IDC_MAIL_USER);
            a.password = Text(dlg, IDC_MAIL_PASSWORD);
            a.smtpHost = Text(dlg, IDC_MAIL_SMTP_HOST);
            a.smtpPort = static_cast<int>(GetDlgItemInt(dlg, IDC_MAIL_SMTP_PORT, nullptr, FALSE));
            a.smtpSecurity = SecurityAt(dlg, IDC_MAIL_SMTP_SECURITY);
            a.pop3 = SendDlgItemMessageA(dlg, IDC_MAIL_INBOX_PROTOCOL, CB_GETCURSEL, 0, 0) == 1;
            a.inboxHost = Text(dlg, IDC_MAIL_INBOX_HOST);
            a.inboxPort = static_cast<int>(GetDlgItemInt(dlg, IDC_MAIL_INBOX_PORT, nullptr, FALSE));
            a.inboxSecurity = SecurityAt(dlg, IDC_MAIL_INBOX_SECURITY);
            a.plainPasswordAllowed = IsDlgButtonChecked(dlg, IDC_MAIL_PLAIN_PASSWORD) == BST_CHECKED;
            if (a.user.empty()) a.user = a.address;
            if (!a.Complete() || a.smtpPort > 65535 || a.inboxPort > 65535) {
                MessageBoxA(dlg, "Please fill in the e-mail address and both servers with their ports.",
                            "Pinwell Mail Account", MB_OK | MB_ICONEXCLAMATION);
                return TRUE;
            }
            std::string error;
            if (!SaveAccount(a, error)) {
                MessageBoxA(dlg, error.c_str(), "Pinwell Mail Account", MB_OK | MB_ICONERROR);
                return TRUE;
            }
            *st->account = a;
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        if (st && st->bold) DeleteObject(st->bold);
        break;
    }
    return FALSE;
}

}  // namespace

bool RunAccountDialog(HWND parent, MailAccount& account, const std::string& problem)
{
    DialogState st{&account, problem};
    if (parent && !IsWindow(parent)) parent = nullptr;
    return DialogBoxParamA(g_module, MAKEINTRESOURCEA(IDD_MAIL_ACCOUNT), parent, AccountProc,
                           reinterpret_cast<LPARAM>(&st)) == IDOK;
}

}  // namespace pwmail
