#include "note/OrganizeThemesDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "win/DialogSupport.h"
#include "res/resource.h"
#include "win/WinApp.h"
#include "win/Program.h"

namespace {

const dialog_support::Tip kThemeTips[] = {
    {IDC_THEME_LIST, "List of saved note themes. In same order themes will be visible in note menu."},
    {IDC_THEME_RENAME, "Rename selected theme."},
    {IDC_THEME_DELETE, "Delete selected theme(s) from ini file and note menu."},
    {IDC_THEME_UP, "Move selected theme up in the themes list."},
    {IDC_THEME_DOWN, "Move selected theme down in the themes list."},
    {IDC_THEME_SORT, "Sort saved themes. Also it will be sorted in note menu."},
    {IDOK, "Close organize themes dialog."},
};

constexpr int kNameColumnWidth = 193;
constexpr char kDeleteQuestion[] = "Delete selected saved theme(s). %s  ";
constexpr char kAreYouSure[] = "Are you sure ? ";

}  // namespace

COrganizeThemesDialog::COrganizeThemesDialog() : CDialog(IDD_ORGANIZE_THEMES) {}

BOOL COrganizeThemesDialog::OnInitDialog() {
    dialog_support::SetDialogIcon(m_hWnd, IDI_THEMES);

    const int flat[] = {IDC_THEME_RENAME, IDC_THEME_DELETE, IDC_THEME_UP, IDC_THEME_DOWN, IDC_THEME_SORT, IDOK};
    for (int i = 0; i < 6; ++i) m_buttons[i].SubclassDlgItem(flat[i], m_hWnd);
    // The arrows are pictures on a plain background; as icons they sit on the
    // button's face and grey out with it. The buttons keep the pictures too,
    // for anyone who asks them for their image.
    HINSTANCE inst = ResourceInstance();
    m_upPicture.Reset(static_cast<HBITMAP>(
        ::LoadImageA(inst, MAKEINTRESOURCEA(IDB_ARROW_UP), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    m_downPicture.Reset(static_cast<HBITMAP>(
        ::LoadImageA(inst, MAKEINTRESOURCEA(IDB_ARROW_DOWN), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const HBITMAP pictures[] = {m_upPicture.Get(), m_downPicture.Get()};
    for (int i = 0; i < 2; ++i) {
        m_buttons[2 + i].SetIcons(CFlatButton::IconFromBitmap(pictures[i]));
        ::SendMessageA(m_buttons[2 + i].GetSafeHwnd(), BM_SETIMAGE, IMAGE_BITMAP,
                       reinterpret_cast<LPARAM>(pictures[i]));
    }

    SetUpList();
    m_rows = LoadSavedThemeRows();
    FillList();
    m_toolTip = dialog_support::CreateToolTips(m_hWnd, kThemeTips, std::size(kThemeTips));
    return TRUE;
}

void COrganizeThemesDialog::SetUpList() {
    m_list = GetDlgItem(IDC_THEME_LIST);
    ::SendMessageA(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);

    // Every row shows the same picture. The list owns the image list and
    // destroys it with itself.
    HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (HICON icon = static_cast<HICON>(
            ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(IDI_THEME), IMAGE_ICON, 16, 16, 0))) {
        ::ImageList_AddIcon(images, icon);
        ::DestroyIcon(icon);
    }
    ::SendMessageA(m_list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));

    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_CENTER;
    column.cx = kNameColumnWidth;
    column.pszText = const_cast<char*>("Saved themes");
    column.iSubItem = 0;
    ::SendMessageA(m_list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    // The slot number travels with the row but is not shown.
    column.fmt = LVCFMT_LEFT;
    column.cx = 0;
    column.pszText = const_cast<char*>("Note ID");
    column.iSubItem = 1;
    ::SendMessageA(m_list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
}

void COrganizeThemesDialog::FillList(const std::vector<std::int32_t>& selectIds) {
    ::SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(m_list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        std::string name = SavedThemeRowText(m_rows[i]);
        std::string id = std::to_string(m_rows[i].id);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = name.data();
        item.iImage = 0;
        item.lParam = static_cast<LPARAM>(i);
        const int index = static_cast<int>(::SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        LVITEMA sub{};
        sub.iSubItem = 1;
        sub.pszText = id.data();
        ::SendMessageA(m_list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
        if (std::find(selectIds.begin(), selectIds.end(), m_rows[i].id) != selectIds.end()) {
            LVITEMA state{};
            state.stateMask = state.state = LVIS_SELECTED;
            ::SendMessageA(m_list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
        }
    }
    ::SendMessageA(m_list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_list, nullptr, TRUE);
    UpdateButtons();
}

std::vector<std::size_t> COrganizeThemesDialog::SelectedRows() const {
    std::vector<std::size_t> rows;
    int index = -1;
    while ((index = static_cast<int>(::SendMessageA(m_list, LVM_GETNEXTITEM, index, LVNI_SELECTED))) >= 0)
        rows.push_back(static_cast<std::size_t>(index));
    return rows;
}

void COrganizeThemesDialog::UpdateButtons() {
    const std::size_t selected = SelectedRows().size();
    for (int id : {IDC_THEME_RENAME, IDC_THEME_UP, IDC_THEME_DOWN}) ::EnableWindow(GetDlgItem(id), selected == 1);
    ::EnableWindow(GetDlgItem(IDC_THEME_DELETE), selected >= 1);
    ::EnableWindow(GetDlgItem(IDC_THEME_SORT), !m_rows.empty());
}

BOOL COrganizeThemesDialog::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_THEME_RENAME: StartRename(); return TRUE;
    case IDC_THEME_DELETE: DeleteSelected(); return TRUE;
    case IDC_THEME_UP: MoveSelected(-1); return TRUE;
    case IDC_THEME_DOWN: MoveSelected(1); return TRUE;
    case IDC_THEME_SORT: Sort(-1); return TRUE;
    default: return FALSE;
    }
}

bool COrganizeThemesDialog::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_THEME_LIST) return false;
    switch (header->code) {
    case LVN_ITEMCHANGED:
        if (reinterpret_cast<const NMLISTVIEW*>(lParam)->uChanged & LVIF_STATE) UpdateButtons();
        return false;
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE) {
            DeleteSelected();
            result = 0;
            return true;
        }
        return false;
    case LVN_COLUMNCLICK:
        Sort(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
        result = 0;
        return true;
    case LVN_BEGINLABELEDITA:
        if (HWND edit = reinterpret_cast<HWND>(::SendMessageA(m_list, LVM_GETEDITCONTROL, 0, 0)))
            ::SendMessageA(edit, EM_LIMITTEXT, kThemeNameLimit, 0);
        result = FALSE;  // editing may begin
        return true;
    case LVN_ENDLABELEDITA:
        result = EndRename(*reinterpret_cast<const NMLVDISPINFOA*>(lParam));
        return true;
    default:
        return false;
    }
}

void COrganizeThemesDialog::StartRename() {
    const std::vector<std::size_t> selected = SelectedRows();
    if (selected.size() != 1) return;
    ::SetFocus(m_list);
    ::SendMessageA(m_list, LVM_EDITLABELA, selected[0], 0);
}

// The list shows what RenameSavedThemeRow kept (trimmed), so the edit's own
// text is never taken as it stands: the result is always FALSE.
bool COrganizeThemesDialog::EndRename(const NMLVDISPINFOA& info) {
    const int index = info.item.iItem;
    if (!info.item.pszText || index < 0 || static_cast<std::size_t>(index) >= m_rows.size()) return false;
    // Confirming the placeholder of an unnamed theme unchanged does not make
    // the placeholder its name.
    if (SavedThemeRowText(m_rows[index]) == info.item.pszText) return false;
    if (RenameSavedThemeRow(m_rows, static_cast<std::size_t>(index), info.item.pszText)) {
        LVITEMA item{};
        item.iSubItem = 0;
        item.pszText = m_rows[index].name.data();
        ::SendMessageA(m_list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    }
    return false;
}

void COrganizeThemesDialog::DeleteSelected() {
    const std::vector<std::size_t> selected = SelectedRows();
    if (selected.empty()) return;
    char question[128];
    wsprintfA(question, kDeleteQuestion, kAreYouSure);
    if (::MessageBoxA(m_hWnd, question, "Pinwell", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    // On failure the message has been shown and file and rows are unchanged.
    if (DeleteSavedThemes(m_rows, selected)) FillList();
}

void COrganizeThemesDialog::MoveSelected(int direction) {
    const std::vector<std::size_t> selected = SelectedRows();
    if (selected.size() != 1 || !MoveSavedThemeRow(m_rows, selected[0], direction)) return;
    const int moved = static_cast<int>(selected[0]) + direction;
    FillList({m_rows[moved].id});
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(m_list, LVM_SETITEMSTATE, moved, reinterpret_cast<LPARAM>(&state));
    ::SendMessageA(m_list, LVM_ENSUREVISIBLE, moved, FALSE);
}

void COrganizeThemesDialog::Sort(int column) {
    if (m_rows.empty()) return;
    std::vector<std::int32_t> selectedIds;
    for (std::size_t i : SelectedRows()) selectedIds.push_back(m_rows[i].id);
    SortSavedThemeRows(m_rows, s_sortState, ::lstrcmpA, column);
    FillList(selectedIds);
}

void COrganizeThemesDialog::OnOK() { CloseWithCompaction(IDOK); }
void COrganizeThemesDialog::OnCancel() { CloseWithCompaction(IDCANCEL); }

void COrganizeThemesDialog::CloseWithCompaction(INT_PTR result) {
    if (m_closing) return;
    m_closing = true;
    // A name still being typed when the close box is clicked counts.
    if (::SendMessageA(m_list, LVM_GETEDITCONTROL, 0, 0)) ::SetFocus(m_list);
    HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    // A failed write has been reported; the dialog closes all the same, as
    // there is nothing the user could change here to make it succeed.
    CompactSavedThemes(m_rows);
    ::SetCursor(previous);
    EndDialog(result);
}
