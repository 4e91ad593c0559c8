// A static text that reads as a hyperlink: blue, underlined, a hand cursor
// over the words, and a click opens the target in the user's browser.
#pragma once

#include <windows.h>

#include <string>

// What a click on a link does: open the target in the user's browser. Tests
// install their own to see the click without a browser.
class ILinkOpener {
public:
    virtual ~ILinkOpener() = default;
    virtual void Open(const std::string& target) = 0;
};
// Installs an opener (nullptr: the shell's) and returns the previous one.
ILinkOpener* SetLinkOpener(ILinkOpener* opener);

class CLinkLabel {
public:
    CLinkLabel() = default;
    CLinkLabel(const CLinkLabel&) = delete;
    CLinkLabel& operator=(const CLinkLabel&) = delete;
    ~CLinkLabel();

    // Takes over a static control; its text becomes the display text.
    bool Attach(HWND label);
    bool SubclassDlgItem(int id, HWND dialog) { return Attach(::GetDlgItem(dialog, id)); }
    void Detach();

    void SetLink(const std::string& target) { m_target = target; }
    const std::string& GetLink() const { return m_target; }
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The size of the drawn text: the part that shows the hand and opens
    // the link.
    SIZE GetTextSize() const { return m_textSize; }
    HFONT GetFont() const { return m_font; }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR ref);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    void Measure();
    bool InText(LPARAM lParam) const;

    HWND m_hWnd = nullptr;
    std::string m_text;
    std::string m_target;
    HFONT m_font = nullptr;
    SIZE m_textSize{};
    HCURSOR m_hand = nullptr;
    HCURSOR m_arrow = nullptr;
    bool m_tracking = false;
};
