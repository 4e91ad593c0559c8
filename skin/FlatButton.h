// A dialog button drawn flat: a shaded, slightly grainy face that lifts
// while the mouse is over it, optional icons and tooltips, and a check state
// of its own so that push, check and radio buttons all share one look.
#pragma once

#include <windows.h>

#include <string>

class CFlatButton {
public:
    enum Kind { kPush = 0, kCheck = 2, kRadio = 4 };
    enum IconPlace { kIconLeft, kIconRight, kIconAbove };
    // Sent (posted) to the other buttons of a radio group when one is checked.
    static constexpr UINT kClearRadio = 0x500;

    CFlatButton() = default;
    CFlatButton(const CFlatButton&) = delete;
    CFlatButton& operator=(const CFlatButton&) = delete;
    ~CFlatButton();

    // Takes over the drawing of an existing button. False when `button` is
    // not a window or already has a flat button.
    bool Attach(HWND button);
    bool SubclassDlgItem(int id, HWND dialog) { return Attach(::GetDlgItem(dialog, id)); }
    void Detach();

    // The flat button attached to a window, or nullptr.
    static CFlatButton* FromHandle(HWND button);

    HWND GetSafeHwnd() const { return m_hWnd; }
    Kind GetKind() const { return m_kind; }
    bool IsChecked() const { return m_checked; }
    bool IsHovering() const { return m_hover; }
    bool HasBorder() const { return m_border; }

    // The button owns the icons it is given and destroys them.
    void SetIcons(HICON normal, HICON pressed = nullptr, HICON hover = nullptr, IconPlace place = kIconLeft);
    // An icon from a picture drawn on a plain background: pixels of the
    // colour at its top-left corner become transparent.
    static HICON IconFromBitmap(HBITMAP picture);

    // Optional images that replace the face in one state; the caller keeps
    // ownership.
    void SetStateImages(HBITMAP hover, HBITMAP pressed, HBITMAP disabled);
    void SetTextColor(COLORREF colour);
    void SetFont(HFONT font);  // the caller keeps ownership
    // Tooltip texts; the checked one shows while a check box or radio is
    // checked, when it is not empty.
    void SetTooltipText(const std::string& normal, const std::string& checked = {});
    HWND GetToolTip() const { return m_toolTip; }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR ref);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    void BuildImages();
    void FreeImages();
    void Paint(HDC target);
    void DrawFace(HDC dc, const RECT& rc, HBITMAP image, bool texture);
    void DrawIconAndText(HDC dc, RECT rc, bool disabled, bool pressed);
    void DrawFocusFrame(HDC dc, const RECT& rc);
    void SetChecked(bool checked);
    void ClearOtherRadios();
    void UpdateTooltip();
    void Toggle();
    void Relay(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    Kind m_kind = kPush;
    bool m_checked = false;
    bool m_hover = false;
    bool m_pressedInside = false;
    bool m_border = true;
    bool m_default = false;
    bool m_tracking = false;
    int m_margin = 4;
    COLORREF m_textColour = CLR_INVALID;  // invalid: the button text colour
    HFONT m_font = nullptr;
    UINT m_align = DT_CENTER;
    HICON m_icons[3] = {};  // normal, pressed, hover
    IconPlace m_iconPlace = kIconLeft;
    HBITMAP m_hoverImage = nullptr;
    HBITMAP m_pressedImage = nullptr;
    HBITMAP m_disabledImage = nullptr;
    HBITMAP m_texture = nullptr;
    HBITMAP m_dotsH = nullptr;
    HBITMAP m_dotsV = nullptr;
    SIZE m_textureSize{};
    HWND m_toolTip = nullptr;
    std::string m_tipNormal;
    std::string m_tipChecked;
};
