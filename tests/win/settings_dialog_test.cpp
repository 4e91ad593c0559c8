// The settings dialog driven like a user would: pages filled from the data
// file, saves that refuse and keep what was already written, the lock that
// acts at once, and keys that must not close anything.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <set>
#include <string>

#include "WinTestSupport.h"
#include "base/Clock.h"
#include "base/ProgramFlags.h"
#include "dialogs/SettingsLogic.h"
#include "dialogs/SettingsSheet.h"
#include "net/NetUtil.h"
#include "net/SendNoteDialog.h"
#include "res/resource.h"
#include "store/NoteRecord.h"
#include "store/SettingsStore.h"

namespace {

void SelectCombo(HWND page, int id, int index) {
    ::SendDlgItemMessageA(page, id, CB_SETCURSEL, index, 0);
    ::SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(page, id)));
}

void SelectTab(HWND sheet, int index) {
    HWND tab = ::GetDlgItem(sheet, IDC_SETTINGS_TAB);
    ::SendMessageA(tab, TCM_SETCURSEL, index, 0);
    NMHDR hdr{tab, IDC_SETTINGS_TAB, static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageA(sheet, WM_NOTIFY, IDC_SETTINGS_TAB, reinterpret_cast<LPARAM>(&hdr));
}

// The tool's text as the tooltip gives it back (the control hands out at
// most 79 characters of it).
void ExpectTip(HWND tip, HWND page, int id, const std::string& full) {
    const std::string got = ToolText(tip, page, id);
    ASSERT_GE(got.size(), std::min<size_t>(full.size(), 79)) << id;
    EXPECT_EQ(full.substr(0, got.size()), got) << id;
}

bool ReadOnly(HWND page, int id) { return (::GetWindowLongPtrA(::GetDlgItem(page, id), GWL_STYLE) & ES_READONLY) != 0; }

// Answers the password dialog the lock check box opens: each entry is the
// text typed (in both fields) and whether OK is pressed.
struct PasswordAnswers {
    struct Answer {
        std::string text;
        bool ok;
    };
    std::deque<Answer> queue;
    int asked = 0;
    std::set<HWND> seen;

    void Watch() {
        for (HWND w : ThreadWindows()) {
            if (ClassOf(w) != "#32770" || !Open(w) || WindowText(w) != "Enter password" || seen.count(w)) continue;
            seen.insert(w);
            ++asked;
            Answer a{"", false};
            if (!queue.empty()) {
                a = queue.front();
                queue.pop_front();
            }
            ::SetDlgItemTextA(w, IDC_PASSWORD, a.text.c_str());
            ::SetDlgItemTextA(w, IDC_PASSWORD_AGAIN, a.text.c_str());
            // OK from the first of two entries only moves on to the second.
            HWND again = ::GetDlgItem(w, IDC_PASSWORD_AGAIN);
            if (::IsWindowVisible(again)) ::SendMessageA(w, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(again), TRUE);
            const int button = a.ok ? IDOK : IDCANCEL;
            ::PostMessageA(w, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(w, button)));
        }
    }
};

class SettingsDialogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        previousClock_ = SetClock(&clock_);
        clock_.Set(MakeLocalTime(2024, 3, 7, 10, 0, 0));
        g_showScrollBar = true;
        effects_.setHotKey = [this](bool disabled) { hotKeyCalls_.push_back(disabled); };
        effects_.setNetworkInterval = [this](int m) { networkMinutes_ = m; };
        effects_.setEmailInterval = [this](int m) { emailMinutes_ = m; };
    }
    void TearDown() override {
        SetClock(previousClock_);
        g_showScrollBar = true;
        WindowTest::TearDown();
    }

    CFixedClock clock_;
    IClock* previousClock_ = nullptr;
    CSettingsStore settings_;
    SettingsEffects effects_;
    std::vector<bool> hotKeyCalls_;
    int networkMinutes_ = -1;
    int emailMinutes_ = -1;
};

