#include "note/NotePrint.h"

#include <commdlg.h>
#include <richedit.h>

#include <algorithm>

#include "base/Seams.h"
#include "note/NoteDialog.h"
#include "note/NotePictureFile.h"
#include "win/OnDemand.h"

namespace {

class CSystemPrintSetup : public IPrintSetupDialog {
public:
    HDC Ask(HWND owner) override;
};

Seam<IPrintSetupDialog> g_printSetup;

HDC CSystemPrintSetup::Ask(HWND owner) {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.Flags = PD_RETURNDC | PD_PRINTSETUP | PD_NOPAGENUMS | PD_NOSELECTION;
    const BOOL ok = ondemand::PrintDlgA(&pd);
    if (pd.hDevMode) ::GlobalFree(pd.hDevMode);
    if (pd.hDevNames) ::GlobalFree(pd.hDevNames);
    if (!ok) {
        if (pd.hDC) ::DeleteDC(pd.hDC);
        return nullptr;
    }
    return pd.hDC;
}

}  // namespace

IPrintSetupDialog* SetPrintSetupDialog(IPrintSetupDialog* dialog) { return g_printSetup.Install(dialog); }

int PrintNoteOn(HDC dc, CNoteDialog& note, HWND body, const std::function<void()>& pageBreak) {
    const int dpiX = std::max(::GetDeviceCaps(dc, LOGPIXELSX), 1);
    const int dpiY = std::max(::GetDeviceCaps(dc, LOGPIXELSY), 1);
    const int pageWidth = ::GetDeviceCaps(dc, HORZRES);
    const int pageHeight = ::GetDeviceCaps(dc, VERTRES);

    auto has = [&](char c) { return note.m_titleFontType.find(c) != std::string::npos; };
    LOGFONTA lf{};
    lf.lfHeight = -::MulDiv(note.m_titleFontSize, dpiY, 72);
    lf.lfWeight = has('B') ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = has('I');
    lf.lfUnderline = has('U');
    lf.lfStrikeOut = has('S');
    lf.lfCharSet = note.m_titleCharSet;
    lstrcpynA(lf.lfFaceName, note.m_titleFontName.c_str(), LF_FACESIZE);

    const std::string title = note.TitleText();
    HFONT font = ::CreateFontIndirectA(&lf);
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, title.empty() ? " " : title.c_str(), title.empty() ? 1 : static_cast<int>(title.size()),
                            &extent);
    const int lineHeight = std::max<int>(extent.cy, 1);
    RECT titleRect{0, 0, pageWidth, lineHeight};
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextA(dc, title.c_str(), static_cast<int>(title.size()), &titleRect,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);

    int pages = 1;
    const LONG length = ::GetWindowTextLengthA(body);
    if (length <= 0) return pages;
    FORMATRANGE range{};
    range.hdc = dc;
    range.hdcTarget = dc;
    range.rc = {0, ::MulDiv(3 * lineHeight, 1440, dpiY), ::MulDiv(pageWidth, 1440, dpiX),
                ::MulDiv(pageHeight, 1440, dpiY)};
    range.rcPage = range.rc;
    LONG position = 0;
    for (;;) {
        range.chrg.cpMin = position;
        range.chrg.cpMax = -1;
        const LONG next = static_cast<LONG>(::SendMessageA(body, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range)));
        // Nothing fitted: another page would fit nothing either.
        if (next <= position) break;
        position = next;
        if (position >= length) break;
        pageBreak();
        ++pages;
    }
    ::SendMessageA(body, EM_FORMATRANGE, FALSE, 0);
    return pages;
}

void PrintNote(CNoteDialog& note, HWND body) {
    static CSystemPrintSetup system;
    HDC dc = g_printSetup.Or(system).Ask(note.m_hWnd);
    if (!dc) return;
    ::SetMapMode(dc, MM_TEXT);
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = kPrintDocumentName;
    // The title goes on the first page, so the page is started before it is drawn.
    if (::StartDocA(dc, &doc) > 0) {
        if (::StartPage(dc) > 0) {
            PrintNoteOn(dc, note, body, [dc] {
                ::EndPage(dc);
                ::StartPage(dc);
            });
            ::EndPage(dc);
            ::EndDoc(dc);
        } else {
            ::AbortDoc(dc);
        }
    }
    ::DeleteDC(dc);
}
