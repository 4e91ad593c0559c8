#include "net/SendNoteDialog.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "win/Program.h"
#include "base/ProgramFlags.h"
#include "dialogs/InputTextDialog.h"
#include "net/NetUtil.h"
#include "net/NetworkList.h"
#include "net/NetworkNeighbourhood.h"
#include "net/Socket.h"
#include "win/DialogSupport.h"
#include "net/ComputerDelivery.h"
#include "res/resource.h"
#include "store/SettingsStore.h"
#include "win/WinApp.h"

namespace {

constexpr int kComputerImage = 0;
constexpr int kEmailImage = 1;
constexpr int kColumnWidth = 156;

const dialog_support::Tip kTips[] = {
    {IDC_SEND_RECIPIENT,
     "Type computer name, IP address or email you want to send note. Also Internet computer name is supported."},
    {IDC_SEND_NETWORK_LIST,
     "This is list of your Network Neighborhood (computers in your network or local LAN)."},
    {IDC_SEND_RECIPIENTS, "This is list of computers (users) which will receive note."},
    {IDC_SEND_GROUPS, "You can select old saved group."},
    {IDC_SEND_SAVE_GROUP,
     "Save current list of Note recipients as group in data file. Saved group name will appear as a item in note "
     "menu under 'Send note to' menu."},
    {IDC_SEND_DELETE_GROUP,
     "Delete selected group from data file and also group name item will be removed from 'Send note to' "
     "submenu."},
    {IDOK, "Send note to all computers on the recipients list."},
    {IDCANCEL, "Cancel sending note. Close this dialog."},
    {IDC_SEND_ADD, "Add computer name, IP address or email to recipients list."},
    {IDC_SEND_REMOVE, "Remove selected computer name, IP address or email from recipients list."},
    {IDC_SEND_CLEAR, "Clear list of recipients. Remove all from list."},
    {IDC_SEND_ADD_ALL, "Add all computer(s) from your Network Neighborhood to the recipients list."},
    {IDC_SEND_REFRESH, "Refresh Network Neighborhood list."},
    {IDC_SEND_IDENTITY,
     "Your identifier when sending note to other(s). This text will appear in received note title (except if "
     "anonymous sender is selected)."},
    {IDC_SEND_IDENTITY_TYPE,
     "Your identifier when sending note to other(s). This text will appear in received note title (except if "
     "anonymous sender is selected)."},
};

std::string WindowText(HWND hwnd) {
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

int Box(HWND owner, const std::string& text, UINT type) {
    return ::MessageBoxA(owner, text.c_str(), "Pinwell", type);
}

class WaitCursor {
public:
    WaitCursor() : old_(::SetCursor(::LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(old_); }

private:
    HCURSOR old_;
};

}  // namespace

CSendNoteDialog::CSendNoteDialog(std::int32_t noteId, std::string plainText)
    : CDialog(IDD_SEND_NOTE), m_noteId(noteId), m_plainText(std::move(plainText)) {}

CSendNoteDialog::CSendNoteDialog(Form form) : CDialog(IDD_SEND_NOTE), m_noteId(0), m_form(form) {}

CSendNoteDialog::~CSendNoteDialog() {
    if (m_images) ::ImageList_Destroy(m_images);
}

// ---- opening ------------------------------------------------------------------------

BOOL CSendNoteDialog::OnInitDialog() {
    RECT desktop{}, r{};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    ::GetWindowRect(m_hWnd, &r);
    ::SetWindowPos(m_hWnd, nullptr, desktop.left + ((desktop.right - desktop.left) - (r.right - r.left)) / 2,
                   desktop.top + ((desktop.bottom - desktop.top) - (r.bottom - r.top)) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    dialog_support::SetDialogIcon(m_hWnd, IDI_PINWELL);
    dialog_support::ApplyDialogInitData(m_hWnd, IDD_SEND_NOTE);

    HINSTANCE inst = ResourceInstance();
    m_networkMenu.LoadMenu(inst, IDR_NETWORK_MENU);
    m_networkMenu.SetPicture(ID_NETWORK_ADD, MenuPicture(IDB_MENU_RECIPIENT));
    m_networkMenu.SetPicture(ID_NETWORK_SHOW_IP, MenuPicture(IDB_MENU_NETWORK));
    m_recipientMenu.LoadMenu(inst, IDR_RECIPIENT_MENU);
    m_recipientMenu.SetPicture(ID_RECIPIENT_REMOVE, MenuPicture(IDB_MENU_DELETE_TEXT));
    m_recipientMenu.SetPicture(ID_RECIPIENT_SHOW_IP, MenuPicture(IDB_MENU_NETWORK));

    SetUpLists();
    FillNetworkList();
    FillGroupList();
    SetIdentityFields(IdentityFromSentFrom(CSettingsStore().ReadSentFrom(), CNetUtil().GetLocalComputerName()));

    // Enter in the typed recipient and in the network list adds; everywhere
    // else it sends. The two controls ask for the key themselves, so this
    // holds whether or not "Send note" can be pressed.
    ::SetWindowSubclass(Item(IDC_SEND_RECIPIENT), EnterKeyProc, IDC_SEND_RECIPIENT, reinterpret_cast<DWORD_PTR>(this));
    ::SetWindowSubclass(Item(IDC_SEND_NETWORK_LIST), EnterKeyProc, IDC_SEND_NETWORK_LIST,
                        reinterpret_cast<DWORD_PTR>(this));

    const int flat[] = {IDC_SEND_ADD,        IDC_SEND_REMOVE,       IDC_SEND_CLEAR, IDC_SEND_ADD_ALL, IDC_SEND_REFRESH,
                        IDC_SEND_SAVE_GROUP, IDC_SEND_DELETE_GROUP, IDOK,           IDCANCEL};
    for (std::size_t i = 0; i < std::size(flat); ++i) m_flatButtons[i].SubclassDlgItem(flat[i], m_hWnd);
    UpdateButtons();
    UpdateAddButton();
    CreateToolTips();
    if (m_form == Form::Manager) {
        ::ShowWindow(Item(IDOK), SW_HIDE);
        ::SetWindowTextA(m_hWnd, "Network and group manager");
    }
    return TRUE;
}

void CSendNoteDialog::SetUpLists() {
    const DWORD exStyle = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP;
    const std::pair<int, const char*> columns[] = {{IDC_SEND_NETWORK_LIST, "Network Neighborhood"},
                                                   {IDC_SEND_RECIPIENTS, "Note Recipients"}};
    for (const auto& [id, title] : columns) {
        HWND list = Item(id);
        ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, exStyle, exStyle);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = kColumnWidth;
        column.pszText = const_cast<char*>(title);
        ::SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    }

    m_images = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
    for (int icon : {IDI_COMPUTER, IDI_EMAIL}) {
        HICON h = static_cast<HICON>(::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(icon), IMAGE_ICON, 16, 16, 0));
        ::ImageList_AddIcon(m_images, h);
        if (h) ::DestroyIcon(h);
    }
    // The dialog keeps the image list; the list only borrows it.
    HWND recipients = Item(IDC_SEND_RECIPIENTS);
    ::SetWindowLongPtrA(recipients, GWL_STYLE, ::GetWindowLongPtrA(recipients, GWL_STYLE) | LVS_SHAREIMAGELISTS);
    ::SendMessageA(recipients, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_images));
}

