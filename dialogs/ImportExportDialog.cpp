#include "dialogs/ImportExportDialog.h"

#include <commctrl.h>

#include <iterator>

#include "base/Seams.h"
#include "res/resource.h"
#include "store/SettingsStore.h"
#include "win/DialogSupport.h"
#include "win/WinApp.h"
#include "win/Program.h"

namespace {

struct ModeTexts {
    const char* caption;
    const char* instruction;
    const char* okText;
};

const ModeTexts kTexts[] = {
    {"Import note", "Please check only one note which you want to import from file :", "Import"},
    {"Import note(s)", "Please check note(s) which you want import from file :", "Import"},
    {"Export note(s)", "Please check note(s) which you want export to file :", "Export"},
    {"Delete note(s)",
     "Please check note(s) which you want to delete. Max ini file size is reached so you need to delete some of "
     "your old notes.",
     "Delete"},
};

const dialog_support::Tip kTips[] = {
    {IDC_EXCHANGE_LIST, "List of notes avaiable for import, export or delete. Depending on dialog type."},
    {IDOK, "Import, export or delete note(s). Depending on dialog type."},
    {IDCANCEL, "Cancel and close dialog."},
    {IDC_EXCHANGE_CHECK_ALL, "Check all note(s) in notes list."},
    {IDC_EXCHANGE_UNCHECK_ALL, "Uncheck all note(s) in notes list."},
};

constexpr char kMustDelete[] =
    "Maximum Pinwell program main ini file size is reached !\nSorry but you must delete some of your old notes ...";

bool IsChecked(HWND list, int row) {
    const UINT state = static_cast<UINT>(::SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return (state >> 12) == 2;
}

void SetChecked(HWND list, int row, bool checked) {
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    ::SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

std::string CellText(HWND list, int row, int column) {
    char buf[512] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    ::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buf;
}

}  // namespace

CImportExportDialog::CImportExportDialog(Mode mode) : CDialog(IDD_IMPORT_EXPORT), m_mode(mode) {}

BOOL CImportExportDialog::OnInitDialog() {
    dialog_support::SetDialogIcon(m_hWnd, IDI_PINWELL);
    const ModeTexts& texts = kTexts[m_mode - 1];
    ::SetWindowTextA(m_hWnd, texts.caption);
    ::SetDlgItemTextA(m_hWnd, IDC_EXCHANGE_INSTRUCTION, texts.instruction);
    ::SetDlgItemTextA(m_hWnd, IDOK, texts.okText);
    if (m_mode == kImportOne) {
        ::ShowWindow(GetDlgItem(IDC_EXCHANGE_CHECK_ALL), SW_HIDE);
        ::ShowWindow(GetDlgItem(IDC_EXCHANGE_UNCHECK_ALL), SW_HIDE);
    }
    if (m_mode == kDelete) ::EnableWindow(GetDlgItem(IDCANCEL), FALSE);

    SetUpList();
    if (ImportMode()) {
        const std::string format = CSettingsStore().DateFormat();
        for (const ExportIndexEntry& entry : m_indexEntries) {
            const ImportRow row = ImportRowFromIndex(entry.value, format);
            m_rowSections.push_back(entry.sectionId);
            AddRow({row.title, row.date, row.time}, static_cast<LPARAM>(m_rowSections.size() - 1));
        }
    } else {
        for (const std::string& entry : m_noteEntries) {
            NoteListRow row;
            if (ParseNoteListEntry(entry, row)) AddRow({row.title, row.hidden, row.id}, 0);
        }
    }
    const int flat[] = {IDOK, IDCANCEL, IDC_EXCHANGE_CHECK_ALL, IDC_EXCHANGE_UNCHECK_ALL};
    for (int i = 0; i < 4; ++i) m_buttons[i].SubclassDlgItem(flat[i], m_hWnd);
    UpdateOk();
    m_toolTip = dialog_support::CreateToolTips(m_hWnd, kTips, std::size(kTips));
    return TRUE;
}

void CImportExportDialog::SetUpList() {
    m_list = GetDlgItem(IDC_EXCHANGE_LIST);
    ::SendMessageA(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP);
    HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (HICON icon = static_cast<HICON>(
            ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(IDI_NOTE), IMAGE_ICON, 16, 16, 0))) {
        ::ImageList_AddIcon(images, icon);
        ::DestroyIcon(icon);
    }
    ::SendMessageA(m_list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));

