// The three pages of the settings dialog and the coloured label the default
// note page shows its colours and fonts in.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "store/NoteRecord.h"
#include "win/Dialog.h"
#include "win/Gdi.h"

// What a page save changes in the running program besides the stored keys.
// The tray window supplies these; an empty one does nothing.
struct SettingsEffects {
    // The Alt+N hot key: unregistered, and registered again unless disabled.
    std::function<void(bool disabled)> setHotKey;
    // The tray timer's two intervals in minutes.
    std::function<void(int minutes)> setNetworkInterval;
    std::function<void(int minutes)> setEmailInterval;
};

// A static control with its own background and text colour and an optional
// font of its own. The page answers the control-colour message for it.
class CColorLabel {
public:
    CColorLabel() = default;
    CColorLabel(const CColorLabel&) = delete;
    CColorLabel& operator=(const CColorLabel&) = delete;

    void Attach(HWND control) { m_hWnd = control; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // -1 restores the default (button face, button text).
    void SetBkColor(COLORREF color);
    void SetTextColor(COLORREF color);
    COLORREF GetBkColor() const;
    COLORREF GetTextColor() const;
    // Takes ownership of the font.
    void SetFont(HFONT font);
    void SetText(const std::string& text);

    // The brush and colours for WM_CTLCOLORSTATIC of this control.
    HBRUSH OnCtlColor(HDC dc);

private:
    HWND m_hWnd = nullptr;
    COLORREF m_back = CLR_INVALID;
    COLORREF m_text = CLR_INVALID;
    CBrush m_brush;
    CFont m_font;
};

struct PageTip {
    int id;
    std::string text;
};

// Shared by the pages: the framed picture, the tooltips, the keys that must
// not close the sheet.
class CSettingsPage : public CDialog {
public:
    CSettingsPage(UINT templateId, int pictureId, int pictureControl, int tipWidth);

    // Validates and writes the page's keys; false when a check refused (the
    // user has been told and the focus is on the control at fault).
    virtual bool SaveSettings() = 0;

    // Swallows Enter and Escape pressed inside the page.
    BOOL PreTranslateMessage(MSG* msg) override;

    HWND GetToolTip() const { return m_toolTip; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}

    void CreateTips(const PageTip* tips, std::size_t count);
    // A message box over the sheet.
    int Box(const std::string& text, UINT type) const;
    void FocusItem(int id) const;
    std::string Text(int id) const;
    bool Checked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
    void SetRadio(int yesId, int noId, bool yes) const;

    const SettingsEffects* m_effects = nullptr;

private:
    int m_pictureId;
    int m_pictureControl;
    int m_tipWidth;
    CBitmap m_picture;
    HWND m_toolTip = nullptr;

    friend class CSettingsSheet;
};

class CGeneralPage : public CSettingsPage {
public:
    CGeneralPage();
    bool SaveSettings() override;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void ShowDatePreview();
    void PlaceDateLabel();
    void LockClicked();
};

class CDefaultNotePage : public CSettingsPage {
public:
    CDefaultNotePage();
    bool SaveSettings() override;

    // The page's copy of the default note record.
    const NoteRecord& Record() const { return m_record; }
    const CColorLabel& NoteFontSample() const { return m_noteFont; }
    const CColorLabel& TitleFontSample() const { return m_titleFont; }
    const CColorLabel& NoteColorSwatch() const { return m_noteColor; }
    const CColorLabel& TitleColorSwatch() const { return m_titleColor; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void ShowFontSamples();
    void ChooseColor(bool title);
    void ChooseFont(bool title);

    NoteRecord m_record;
    CColorLabel m_noteColor;
    CColorLabel m_titleColor;
    CColorLabel m_noteFont;
    CColorLabel m_titleFont;
    bool m_settingTitleText = false;
};

class CNetworkPage : public CSettingsPage {
public:
    CNetworkPage();
    bool SaveSettings() override;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void ChangeSentFromType();
    void OpenManager();
};