// The tools subclass their controls, so the tips appear inside the dialog's
// own modal loop as well.
void CSendNoteDialog::CreateToolTips() {
    m_toolTip = dialog_support::CreateToolTips(m_hWnd, kTips, std::size(kTips));
    if (m_toolTip) ::SendMessageA(m_toolTip, TTM_SETMAXTIPWIDTH, 0, 300);
}

void CSendNoteDialog::FillNetworkList() {
    std::vector<std::string> names = ReadNetworkList();
    // Where the Windows network was enumerated, those computers are offered
    // too: the network list file is not ours to write.
    MergeNetworkNames(names, NetworkNameBuffer());

    HWND list = Item(IDC_SEND_NETWORK_LIST);
    ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (const std::string& name : names) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = 0;
        item.pszText = const_cast<char*>(name.c_str());
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::EnableWindow(Item(IDC_SEND_ADD_ALL), ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0);
}

void CSendNoteDialog::FillGroupList() {
    HWND combo = Item(IDC_SEND_GROUPS);
    for (const std::string& name : CGroupStore().GroupNames())
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

// ---- list plumbing ----------------------------------------------------------------------

std::string CSendNoteDialog::ItemText(HWND list, int index) {
    char buf[1024] = {};
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    ::SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return buf;
}

std::vector<std::string> CSendNoteDialog::ListTexts(HWND list) {
    std::vector<std::string> texts;
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) texts.push_back(ItemText(list, i));
    return texts;
}