TEST_F(SettingsDialogTest, OpensWithCaptionTabsPagesAndTheStoredValues) {
    settings_.WriteDefaultDateFormat("YYYY-MM-DD");
    settings_.WriteShowTaskBar("Maybe");    // neither No nor empty: Yes
    settings_.WriteRandomThemes("");        // empty: No
    settings_.WriteAskBeforeDelete("");     // empty: No
    settings_.WriteSentFrom("Name:Bob");
    settings_.WriteAfterSend("DeleteNote");
    settings_.WriteDefaultTitle("Shopping");

    CSettingsSheet sheet(effects_);
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        EXPECT_EQ(WindowText(d), "Pinwell 3.lan Settings");
        EXPECT_EQ(FontFace(d), "Tahoma");
        ExpectDialogIcons(d);
        EXPECT_EQ(ItemText(d, IDOK), "Save and Apply changes");
        EXPECT_EQ(ItemText(d, IDCANCEL), "Cancel");
        HWND tab = ::GetDlgItem(d, IDC_SETTINGS_TAB);
        ASSERT_EQ(::SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 3);
        const char* names[] = {"General settings", "Default note settings", "Network settings"};
        for (int i = 0; i < 3; ++i) {
            char buf[64] = {};
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = buf;
            item.cchTextMax = sizeof buf;
            ::SendMessageA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
            EXPECT_STREQ(buf, names[i]);
        }
        HWND pages[] = {sheet.m_general.m_hWnd, sheet.m_defaultNote.m_hWnd, sheet.m_network.m_hWnd};
        RECT tabRect{};
        ::GetClientRect(tab, &tabRect);
        for (HWND p : pages) {
            ASSERT_TRUE(::IsWindow(p));
            EXPECT_EQ(::GetParent(p), tab);
            RECT r{};
            ::GetWindowRect(p, &r);
            ::MapWindowPoints(nullptr, tab, reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(r.left, 2);
            EXPECT_EQ(r.top, 22);
            EXPECT_EQ(r.bottom - r.top, tabRect.bottom - 25);
            EXPECT_EQ(FontFace(p), "Tahoma");
        }
        EXPECT_TRUE(Open(pages[0]));
        EXPECT_FALSE(Open(pages[1]));
        EXPECT_FALSE(Open(pages[2]));
        // The window must fit a 1024 x 768 screen.
        const RECT frame = CWnd::FromHandle(d)->GetWindowRect();
        EXPECT_LE(frame.right - frame.left, 1024);
        EXPECT_LE(frame.bottom - frame.top, 740);

        // General page.
        HWND g = pages[0];
        EXPECT_EQ(ComboItems(g, IDC_GEN_DATE_FORMAT), (Strings{"DD.MM.YYYY", "DD-MM-YYYY", "YYYY-MM-DD", "MM/DD/YYYY"}));
        EXPECT_EQ(ItemText(g, IDC_GEN_DATE_FORMAT), "YYYY-MM-DD");
        EXPECT_EQ(ItemText(g, IDC_GEN_DATE_PREVIEW), "2024-03-07");
        SelectCombo(g, IDC_GEN_DATE_FORMAT, 3);
        EXPECT_EQ(ItemText(g, IDC_GEN_DATE_PREVIEW), "03/07/2024");
        EXPECT_TRUE(Checked(g, IDC_GEN_SCROLL_YES));       // empty: Yes
        EXPECT_TRUE(Checked(g, IDC_GEN_CLOSE_YES));        // empty: Yes
        EXPECT_TRUE(Checked(g, IDC_GEN_CLOSE_MENU_NO));    // empty: No
        EXPECT_TRUE(Checked(g, IDC_GEN_ASK_DELETE_NO));
        EXPECT_FALSE(Checked(g, IDC_GEN_ASK_DELETE_YES));
        EXPECT_TRUE(Checked(g, IDC_GEN_TASKBAR_YES));
        EXPECT_TRUE(Checked(g, IDC_GEN_RANDOM_NO));
        EXPECT_FALSE(Checked(g, IDC_GEN_LOCK));
        EXPECT_FALSE(Enabled(g, IDC_GEN_PASSWORD));
        EXPECT_EQ(ItemText(g, IDC_GEN_PASSWORD), "");
        EXPECT_EQ(::SendMessageA(sheet.m_general.GetToolTip(), TTM_GETMAXTIPWIDTH, 0, 0), 200);
        ExpectTip(sheet.m_general.GetToolTip(), g, IDC_GEN_DATE_FORMAT, "Select date format which program will use to set date title.");
        ExpectTip(sheet.m_general.GetToolTip(), g, IDC_GEN_CLOSE_MENU_NO, "If you choose Yes click on the Close button will close and delete note. No menu will be shown.");
        ExpectTip(sheet.m_general.GetToolTip(), g, IDC_GEN_HOTKEY_OFF, "Choose do you want hot key for new note Alt+'N' to be enabled or disabled.");

        // Default note page: the built-in default theme was created for it.
        SelectTab(d, 1);
        EXPECT_FALSE(Open(pages[0]));
        EXPECT_TRUE(Open(pages[1]));
        EXPECT_EQ(sheet.ActivePage(), 1);
        HWND n = pages[1];
        NoteRecord theme;
        ASSERT_TRUE(ReadNoteRecord({}, kDefaultThemeId, theme));
        EXPECT_EQ(sheet.m_defaultNote.NoteColorSwatch().GetBkColor(), static_cast<COLORREF>(theme.editBackColor));
        EXPECT_EQ(sheet.m_defaultNote.TitleColorSwatch().GetBkColor(), static_cast<COLORREF>(theme.titleBackColor));
        EXPECT_EQ(ItemText(n, IDC_DEF_NOTE_FONT),
                  FontSampleText(theme.editFont, theme.editFontSize, theme.editFontType, false));
        EXPECT_EQ(ItemText(n, IDC_DEF_TITLE_FONT),
                  FontSampleText(theme.titleFont, theme.titleFontSize, theme.titleFontType, true));
        EXPECT_TRUE(Checked(n, IDC_DEF_TITLE_TEXT_RADIO));
        EXPECT_EQ(ItemText(n, IDC_DEF_TITLE_TEXT), "Shopping");
        EXPECT_EQ(ItemText(n, IDC_DEF_WIDTH), "0");
        EXPECT_EQ(ItemText(n, IDC_DEF_HEIGHT), "0");
        EXPECT_EQ(ComboSelection(n, IDC_DEF_ON_CHANGE_THEME), 0);
        EXPECT_EQ(::SendMessageA(sheet.m_defaultNote.GetToolTip(), TTM_GETMAXTIPWIDTH, 0, 0), 300);
        ExpectTip(sheet.m_defaultNote.GetToolTip(), n, IDC_DEF_TITLE_TEXT, "Select default title for new note (date title or custom text title).");
        // "Date" clears the text; typing selects the text radio again.
        Click(n, IDC_DEF_TITLE_DATE);
        EXPECT_EQ(ItemText(n, IDC_DEF_TITLE_TEXT), "");
        EXPECT_TRUE(Checked(n, IDC_DEF_TITLE_DATE));
        ::SetDlgItemTextA(n, IDC_DEF_TITLE_TEXT, "Todo");
        EXPECT_TRUE(Checked(n, IDC_DEF_TITLE_TEXT_RADIO));
        EXPECT_FALSE(Checked(n, IDC_DEF_TITLE_DATE));

        // Network page.
        SelectTab(d, 2);
        EXPECT_TRUE(Open(pages[2]));
        EXPECT_FALSE(Open(pages[1]));
        HWND w = pages[2];
        EXPECT_TRUE(Checked(w, IDC_NET_READ_START_NO));     // empty: No
        EXPECT_TRUE(Checked(w, IDC_NET_EMAIL_START_NO));
        EXPECT_TRUE(Checked(w, IDC_NET_SEND_ERROR_YES));    // empty: Yes
        EXPECT_TRUE(Checked(w, IDC_NET_SOUND_YES));
        EXPECT_EQ(ItemText(w, IDC_NET_READ_INTERVAL), "0");
        EXPECT_EQ(ItemText(w, IDC_NET_EMAIL_INTERVAL), "0");
        EXPECT_EQ(ItemText(w, IDC_NET_PORT), "2000");
        EXPECT_EQ(ComboSelection(w, IDC_NET_PICTURE_FORMAT), 0);
        EXPECT_EQ(ComboSelection(w, IDC_NET_AFTER_SEND), 1);
        EXPECT_EQ(ComboItems(w, IDC_NET_SENT_FROM_TYPE),
                  (Strings{"Computer name", "IP Address", "E-mail", "Anonymous", "Name"}));
        EXPECT_EQ(ComboSelection(w, IDC_NET_SENT_FROM_TYPE), 4);
        EXPECT_EQ(ItemText(w, IDC_NET_SENT_FROM), "Bob");
        EXPECT_FALSE(ReadOnly(w, IDC_NET_SENT_FROM));
        ExpectTip(sheet.m_network.GetToolTip(), w, IDC_NET_PORT, PortToolTip());
        ExpectTip(sheet.m_network.GetToolTip(), w, IDC_NET_SOUND_NO, "Select do you want program to play sound when note is received.");

        // Choosing a type sets the text as the type wants it.
        SelectCombo(w, IDC_NET_SENT_FROM_TYPE, 3);
        EXPECT_EQ(ItemText(w, IDC_NET_SENT_FROM), "ANONYMOUS");
        EXPECT_TRUE(ReadOnly(w, IDC_NET_SENT_FROM));
        SelectCombo(w, IDC_NET_SENT_FROM_TYPE, 2);
        EXPECT_EQ(ItemText(w, IDC_NET_SENT_FROM), "") << "not an e-mail address: cleared";
        EXPECT_FALSE(ReadOnly(w, IDC_NET_SENT_FROM));
        SelectCombo(w, IDC_NET_SENT_FROM_TYPE, 1);
        const std::string address = ItemText(w, IDC_NET_SENT_FROM);
        EXPECT_TRUE(address == "ERROR" || CNetUtil().IsIpAddress(address)) << address;
        EXPECT_TRUE(ReadOnly(w, IDC_NET_SENT_FROM));
        SelectCombo(w, IDC_NET_SENT_FROM_TYPE, 0);
        EXPECT_EQ(ItemText(w, IDC_NET_SENT_FROM), CNetUtil().GetLocalComputerName());
        Screenshot("settings_network_page");
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(driver.Run([&] { return sheet.DoModal(owner_); }), IDCANCEL);
    EXPECT_TRUE(driver.boxes.empty());
    // Cancel writes nothing of its own; opening filled in two defaults.
    EXPECT_EQ(settings_.ReadDefaultDateFormat(), "YYYY-MM-DD");
    EXPECT_EQ(settings_.ReadSentFrom(), "Name:Bob");
    EXPECT_EQ(settings_.ReadShowScrollBar(), "");
    EXPECT_EQ(settings_.ReadDefaultTitle(), "Shopping");
    EXPECT_EQ(settings_.ReadDefaultPictureFormat(), "jpg");
    EXPECT_TRUE(hotKeyCalls_.empty());
}

TEST_F(SettingsDialogTest, SaveWritesEveryPageAndReopeningShowsIt) {
    CSettingsSheet sheet(effects_);
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        HWND g = sheet.m_general.m_hWnd;
        SelectCombo(g, IDC_GEN_DATE_FORMAT, 1);
        Click(g, IDC_GEN_SCROLL_NO);
        Click(g, IDC_GEN_CLOSE_NO);
        Click(g, IDC_GEN_CLOSE_MENU_YES);
        Click(g, IDC_GEN_ASK_DELETE_YES);
        Click(g, IDC_GEN_TASKBAR_NO);
        Click(g, IDC_GEN_RANDOM_YES);
        Click(g, IDC_GEN_HOTKEY_OFF);
        HWND n = sheet.m_defaultNote.m_hWnd;
        Click(n, IDC_DEF_BORDER_NO);
        Click(n, IDC_DEF_ALIGN_RIGHT);
        ::SetDlgItemTextA(n, IDC_DEF_WIDTH, "320");
        ::SetDlgItemTextA(n, IDC_DEF_HEIGHT, "200");
        SelectCombo(n, IDC_DEF_ON_CHANGE_THEME, 1);
        HWND w = sheet.m_network.m_hWnd;
        Click(w, IDC_NET_READ_START_YES);
        Click(w, IDC_NET_EMAIL_START_YES);
        Click(w, IDC_NET_SEND_ERROR_NO);
        Click(w, IDC_NET_ASK_REPLY_NO);
        Click(w, IDC_NET_PICTURE_ATTACH_NO);
        Click(w, IDC_NET_SOUND_NO);
        ::SetDlgItemTextA(w, IDC_NET_READ_INTERVAL, "15");
        ::SetDlgItemTextA(w, IDC_NET_EMAIL_INTERVAL, "");
        SelectCombo(w, IDC_NET_PICTURE_FORMAT, 1);
        SelectCombo(w, IDC_NET_AFTER_SEND, 1);
        SelectCombo(w, IDC_NET_SENT_FROM_TYPE, 4);
        ::SetDlgItemTextA(w, IDC_NET_SENT_FROM, "Bob");
        ::SetDlgItemTextA(w, IDC_NET_PORT, "3000");
        Click(d, IDOK);
    });
    ASSERT_EQ(driver.Run([&] { return sheet.DoModal(owner_); }), IDOK);
    // Only the port notice, with the default port in it.
    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(driver.boxes[0], PortChangedMessage());
    EXPECT_EQ(driver.boxIcons[0], ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_ASTERISK)));

    EXPECT_EQ(settings_.ReadDefaultDateFormat(), "DD-MM-YYYY");
    EXPECT_EQ(settings_.ReadShowScrollBar(), "No");
    EXPECT_FALSE(g_showScrollBar);
    EXPECT_EQ(settings_.ReadShowCloseButton(), "No");
    EXPECT_EQ(settings_.ReadDisableCloseMenu(), "Yes");
    EXPECT_EQ(settings_.ReadAskBeforeDelete(), "Yes");
    EXPECT_EQ(settings_.ReadShowTaskBar(), "No");
    EXPECT_EQ(settings_.ReadRandomThemes(), "Yes");
    EXPECT_EQ(settings_.ReadDisableHotkey(), "Yes");
    EXPECT_EQ(hotKeyCalls_, std::vector<bool>{true});
    EXPECT_EQ(settings_.ReadShowAllPasswordYesNo(), "No");
    EXPECT_EQ(settings_.ReadDefaultTitle(), "Date");
    NoteRecord theme;
    ASSERT_TRUE(ReadNoteRecord({}, kDefaultThemeId, theme));
    EXPECT_EQ(theme.border, "No");
    EXPECT_EQ(FindTitleAlign(theme.titleFontType), TitleAlign::Right);
    EXPECT_EQ(settings_.ReadDefaultWidth(), "320");
    EXPECT_EQ(settings_.ReadDefaultHeight(), "200");
    EXPECT_EQ(settings_.ReadOnChangeTheme(), "Colors");
    EXPECT_EQ(settings_.ReadReadNetworkOnStart(), "Yes");
    EXPECT_EQ(settings_.ReadCheckEmailOnStart(), "Yes");
    EXPECT_EQ(settings_.ReadShowSendErrorMessage(), "No");
    EXPECT_EQ(settings_.ReadAskWhenReply(), "No");
    EXPECT_EQ(settings_.ReadIncludePictureAttachment(), "No");
    EXPECT_EQ(settings_.ReadPlaySound(), "No");
    EXPECT_EQ(settings_.ReadReadNetworkInterval(), "15");
    EXPECT_EQ(settings_.ReadCheckEmailInterval(), "0");
    EXPECT_EQ(networkMinutes_, 15);
    EXPECT_EQ(emailMinutes_, 0);
    EXPECT_EQ(settings_.ReadDefaultPictureFormat(), "bmp");
    EXPECT_EQ(settings_.ReadAfterSend(), "DeleteNote");
    EXPECT_EQ(settings_.ReadSentFrom(), "Name:Bob");
    EXPECT_EQ(settings_.ReadCommunicationPort(), "3000");

    // Reopened: what was saved; back to the default port says nothing, and
    // the hot key comes back.
    CSettingsSheet again(effects_);
    ModalDriver second = Driver();
    second.Then([&](HWND d) {
        HWND g = again.m_general.m_hWnd;
        EXPECT_EQ(ItemText(g, IDC_GEN_DATE_FORMAT), "DD-MM-YYYY");
        EXPECT_TRUE(Checked(g, IDC_GEN_SCROLL_NO));
        EXPECT_TRUE(Checked(g, IDC_GEN_CLOSE_MENU_YES));
        EXPECT_TRUE(Checked(g, IDC_GEN_TASKBAR_NO));
        EXPECT_TRUE(Checked(g, IDC_GEN_HOTKEY_OFF));
        Click(g, IDC_GEN_HOTKEY_OFF);
        HWND n = again.m_defaultNote.m_hWnd;
        EXPECT_TRUE(Checked(n, IDC_DEF_BORDER_NO));
        EXPECT_TRUE(Checked(n, IDC_DEF_ALIGN_RIGHT));
        EXPECT_TRUE(Checked(n, IDC_DEF_TITLE_DATE));
        EXPECT_EQ(ItemText(n, IDC_DEF_WIDTH), "320");
        EXPECT_EQ(ComboSelection(n, IDC_DEF_ON_CHANGE_THEME), 1);
        HWND w = again.m_network.m_hWnd;
        EXPECT_EQ(ComboSelection(w, IDC_NET_SENT_FROM_TYPE), 4);
        EXPECT_EQ(ItemText(w, IDC_NET_SENT_FROM), "Bob");
        EXPECT_EQ(ItemText(w, IDC_NET_READ_INTERVAL), "15");
        EXPECT_EQ(ComboSelection(w, IDC_NET_PICTURE_FORMAT), 1);
        EXPECT_EQ(ItemText(w, IDC_NET_PORT), "3000");
        ::SetDlgItemTextA(w, IDC_NET_PORT, "2000");
        // Width and height 0 together are accepted.
        ::SetDlgItemTextA(n, IDC_DEF_WIDTH, "0");
        ::SetDlgItemTextA(n, IDC_DEF_HEIGHT, "0");
        Click(d, IDOK);
    });
    ASSERT_EQ(second.Run([&] { return again.DoModal(owner_); }), IDOK);
    EXPECT_TRUE(second.boxes.empty()) << second.boxes.front();
    EXPECT_EQ(settings_.ReadCommunicationPort(), "2000");
    EXPECT_EQ(settings_.ReadDefaultWidth(), "0");
    EXPECT_EQ(settings_.ReadDefaultHeight(), "0");
    EXPECT_EQ(hotKeyCalls_, (std::vector<bool>{true, false}));
}

