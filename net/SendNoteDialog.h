// "Send note to other": the modal dialog in which the user gathers the
// recipients of a note (typed, from the network neighbourhood or from a saved
// group), chooses the sent-from identity and sends the note.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/Recipients.h"
#include "skin/FlatButton.h"
#include "win/Dialog.h"
#include "win/Menu.h"

class CSendNoteDialog : public CDialog {
public:
    // The note's identifier (its stored record is what is sent) and its body
    // as plain text (for the messaging fallback).
    CSendNoteDialog(std::int32_t noteId, std::string plainText);
    // The manager form, opened from the settings: no note, no "Send note";
    // the network list, the groups and the recipients work as ever.
    enum class Form { Send, Manager };
    explicit CSendNoteDialog(Form form);
    ~CSendNoteDialog() override;

    // DoModal returns IDOK after "Send note" (and when Windows Sockets could
    // not be started), IDCANCEL when closed without sending.

    // True when "Send note" served the recipients.
    bool m_sent = false;
    // The error lines of the computers that failed ("" when none did). The
    // dialog has already shown them when ShowSendErrorMessage allows.
    std::string m_errors;
    // The e-mail recipients in list order and the identity they were sent
    // under: the e-mail path runs after the dialog has ended.
    std::vector<std::string> m_emailRecipients;
    std::string m_identity;

    HWND GetToolTip() const { return m_toolTip; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static LRESULT CALLBACK EnterKeyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);

    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetUpLists();
    void CreateToolTips();
    void FillNetworkList();
    void FillGroupList();

    // List plumbing: texts, selection, insertion at the top.
    static std::string ItemText(HWND list, int index);
    static std::vector<std::string> ListTexts(HWND list);
    static std::vector<int> SelectedItems(HWND list);
    bool HasRecipient(const std::string& text) const;
    void InsertRecipient(const std::string& text, bool email);

    void UpdateButtons();
    void UpdateAddButton();
    void ClearGroupSelection();

    void AddTypedRecipient();
    void AddSelectedComputers();
    void AddAllComputers();
    void RemoveSelectedRecipients();
    void ClearRecipients();
    void ShowListMenu(int listId);
    void ShowIpAddress(int listId);
    void ChooseGroup();
    void SaveGroup();
    void DeleteGroup();
    void ChangeIdentityType();
    void SetIdentityFields(const IdentityFields& fields);
    void RefreshNetwork();
    void SendNote();

    std::int32_t m_noteId;
    std::string m_plainText;
    Form m_form = Form::Send;
    CMenu m_networkMenu;
    CMenu m_recipientMenu;
    HIMAGELIST m_images = nullptr;
    HWND m_toolTip = nullptr;
    CFlatButton m_flatButtons[9];
};