std::vector<int> CSendNoteDialog::SelectedItems(HWND list) {
    std::vector<int> selected;
    for (int i = -1; (i = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;)
        selected.push_back(i);
    return selected;
}

bool CSendNoteDialog::HasRecipient(const std::string& text) const {
    const std::vector<std::string> texts = ListTexts(Item(IDC_SEND_RECIPIENTS));
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

void CSendNoteDialog::InsertRecipient(const std::string& text, bool email) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = 0;
    item.pszText = const_cast<char*>(text.c_str());
    item.iImage = email ? kEmailImage : kComputerImage;
    ::SendMessageA(Item(IDC_SEND_RECIPIENTS), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// ---- buttons ----------------------------------------------------------------------------

void CSendNoteDialog::UpdateButtons() {
    HWND focus = ::GetFocus();
    const bool any = ::SendMessageA(Item(IDC_SEND_RECIPIENTS), LVM_GETITEMCOUNT, 0, 0) > 0;
    for (int id : {IDOK, IDC_SEND_CLEAR, IDC_SEND_SAVE_GROUP}) ::EnableWindow(Item(id), any);
    ::EnableWindow(Item(IDC_SEND_DELETE_GROUP), ::SendMessageA(Item(IDC_SEND_GROUPS), CB_GETCURSEL, 0, 0) != CB_ERR);

    // A button that greyed itself must not take the keyboard with it: the
    // next control in tab order gets it.
    if (focus && ::IsChild(m_hWnd, focus) && !::IsWindowEnabled(focus))
        if (HWND next = ::GetNextDlgTabItem(m_hWnd, focus, FALSE))
            ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
}

void CSendNoteDialog::UpdateAddButton() {
    const bool networkSelected = !SelectedItems(Item(IDC_SEND_NETWORK_LIST)).empty();
    ::EnableWindow(Item(IDC_SEND_ADD), networkSelected || TypedRecipientAddable(WindowText(Item(IDC_SEND_RECIPIENT))));
    ::EnableWindow(Item(IDC_SEND_REMOVE), !SelectedItems(Item(IDC_SEND_RECIPIENTS)).empty());
}

void CSendNoteDialog::ClearGroupSelection() { ::SendMessageA(Item(IDC_SEND_GROUPS), CB_SETCURSEL, static_cast<WPARAM>(-1), 0); }

// ---- adding and removing -----------------------------------------------------------------

void CSendNoteDialog::AddTypedRecipient() {
    const Recipient r = NormaliseTypedRecipient(WindowText(Item(IDC_SEND_RECIPIENT)));
    // A space can be part of neither a name nor an address.
    if (r.text.empty() || r.text.find(' ') != std::string::npos || HasRecipient(r.text)) return;
    InsertRecipient(r.text, r.email);
    ::SetWindowTextA(Item(IDC_SEND_RECIPIENT), "");
}

void CSendNoteDialog::AddSelectedComputers() {
    HWND network = Item(IDC_SEND_NETWORK_LIST);
    for (int index : SelectedItems(network)) {
        const std::string name = ItemText(network, index);
        if (!name.empty() && !HasRecipient(name)) InsertRecipient(name, false);
    }
}

void CSendNoteDialog::AddAllComputers() {
    for (const std::string& name : ListTexts(Item(IDC_SEND_NETWORK_LIST)))
        if (!name.empty() && !HasRecipient(name)) InsertRecipient(name, false);
}

void CSendNoteDialog::RemoveSelectedRecipients() {
    HWND list = Item(IDC_SEND_RECIPIENTS);
    std::vector<int> selected = SelectedItems(list);
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) ::SendMessageA(list, LVM_DELETEITEM, *it, 0);
}

void CSendNoteDialog::ClearRecipients() { ::SendMessageA(Item(IDC_SEND_RECIPIENTS), LVM_DELETEALLITEMS, 0, 0); }

// ---- context menus -----------------------------------------------------------------------

void CSendNoteDialog::ShowListMenu(int listId) {
    HWND list = Item(listId);
    const std::vector<int> selected = SelectedItems(list);
    if (selected.size() != 1) return;
    if (listId == IDC_SEND_NETWORK_LIST) {
        m_networkMenu.TrackAtCursor(m_hWnd);
        return;
    }
    const std::string text = ItemText(list, selected[0]);
    const CNetUtil util;
    m_recipientMenu.Enable(ID_RECIPIENT_SHOW_IP, !util.IsEmailAddress(text) && !util.IsIpAddress(text),
                           MenuPicture(IDB_MENU_NETWORK));
    m_recipientMenu.TrackAtCursor(m_hWnd);
}

void CSendNoteDialog::ShowIpAddress(int listId) {
    HWND list = Item(listId);
    const std::vector<int> selected = SelectedItems(list);
    if (selected.empty()) return;
    const std::string name = ItemText(list, selected[0]);
    std::string address;
    {
        WaitCursor wait;
        address = CNetUtil().GetHostIpAddress(name);
    }
    char text[1200];
    if (!address.empty()) {
        std::snprintf(text, sizeof text, "%s : Computer IP address %s   ", name.c_str(), address.c_str());
        Box(m_hWnd, text, MB_OK | MB_ICONINFORMATION);
    } else {
        std::snprintf(text, sizeof text,
                      "%s : Can not determine IP Address of the selected computer.\nMaybe you type wrong computer "
                      "name or computer is turned off.",
                      name.c_str());
        Box(m_hWnd, text, MB_OK);
    }
}

// ---- groups ------------------------------------------------------------------------------

void CSendNoteDialog::ChooseGroup() {
    HWND combo = Item(IDC_SEND_GROUPS);
    const int index = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    ClearRecipients();
    if (index != CB_ERR) {
        std::string name(static_cast<std::size_t>(::SendMessageA(combo, CB_GETLBTEXTLEN, index, 0)) + 1, '\0');
        name.resize(static_cast<std::size_t>(
            ::SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name.data()))));
        const CNetUtil util;
        for (const std::string& recipient : SplitTildeList(CGroupStore().ReadGroup(name)))
            InsertRecipient(recipient, util.IsEmailAddress(recipient));
    }
    UpdateButtons();
    UpdateAddButton();
}