TEST_F(SettingsDialogTest, RefusingPageComesToTheFrontAndEarlierKeysStayStored) {
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    CSettingsSheet sheet(effects_);
    ModalDriver driver = Driver();
    driver
        .Then([&](HWND d) {
            SelectCombo(sheet.m_general.m_hWnd, IDC_GEN_DATE_FORMAT, 2);
            HWND n = sheet.m_defaultNote.m_hWnd;
            Click(n, IDC_DEF_BORDER_NO);
            ::SetDlgItemTextA(n, IDC_DEF_WIDTH, std::to_string(screenWidth + 1).c_str());
            ::SetDlgItemTextA(n, IDC_DEF_HEIGHT, "200");
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            EXPECT_EQ(sheet.ActivePage(), 1);
            EXPECT_TRUE(Open(sheet.m_defaultNote.m_hWnd));
            EXPECT_FALSE(Open(sheet.m_general.m_hWnd));
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(sheet.m_defaultNote.m_hWnd, IDC_DEF_WIDTH));
            HWND n = sheet.m_defaultNote.m_hWnd;
            ::SetDlgItemTextA(n, IDC_DEF_WIDTH, "59");
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            HWND n = sheet.m_defaultNote.m_hWnd;
            ::SetDlgItemTextA(n, IDC_DEF_WIDTH, "60");
            ::SetDlgItemTextA(n, IDC_DEF_HEIGHT, "29");
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            HWND n = sheet.m_defaultNote.m_hWnd;
            ::SetDlgItemTextA(n, IDC_DEF_HEIGHT, "30");
            HWND w = sheet.m_network.m_hWnd;
            ::SetDlgItemTextA(w, IDC_NET_PORT, "1024");
            ::SetDlgItemTextA(w, IDC_NET_READ_INTERVAL, "7");
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            EXPECT_EQ(sheet.ActivePage(), 2);
            EXPECT_TRUE(Open(sheet.m_network.m_hWnd));
            EXPECT_FALSE(Open(sheet.m_defaultNote.m_hWnd));
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(sheet.m_network.m_hWnd, IDC_NET_PORT));
            HWND w = sheet.m_network.m_hWnd;
            ::SetDlgItemTextA(w, IDC_NET_PORT, "65535");
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            HWND w = sheet.m_network.m_hWnd;
            ::SetDlgItemTextA(w, IDC_NET_PORT, "");
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            HWND w = sheet.m_network.m_hWnd;
            ::SetDlgItemTextA(w, IDC_NET_PORT, "2000");
            SelectCombo(w, IDC_NET_SENT_FROM_TYPE, 2);
            ::SetDlgItemTextA(w, IDC_NET_SENT_FROM, "bob@example.museu");
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(sheet.m_network.m_hWnd, IDC_NET_SENT_FROM));
            HWND w = sheet.m_network.m_hWnd;
            SelectCombo(w, IDC_NET_SENT_FROM_TYPE, 4);
            ::SetDlgItemTextA(w, IDC_NET_SENT_FROM, "");
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            HWND w = sheet.m_network.m_hWnd;
            SelectCombo(w, IDC_NET_SENT_FROM_TYPE, 1);
            ::SetDlgItemTextA(w, IDC_NET_SENT_FROM, "10.0.0.x");
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(sheet.m_network.m_hWnd, IDC_NET_SENT_FROM_TYPE));
            Click(d, IDCANCEL);
        });
    EXPECT_EQ(driver.Run([&] { return sheet.DoModal(owner_); }), IDCANCEL);
    ASSERT_EQ(driver.boxes.size(), 9u);
    EXPECT_EQ(driver.boxes[0], kSizeTooBigMessage);
    EXPECT_EQ(driver.boxes[1], kSizeTooSmallMessage);
    EXPECT_EQ(driver.boxes[2], kSizeTooSmallMessage);
    EXPECT_EQ(driver.boxes[3], kPortInvalidMessage);
    EXPECT_EQ(driver.boxes[4], kPortInvalidMessage);
    EXPECT_EQ(driver.boxes[5], kPortInvalidMessage);
    EXPECT_EQ(driver.boxes[6], kSentFromEmailMessage);
    EXPECT_EQ(driver.boxes[7], kSentFromNameMessage);
    EXPECT_EQ(driver.boxes[8], kSentFromIpMessage);
    for (size_t i : {0, 1, 2, 3, 4, 5, 6, 8}) EXPECT_EQ(driver.boxIcons[i], StopIcon()) << i;
    EXPECT_EQ(driver.boxIcons[7], nullptr) << "the empty name is said without an icon";

    // What the pages before the refusal wrote stays, Cancel or not.
    EXPECT_EQ(settings_.ReadDefaultDateFormat(), "YYYY-MM-DD");
    NoteRecord theme;
    ASSERT_TRUE(ReadNoteRecord({}, kDefaultThemeId, theme));
    EXPECT_EQ(theme.border, "No") << "the record is written before the size check";
    EXPECT_EQ(settings_.ReadDefaultWidth(), "60");
    EXPECT_EQ(settings_.ReadDefaultHeight(), "30");
    EXPECT_EQ(settings_.ReadReadNetworkInterval(), "7") << "written before the port was refused";
    EXPECT_EQ(networkMinutes_, 7);
    EXPECT_EQ(settings_.ReadCommunicationPort(), "");
}

