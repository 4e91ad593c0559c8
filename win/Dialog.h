// Modal and modeless dialogs from resource templates.
#pragma once

#include "win/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId) : m_templateId(templateId) {}
    ~CDialog() override;

    // Modal: runs its own loop until EndDialog; returns the EndDialog value
    // (-1 when the template could not be loaded).
    INT_PTR DoModal(HWND owner);
    // Modeless: creates the window (OnInitDialog runs during creation) and
    // registers it with the application's message loop. A template in
    // memory, when given, stands in for the resource.
    BOOL Create(HWND owner, const DLGTEMPLATE* inMemory = nullptr);

    virtual BOOL DestroyWindow();
    void EndDialog(INT_PTR result);

    UINT TemplateId() const { return m_templateId; }

protected:
    // During OnInitDialog: the control the system means to give the focus,
    // the first tab stop.
    HWND InitialFocus() const { return m_initialFocus; }
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK();
    virtual void OnCancel();
    void PostNcDestroy() override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    UINT m_templateId;
    bool m_modal = false;
    HWND m_initialFocus = nullptr;
};
