#include "dialogs/ParagraphDialog.h"

#include <commctrl.h>

#include <string>

#include "dialogs/DialogLogic.h"
#include "res/resource.h"
#include "win/WinApp.h"
#include "win/Program.h"

static_assert(sizeof(PARAFORMAT) == 156, "the paragraph record has the rich-edit 1.0 layout");
static_assert(kParagraphMask == (PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_ALIGNMENT | PFM_NUMBERING),
              "the dialog owns indents, alignment and numbering");
static_assert(kAlignLeft == PFA_LEFT && kAlignRight == PFA_RIGHT && kAlignCenter == PFA_CENTER &&
              kNumberingBullet == PFN_BULLET, "rich-edit values");

namespace {

std::string ItemText(HWND dialog, int id) {
    HWND item = ::GetDlgItem(dialog, id);
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

struct Tip {
    int id;
    const char* text;
};

const Tip kTips[] = {
    {IDC_PARA_LEFT, "Paragraph(s) will be aligned with the left margin."},
    {IDC_PARA_CENTER, "Paragraph(s) are centered."},
    {IDC_PARA_RIGHT, "Paragraph(s) will be aligned with the right margin."},
    {IDC_PARA_LEFT_INDENT, "Format paragraph(s) left indentation, relative to the left margin."},
    {IDC_PARA_RIGHT_INDENT, "Format paragraph(s) right indentation, relative to the right margin."},
    {IDC_PARA_BULLET, "Add bullet style to paragraph(s)."},
    {IDOK, "Format and apply paragraph(s) settings."},
    {IDCANCEL, "Cancel formatting paragraph(s)."},
};

}  // namespace

CParagraphDialog::CParagraphDialog(const PARAFORMAT& current)
    : CDialog(IDD_PARAGRAPH), m_format(current) {}

BOOL CParagraphDialog::OnInitDialog() {
    HINSTANCE inst = ResourceInstance();
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(::LoadIconA(inst, MAKEINTRESOURCEA(IDI_PARAGRAPH))));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(::LoadImageA(inst, MAKEINTRESOURCEA(IDI_PARAGRAPH), IMAGE_ICON,
                                                         ::GetSystemMetrics(SM_CXSMICON),
                                                         ::GetSystemMetrics(SM_CYSMICON), LR_SHARED)));

    // The pictures are drawn on light grey; mapped, they sit on the face colour.
    const int pictures[3][2] = {{IDC_PARA_LEFT_PICTURE, IDB_PARA_LEFT},
                                {IDC_PARA_CENTER_PICTURE, IDB_PARA_CENTER},
                                {IDC_PARA_RIGHT_PICTURE, IDB_PARA_RIGHT}};
    for (int i = 0; i < 3; ++i) {
        m_pictures[i].Reset(static_cast<HBITMAP>(
            ::LoadImageA(inst, MAKEINTRESOURCEA(pictures[i][1]), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
        ::SendDlgItemMessageA(m_hWnd, pictures[i][0], STM_SETIMAGE, IMAGE_BITMAP,
                              reinterpret_cast<LPARAM>(m_pictures[i].Get()));
    }

    ParagraphValues values;
    values.numbering = m_format.wNumbering;
    values.startIndent = m_format.dxStartIndent;
    values.rightIndent = m_format.dxRightIndent;
    values.alignment = m_format.wAlignment;
    const ParagraphFields fields = FieldsFromParagraph(values);
    switch (fields.alignment) {
    case ParagraphAlignment::Left: ::CheckDlgButton(m_hWnd, IDC_PARA_LEFT, BST_CHECKED); break;
    case ParagraphAlignment::Center: ::CheckDlgButton(m_hWnd, IDC_PARA_CENTER, BST_CHECKED); break;
    case ParagraphAlignment::Right: ::CheckDlgButton(m_hWnd, IDC_PARA_RIGHT, BST_CHECKED); break;
    case ParagraphAlignment::None: break;
    }
    ::CheckDlgButton(m_hWnd, IDC_PARA_BULLET, fields.bullet ? BST_CHECKED : BST_UNCHECKED);
    m_format.dwMask = kParagraphMask;
    m_leftMillimetres = fields.leftMillimetres;
    m_rightMillimetres = fields.rightMillimetres;
    ::SetDlgItemInt(m_hWnd, IDC_PARA_LEFT_INDENT, static_cast<UINT>(m_leftMillimetres), TRUE);
    ::SetDlgItemInt(m_hWnd, IDC_PARA_RIGHT_INDENT, static_cast<UINT>(m_rightMillimetres), TRUE);

    CreateToolTips();
    return TRUE;
}

// The tools subclass their controls, so the tooltip sees the mouse even while
// the dialog's own modal loop runs.
void CParagraphDialog::CreateToolTips() {
    m_toolTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                                  nullptr, ResourceInstance(), nullptr);
    if (!m_toolTip) return;
    for (const Tip& tip : kTips) {
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = m_hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(tip.id));
        ti.lpszText = const_cast<char*>(tip.text);
        ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    ::SendMessageA(m_toolTip, TTM_SETTIPBKCOLOR, 0x00AFFFFF, 0);
    ::SendMessageA(m_toolTip, TTM_SETMAXTIPWIDTH, 0, 200);
    ::SendMessageA(m_toolTip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 600);
    ::SendMessageA(m_toolTip, TTM_ACTIVATE, TRUE, 0);
}

bool CParagraphDialog::ReadIndent(int id, int& millimetres) {
    const IndentParse parsed = ParseIndentMillimetres(ItemText(m_hWnd, id), millimetres);
    if (parsed == IndentParse::Ok) return true;
    const std::string message =
        parsed == IndentParse::NotANumber
            ? std::string("Please enter an integer.")
            : "Please enter an integer between -" + std::to_string(kMaxIndentMillimetres) + " and " +
                  std::to_string(kMaxIndentMillimetres) + ".";
    ::MessageBoxA(m_hWnd, message.c_str(), "Pinwell", MB_OK | MB_ICONEXCLAMATION);
    HWND edit = GetDlgItem(id);
    ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    return false;
}

void CParagraphDialog::OnOK() {
    ParagraphFields fields;
    if (!ReadIndent(IDC_PARA_LEFT_INDENT, fields.leftMillimetres) ||
        !ReadIndent(IDC_PARA_RIGHT_INDENT, fields.rightMillimetres))
        return;
    if (::IsDlgButtonChecked(m_hWnd, IDC_PARA_LEFT) == BST_CHECKED)
        fields.alignment = ParagraphAlignment::Left;
    else if (::IsDlgButtonChecked(m_hWnd, IDC_PARA_CENTER) == BST_CHECKED)
        fields.alignment = ParagraphAlignment::Center;
    else if (::IsDlgButtonChecked(m_hWnd, IDC_PARA_RIGHT) == BST_CHECKED)
        fields.alignment = ParagraphAlignment::Right;
    fields.bullet = ::IsDlgButtonChecked(m_hWnd, IDC_PARA_BULLET) == BST_CHECKED;

    ParagraphValues values;
    values.numbering = m_format.wNumbering;
    values.startIndent = m_format.dxStartIndent;
    values.rightIndent = m_format.dxRightIndent;
    values.alignment = m_format.wAlignment;
    ApplyParagraphFields(fields, values);  // both indents were range-checked above

    m_leftMillimetres = fields.leftMillimetres;
    m_rightMillimetres = fields.rightMillimetres;
    m_format.cbSize = sizeof(PARAFORMAT);
    m_format.dwMask = kParagraphMask;
    m_format.wNumbering = values.numbering;
    m_format.dxStartIndent = values.startIndent;
    m_format.dxRightIndent = values.rightIndent;
    m_format.wAlignment = values.alignment;
    EndDialog(IDOK);
}