TEST_F(SettingsDialogTest, IpAddressRefusalPutsTheFocusOnTheTypeList) {
    CSettingsSheet sheet(effects_);
    ModalDriver driver = Driver();
    driver
        .Then([&](HWND d) {
            HWND w = sheet.m_network.m_hWnd;
            SelectCombo(w, IDC_NET_SENT_FROM_TYPE, 1);
            ::SetDlgItemTextA(w, IDC_NET_SENT_FROM, "10.0.0.x");
            Click(d, IDOK);
        })
        .Then([&](HWND d) {
            EXPECT_EQ(sheet.ActivePage(), 2);
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(sheet.m_network.m_hWnd, IDC_NET_SENT_FROM_TYPE));
            ::SetDlgItemTextA(sheet.m_network.m_hWnd, IDC_NET_SENT_FROM, "10.0.0.256");
            Click(d, IDOK);
        });
    EXPECT_EQ(driver.Run([&] { return sheet.DoModal(owner_); }), IDOK);
    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(driver.boxes[0], kSentFromIpMessage);
    EXPECT_EQ(settings_.ReadSentFrom(), "10.0.0.256");
}

TEST_F(SettingsDialogTest, EnterAndEscapeInsideAPageCloseNothing) {
    CSettingsSheet sheet(effects_);
    ModalDriver driver = Driver();
    driver
        .Then([&](HWND) {
            PressKeyIn(sheet.m_general.m_hWnd, IDC_GEN_SCROLL_YES, VK_RETURN);
            PressKeyIn(sheet.m_general.m_hWnd, IDC_GEN_SCROLL_YES, VK_ESCAPE);
        })
        .Then([&](HWND d) {
            SelectTab(d, 2);
            PressKeyIn(sheet.m_network.m_hWnd, IDC_NET_PORT, VK_RETURN);
            PressKeyIn(sheet.m_network.m_hWnd, IDC_NET_PORT, VK_ESCAPE);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(Open(d));
            // Escape on the sheet's own button still cancels.
            PressKeyIn(d, IDCANCEL, VK_ESCAPE);
        });
    EXPECT_EQ(driver.Run([&] { return sheet.DoModal(owner_); }), IDCANCEL);
    EXPECT_TRUE(driver.boxes.empty());
    EXPECT_EQ(settings_.ReadShowScrollBar(), "") << "nothing was saved";
    EXPECT_EQ(settings_.ReadCommunicationPort(), "");
}