void CSendNoteDialog::SaveGroup() {
    const std::vector<std::string> recipients = ListTexts(Item(IDC_SEND_RECIPIENTS));
    if (recipients.empty()) return;
    CInputTextDialog input(CInputTextDialog::Mode::GroupName);
    if (input.DoModal(m_hWnd) != IDOK) return;
    if (const std::string problem = GroupNameProblem(input.m_text); !problem.empty()) {
        Box(m_hWnd, problem, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::string stored;
    if (!CGroupStore().SaveGroup(input.m_text, recipients, &stored)) {
        UpdateButtons();
        return;
    }
    // The list finds names without regard to case; groups are told apart
    // exactly.
    HWND combo = Item(IDC_SEND_GROUPS);
    int found = CB_ERR;
    const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count && found == CB_ERR; ++i) {
        std::string text(static_cast<std::size_t>(::SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
        text.resize(static_cast<std::size_t>(::SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        if (text == stored) found = i;
    }
    if (found == CB_ERR)
        found = static_cast<int>(::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(stored.c_str())));
    ::SendMessageA(combo, CB_SETCURSEL, found, 0);
    UpdateButtons();
}

void CSendNoteDialog::DeleteGroup() {
    HWND combo = Item(IDC_SEND_GROUPS);
    const int index = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    if (index == CB_ERR) return;
    std::string name(static_cast<std::size_t>(::SendMessageA(combo, CB_GETLBTEXTLEN, index, 0)) + 1, '\0');
    name.resize(static_cast<std::size_t>(::SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name.data()))));
    if (name.empty()) return;
    if (Box(m_hWnd, "Delete group '" + name + "'. " + "Are you sure ? ", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    // A group that could not be deleted stays on offer.
    if (CGroupStore().DeleteGroup(name)) {
        ::SendMessageA(combo, CB_DELETESTRING, index, 0);
        ClearGroupSelection();
        ClearRecipients();
    }
    UpdateButtons();
    UpdateAddButton();
}

// ---- identity ----------------------------------------------------------------------------

void CSendNoteDialog::SetIdentityFields(const IdentityFields& fields) {
    ::SendMessageA(Item(IDC_SEND_IDENTITY_TYPE), CB_SETCURSEL, static_cast<WPARAM>(static_cast<int>(fields.type)), 0);
    if (fields.changeText) ::SetWindowTextA(Item(IDC_SEND_IDENTITY), fields.text.c_str());
    if (fields.changeEditable) ::SendMessageA(Item(IDC_SEND_IDENTITY), EM_SETREADONLY, !fields.editable, 0);
}

void CSendNoteDialog::ChangeIdentityType() {
    const int index = static_cast<int>(::SendMessageA(Item(IDC_SEND_IDENTITY_TYPE), CB_GETCURSEL, 0, 0));
    if (index < 0 || index > static_cast<int>(IdentityType::Name)) return;
    IdentityLookups lookups;
    lookups.computerName = [] { return CNetUtil().GetLocalComputerName(); };
    lookups.localIpAddress = [] {
        WaitCursor wait;
        const CNetUtil util;
        return util.GetHostIpAddress(util.GetLocalComputerName());
    };
    lookups.userDisplayName = [] { return GetUserDisplayName(); };
    SetIdentityFields(IdentityForType(static_cast<IdentityType>(index), WindowText(Item(IDC_SEND_IDENTITY)), lookups));
}

// ---- network and sending ---------------------------------------------------------------------

void CSendNoteDialog::RefreshNetwork() {
    // Messages keep flowing while the neighbourhood is read; the dialog takes
    // no input meanwhile, so nothing can send or close it half-way.
    HWND focus = ::GetFocus();
    ::EnableWindow(m_hWnd, FALSE);
    ReadNetworkNeighbourhood(m_hWnd);
    ::EnableWindow(m_hWnd, TRUE);
    FillNetworkList();
    UpdateAddButton();
    if (focus && ::IsWindow(focus)) ::SetFocus(focus);
}

void CSendNoteDialog::SendNote() {
    if (g_emailCheckRunning) {
        Box(m_hWnd, "Checking for email notes is in progress. When checking is done click Send note button again.",
            MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    DeliveryReport report;
    std::string identity;
    {
        // Windows Sockets for the computers only: ended before the dialog does.
        net::WinsockSession winsock;
        if (!winsock.Ok()) {
            Box(m_hWnd, "Windows Socket initialization failed. Wrong version ...", MB_OK | MB_ICONSTOP);
            EndDialog(IDOK);
            return;
        }
        const int index = static_cast<int>(::SendMessageA(Item(IDC_SEND_IDENTITY_TYPE), CB_GETCURSEL, 0, 0));
        const IdentityType type = index >= 0 && index <= static_cast<int>(IdentityType::Name)
                                      ? static_cast<IdentityType>(index)
                                      : IdentityType::None;
        const IdentityCheck check = CheckIdentity(type, WindowText(Item(IDC_SEND_IDENTITY)));
        if (!check.message.empty()) {
            Box(m_hWnd, check.message, MB_OK | MB_ICONEXCLAMATION);
            const int focus = check.focus == IdentityCheck::Focus::TypeList ? IDC_SEND_IDENTITY_TYPE : IDC_SEND_IDENTITY;
            ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(focus)), TRUE);
            return;
        }
        identity = check.identity;
        report = DeliverNote(m_noteId, ListTexts(Item(IDC_SEND_RECIPIENTS)), identity, m_plainText);
    }
    m_sent = true;
    m_errors = report.errors;
    m_emailRecipients = report.email;
    m_identity = identity;
    if (!m_errors.empty() && CSettingsStore().IsOn(Switch::ShowSendErrorMessage)) Box(m_hWnd, m_errors, MB_OK);
    EndDialog(IDOK);
}

// ---- messages ----------------------------------------------------------------------------

void CSendNoteDialog::OnOK() {
    // "Send note" pressed, or Enter outside the two adding controls.
    if (m_form == Form::Manager || !::IsWindowEnabled(Item(IDOK))) return;
    SendNote();
}

BOOL CSendNoteDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDC_SEND_ADD:
        if (code != BN_CLICKED) return FALSE;
        AddTypedRecipient();
        AddSelectedComputers();
        break;
    case ID_NETWORK_ADD:
        AddSelectedComputers();
        break;
    case IDC_SEND_ADD_ALL:
        if (code != BN_CLICKED) return FALSE;
        AddAllComputers();
        break;
    case IDC_SEND_REMOVE:
    case ID_RECIPIENT_REMOVE:
        if (lParam && code != BN_CLICKED) return FALSE;
        RemoveSelectedRecipients();
        break;
    case IDC_SEND_CLEAR:
        if (code != BN_CLICKED) return FALSE;
        ClearRecipients();
        break;
    case ID_NETWORK_SHOW_IP:
        ShowIpAddress(IDC_SEND_NETWORK_LIST);
        return TRUE;
    case ID_RECIPIENT_SHOW_IP:
        ShowIpAddress(IDC_SEND_RECIPIENTS);
        return TRUE;
    case IDC_SEND_RECIPIENT:
        if (code == EN_CHANGE) UpdateAddButton();
        return TRUE;
    case IDC_SEND_GROUPS:
        if (code == CBN_SELCHANGE) ChooseGroup();
        return TRUE;
    case IDC_SEND_IDENTITY_TYPE:
        if (code == CBN_SELCHANGE) ChangeIdentityType();
        return TRUE;
    case IDC_SEND_SAVE_GROUP:
        if (code == BN_CLICKED) SaveGroup();
        return TRUE;
    case IDC_SEND_DELETE_GROUP:
        if (code == BN_CLICKED) DeleteGroup();
        return TRUE;
    case IDC_SEND_REFRESH:
        if (code == BN_CLICKED) RefreshNetwork();
        return TRUE;
    default:
        return FALSE;
    }
    // Every change of the recipients by hand leaves no group chosen.
    ClearGroupSelection();
    UpdateButtons();
    UpdateAddButton();
    return TRUE;
}

bool CSendNoteDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    const int id = static_cast<int>(header->idFrom);
    if (id != IDC_SEND_NETWORK_LIST && id != IDC_SEND_RECIPIENTS) return false;
    switch (header->code) {
    case LVN_ITEMCHANGED:
        if (reinterpret_cast<const NMLISTVIEW*>(lParam)->uChanged & LVIF_STATE) UpdateAddButton();
        break;
    case NM_RCLICK:
        ShowListMenu(id);
        break;
    case NM_DBLCLK:
        if (id != IDC_SEND_NETWORK_LIST) return false;
        OnCommand(MAKEWPARAM(ID_NETWORK_ADD, 0), 0);
        break;
    case LVN_KEYDOWN:
        if (id != IDC_SEND_RECIPIENTS || reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey != VK_DELETE) return false;
        OnCommand(MAKEWPARAM(ID_RECIPIENT_REMOVE, 0), 0);
        break;
    default:
        return false;
    }
    result = 0;
    return true;
}

LRESULT CALLBACK CSendNoteDialog::EnterKeyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                               DWORD_PTR self) {
    switch (msg) {
    case WM_GETDLGCODE:
        if (lParam) {
            const MSG* m = reinterpret_cast<const MSG*>(lParam);
            if ((m->message == WM_KEYDOWN || m->message == WM_CHAR) && m->wParam == VK_RETURN)
                return ::DefSubclassProc(hwnd, msg, wParam, lParam) | DLGC_WANTMESSAGE;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            auto* dialog = reinterpret_cast<CSendNoteDialog*>(self);
            if (id == IDC_SEND_RECIPIENT) {
                dialog->AddTypedRecipient();
                dialog->ClearGroupSelection();
                dialog->UpdateButtons();
                dialog->UpdateAddButton();
            } else {
                dialog->OnCommand(MAKEWPARAM(ID_NETWORK_ADD, 0), 0);
            }
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == '\r' || wParam == '\n') return 0;  // no beep, no search
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hwnd, EnterKeyProc, id);
        break;
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}
