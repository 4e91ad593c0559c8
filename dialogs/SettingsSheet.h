// The settings dialog: a tab control over three pages, "Save and Apply
// changes" and "Cancel".
#pragma once

#include <windows.h>

#include "dialogs/SettingsPages.h"
#include "win/Dialog.h"

class CSettingsSheet : public CDialog {
public:
    explicit CSettingsSheet(SettingsEffects effects = {});
    ~CSettingsSheet() override;

    // DoModal: IDOK after every page saved, IDCANCEL otherwise.

    // The page shown, 0-2.
    int ActivePage() const;

    CGeneralPage m_general;
    CDefaultNotePage m_defaultNote;
    CNetworkPage m_network;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroy() override;

private:
    CSettingsPage* Page(int index);
    // Selects the tab and shows its page only.
    void ShowPage(int index);
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);

    SettingsEffects m_effects;
    HHOOK m_hook = nullptr;
    static inline CSettingsSheet* s_open = nullptr;
};