TEST_F(SettingsDialogTest, LockActsAtOnceAndAWrongPasswordKeepsIt) {
    settings_.WriteShowAllPassword("Yes", "Secret7");
    PasswordAnswers passwords;
    passwords.queue = {{"secret7", true}, {"Secret7", false}, {"Secret7", true}, {"abc", false}, {"New1", true}};
    CSettingsSheet sheet(effects_);
    ModalDriver driver = Driver();
    driver.watch = [&] { passwords.Watch(); };
    driver
        .Then([&](HWND) {
            HWND g = sheet.m_general.m_hWnd;
            EXPECT_TRUE(Checked(g, IDC_GEN_LOCK));
            EXPECT_EQ(ItemText(g, IDC_GEN_PASSWORD), "Secret7");
            EXPECT_TRUE(::GetWindowLongPtrA(::GetDlgItem(g, IDC_GEN_PASSWORD), GWL_STYLE) & ES_PASSWORD);
            Click(g, IDC_GEN_LOCK);  // wrong case
        })
        .Then([&](HWND) {
            HWND g = sheet.m_general.m_hWnd;
            EXPECT_TRUE(Checked(g, IDC_GEN_LOCK));
            EXPECT_EQ(settings_.ReadShowAllPasswordYesNo(), "Yes");
            Click(g, IDC_GEN_LOCK);  // Cancel
        })
        .Then([&](HWND) {
            HWND g = sheet.m_general.m_hWnd;
            EXPECT_TRUE(Checked(g, IDC_GEN_LOCK));
            Click(g, IDC_GEN_LOCK);  // right
        })
        .Then([&](HWND) {
            HWND g = sheet.m_general.m_hWnd;
            EXPECT_FALSE(Checked(g, IDC_GEN_LOCK));
            EXPECT_EQ(ItemText(g, IDC_GEN_PASSWORD), "");
            // Stored at once, before any save.
            EXPECT_EQ(settings_.ReadShowAllPasswordYesNo(), "No");
            EXPECT_EQ(settings_.ReadShowAllPassword(), "");
            Click(g, IDC_GEN_LOCK);  // a new password, cancelled
        })
        .Then([&](HWND) {
            HWND g = sheet.m_general.m_hWnd;
            EXPECT_FALSE(Checked(g, IDC_GEN_LOCK));
            EXPECT_EQ(settings_.ReadShowAllPasswordYesNo(), "No");
            Click(g, IDC_GEN_LOCK);  // a new password
        })
        .Then([&](HWND d) {
            HWND g = sheet.m_general.m_hWnd;
            EXPECT_TRUE(Checked(g, IDC_GEN_LOCK));
            EXPECT_EQ(ItemText(g, IDC_GEN_PASSWORD), "New1");
            EXPECT_EQ(settings_.ReadShowAllPasswordYesNo(), "Yes");
            EXPECT_EQ(settings_.ReadShowAllPassword(), "New1");
            Click(d, IDCANCEL);
        });
    EXPECT_EQ(driver.Run([&] { return sheet.DoModal(owner_); }), IDCANCEL);
    EXPECT_EQ(passwords.asked, 5);
    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(driver.boxes[0], "Sorry wrong password entered.");
    EXPECT_EQ(driver.boxIcons[0], StopIcon());
    // Cancel of the sheet leaves the lock as the clicks set it.
    EXPECT_EQ(settings_.ReadShowAllPassword(), "New1");
}