    struct Column { const char* title; int width; };
    const Column importColumns[] = {{"Note title", 201}, {"Exported date", 80}, {"Exported time", 80}};
    // The identifier travels with the row in a column nobody sees.
    const Column noteColumns[] = {{"Note title", 287}, {"Hidden", 61}, {"Note ID", 0}};
    const Column* columns = ImportMode() ? importColumns : noteColumns;
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = const_cast<char*>(columns[i].title);
        column.iSubItem = i;
        ::SendMessageA(m_list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void CImportExportDialog::AddRow(const std::vector<std::string>& cells, LPARAM data) {
    std::string first = cells[0];
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = static_cast<int>(::SendMessageA(m_list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = first.data();
    item.iImage = 0;
    item.lParam = data;
    const int row = static_cast<int>(::SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (int column = 1; column < static_cast<int>(cells.size()); ++column) {
        std::string text = cells[column];
        LVITEMA sub{};
        sub.iSubItem = column;
        sub.pszText = text.data();
        ::SendMessageA(m_list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
    }
}

std::vector<int> CImportExportDialog::CheckedRows() const {
    std::vector<int> rows;
    const int count = static_cast<int>(::SendMessageA(m_list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        if (IsChecked(m_list, row)) rows.push_back(row);
    return rows;
}

void CImportExportDialog::SetAllChecks(bool checked) {
    const int count = static_cast<int>(::SendMessageA(m_list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) SetChecked(m_list, row, checked);
    UpdateOk();
}

void CImportExportDialog::UpdateOk() {
    const std::size_t checked = CheckedRows().size();
    const bool enable = m_mode == kImportOne ? checked == 1 : checked >= 1;
    ::EnableWindow(GetDlgItem(IDOK), enable);
}

void CImportExportDialog::OnOK() {
    const std::vector<int> rows = CheckedRows();
    if (m_mode == kImportOne ? rows.size() != 1 : rows.empty()) return;  // Enter while OK is grey
    m_result.clear();
    m_checkedSections.clear();
    for (int row : rows) {
        if (ImportMode()) {
            LVITEMA item{};
            item.mask = LVIF_PARAM;
            item.iItem = row;
            ::SendMessageA(m_list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            const auto index = static_cast<std::size_t>(item.lParam);
            if (index < m_rowSections.size()) m_checkedSections.push_back(m_rowSections[index]);
        } else {
            m_result += CellText(m_list, row, 2) + "~";
        }
    }
    EndDialog(IDOK);
}

void CImportExportDialog::OnCancel() {
    // A full data file must lose something before the user may go on.
    if (m_mode == kDelete && m_result.empty()) {
        ShowNotice(kMustDelete, NoticeIcon::Warning);
        return;
    }
    EndDialog(IDCANCEL);
}

BOOL CImportExportDialog::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_EXCHANGE_CHECK_ALL: SetAllChecks(true); return TRUE;
    case IDC_EXCHANGE_UNCHECK_ALL: SetAllChecks(false); return TRUE;
    default: return FALSE;
    }
}

bool CImportExportDialog::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_EXCHANGE_LIST) return false;
    if (header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if ((change->uChanged & LVIF_STATE) &&
            ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK))
            UpdateOk();
        return false;
    }
    if (header->code == NM_DBLCLK) {
        const int row = static_cast<int>(::SendMessageA(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (row >= 0) SetChecked(m_list, row, !IsChecked(m_list, row));
        result = 0;
        return true;
    }
    return false;
}