TEST_F(SettingsDialogTest, TitleAlignmentAndFontSamplesFollowTheRecordLetters) {
    NoteRecord theme;
    theme.noteId = kDefaultThemeId;
    theme.editFont = "Verdana";
    theme.editFontSize = 9;
    theme.editFontType = "";
    theme.editBackColor = 0x00C0FFFF;
    theme.titleFont = "Arial";
    theme.titleFontSize = 11;
    theme.titleFontType = "BC";
    theme.titleBackColor = 0x0080FFFF;
    theme.titleTextColor = 0x000000FF;
    theme.border = "Yes";
    ASSERT_TRUE(WriteNoteRecord({}, theme));

    CSettingsSheet sheet(effects_);
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        HWND n = sheet.m_defaultNote.m_hWnd;
        EXPECT_TRUE(Checked(n, IDC_DEF_BORDER_YES));
        EXPECT_TRUE(Checked(n, IDC_DEF_ALIGN_CENTER));
        EXPECT_FALSE(Checked(n, IDC_DEF_ALIGN_LEFT));
        EXPECT_EQ(ItemText(n, IDC_DEF_NOTE_FONT), " Verdana, 9, R");
        EXPECT_EQ(ItemText(n, IDC_DEF_TITLE_FONT), " Arial, 11, B");
        EXPECT_EQ(sheet.m_defaultNote.TitleFontSample().GetTextColor(), static_cast<COLORREF>(0x000000FF));
        EXPECT_EQ(sheet.m_defaultNote.NoteColorSwatch().GetBkColor(), static_cast<COLORREF>(0x00C0FFFF));
        // The sample is drawn in its font: bold for the title.
        LOGFONTA lf{};
        ::GetObjectA(reinterpret_cast<HFONT>(::SendDlgItemMessageA(n, IDC_DEF_TITLE_FONT, WM_GETFONT, 0, 0)),
                     sizeof lf, &lf);
        EXPECT_STREQ(lf.lfFaceName, "Arial");
        EXPECT_EQ(lf.lfWeight, 700);
        SelectTab(d, 1);
        Screenshot("settings_default_note_page");
        Click(n, IDC_DEF_ALIGN_LEFT);
        Click(d, IDOK);
    });
    ASSERT_EQ(driver.Run([&] { return sheet.DoModal(owner_); }), IDOK);
    NoteRecord back;
    ASSERT_TRUE(ReadNoteRecord({}, kDefaultThemeId, back));
    EXPECT_EQ(back.titleFontType, "BL");
    EXPECT_EQ(back.editFont, "Verdana");
    EXPECT_EQ(back.titleBackColor, 0x0080FFFF);
}

TEST_F(SettingsDialogTest, FontDialogRebuildsTheLettersAndKeepsTheTitleAlignment) {
    NoteRecord theme;
    theme.noteId = kDefaultThemeId;
    theme.editFont = "Tahoma";
    theme.editFontSize = 10;
    theme.editFontType = "IL";  // the note font's letters are rebuilt from nothing
    theme.titleFont = "Tahoma";
    theme.titleFontSize = 9;
    theme.titleFontType = "BUC";
    theme.titleTextColor = 0x00800000;
    ASSERT_TRUE(WriteNoteRecord({}, theme));

    // The font dialog is confirmed as it shows; which face, size and style
    // it offers depends on the fonts installed, so they are read from it
    // and must come back in the sample and the record.
    struct Chosen {
        std::string face;
        int points = 0;
        std::string style;  // "Regular", "Bold", "Italic", "Bold Italic" ...
        bool underline = false;
        bool strikeOut = false;
    };
    std::vector<Chosen> chosen;
    std::set<HWND> seen;
    CSettingsSheet sheet(effects_);
    ModalDriver driver = Driver();
    driver.watch = [&] {
        for (HWND w : ThreadWindows()) {
            if (ClassOf(w) != "#32770" || !Open(w) || WindowText(w) != "Font" || seen.count(w)) continue;
            seen.insert(w);
            // Face, style and size lists; the strike-out and underline boxes.
            chosen.push_back({ItemText(w, 0x470), std::atoi(ItemText(w, 0x472).c_str()), ItemText(w, 0x471),
                              Checked(w, 0x411), Checked(w, 0x410)});
            ::PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(w, IDOK)));
        }
    };
    auto clickSample = [&](int id) {
        HWND n = sheet.m_defaultNote.m_hWnd;
        ::SendMessageA(n, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(n, id)));
    };
    auto letters = [](const Chosen& c) {
        std::string l;
        if (c.style.find("Bold") != std::string::npos) l += 'B';
        if (c.style.find("Italic") != std::string::npos || c.style.find("Oblique") != std::string::npos) l += 'I';
        if (c.underline) l += 'U';
        if (c.strikeOut) l += 'S';
        return l;
    };
    driver.Then([&](HWND) { clickSample(IDC_DEF_NOTE_FONT); })
        .Then([&](HWND) { clickSample(IDC_DEF_TITLE_FONT); })
        .Then([&](HWND d) {
            ASSERT_EQ(chosen.size(), 2u);
            HWND n = sheet.m_defaultNote.m_hWnd;
            EXPECT_EQ(ItemText(n, IDC_DEF_NOTE_FONT), FontSampleText(chosen[0].face, chosen[0].points, letters(chosen[0]), false));
            EXPECT_EQ(ItemText(n, IDC_DEF_TITLE_FONT), FontSampleText(chosen[1].face, chosen[1].points, letters(chosen[1]), true));
            EXPECT_EQ(sheet.m_defaultNote.TitleFontSample().GetTextColor(), static_cast<COLORREF>(0x00800000));
            Click(d, IDOK);
        });
    ASSERT_EQ(driver.Run([&] { return sheet.DoModal(owner_); }), IDOK);
    ASSERT_EQ(chosen.size(), 2u);
    NoteRecord back;
    ASSERT_TRUE(ReadNoteRecord({}, kDefaultThemeId, back));
    EXPECT_EQ(back.editFont, chosen[0].face);
    EXPECT_EQ(back.editFontSize, chosen[0].points);
    EXPECT_EQ(back.editFontType, letters(chosen[0])) << "rebuilt from nothing: no L";
    EXPECT_EQ(back.titleFont, chosen[1].face);
    EXPECT_EQ(back.titleFontSize, chosen[1].points);
    // The title had B and U; the dialog opened with underline ticked, so U
    // comes back and the alignment stays (moved to the end by the save).
    EXPECT_TRUE(chosen[1].underline);
    EXPECT_EQ(back.titleFontType, letters(chosen[1]) + "C");
    EXPECT_EQ(back.titleTextColor, 0x00800000);
}

TEST_F(SettingsDialogTest, ManagerFormHasNoSendButtonAndEnterDoesNotClose) {
    CSendNoteDialog manager(CSendNoteDialog::Form::Manager);
    ModalDriver driver = Driver();
    driver
        .Then([&](HWND d) {
            EXPECT_EQ(WindowText(d), "Network and group manager");
            EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(d, IDOK)));
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(d, IDC_SEND_NETWORK_LIST)));
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(d, IDC_SEND_SAVE_GROUP)));
            ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(Open(d));
            Click(d, IDCANCEL);
        });
    EXPECT_EQ(driver.Run([&] { return manager.DoModal(owner_); }), IDCANCEL);
    EXPECT_FALSE(manager.m_sent);
}

}  // namespace
