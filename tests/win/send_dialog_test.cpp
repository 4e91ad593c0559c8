// The send dialog driven like a user would: the modal dialog runs its own
// loop, so a thread timer types, clicks and presses keys from inside it,
// answers the group-name dialog and the message boxes, and a loopback
// receiver takes the notes it sends. Also what a note shows after its group
// and reply commands have sent it.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "base/OsLabel.h"
#include "base/ProgramFlags.h"
#include "dialogs/DialogLogic.h"
#include "net/NetUtil.h"
#include "net/NetworkNeighbourhood.h"
#include "net/NoteServer.h"
#include "net/SendNoteDialog.h"
#include "note/NoteDialog.h"
#include "net/Socket.h"
#include "res/resource.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"
#include "store/SettingsStore.h"

namespace {

void Command(HWND dlg, int id) { ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void SetText(HWND dlg, int id, const std::string& text) { ::SetDlgItemTextA(dlg, id, text.c_str()); }

void SelectCombo(HWND dlg, int id, int index) {
    ::SendDlgItemMessageA(dlg, id, CB_SETCURSEL, index, 0);
    ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, id)));
}

struct Row {
    std::string text;
    int image;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) { return os << '{' << r.text << ',' << r.image << '}'; }

std::vector<Row> Rows(HWND dlg, int id) {
    HWND list = ::GetDlgItem(dlg, id);
    std::vector<Row> rows;
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char buf[256] = {};
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = buf;
        item.cchTextMax = sizeof buf;
        ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        rows.push_back({buf, item.iImage});
    }
    return rows;
}

Strings Texts(HWND dlg, int id) {
    Strings texts;
    for (const Row& r : Rows(dlg, id)) texts.push_back(r.text);
    return texts;
}

void SelectRows(HWND dlg, int id, std::initializer_list<int> indices) {
    HWND list = ::GetDlgItem(dlg, id);
    LVITEMA clear{};
    clear.stateMask = LVIS_SELECTED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
    for (int i : indices) {
        LVITEMA item{};
        item.state = LVIS_SELECTED;
        item.stateMask = LVIS_SELECTED;
        ::SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
    }
}

bool ReadOnly(HWND dlg, int id) {
    return (::GetWindowLongPtrA(::GetDlgItem(dlg, id), GWL_STYLE) & ES_READONLY) != 0;
}

class SendDialogTest : public WindowTest {
protected:
    // Answers the group-name dialog from the driver's inputs.
    ModalDriver Driver() const {
        ModalDriver driver = WindowTest::Driver();
        driver.inputCaption = InputTextCaption(InputTextMode::GroupName);
        return driver;
    }

    void WriteNote(std::int32_t id, const std::string& title) {
        NoteRecord r;
        r.noteId = id;
        r.editFont = "Tahoma";
        r.editText = "{\\rtf1 hello\\par}";
        r.editFontSize = 10;
        r.editBackColor = 0x97CBFF;
        r.titleFont = "Tahoma";
        r.titleText = title;
        r.titleFontType = "C";
        r.titleFontSize = 8;
        r.titleBackColor = 0xE28E49;
        r.titleTextColor = 0xFFFFFF;
        r.left = 100;
        r.top = 120;
        r.width = 200;
        r.height = 150;
        r.minimized = r.border = r.hidden = "No";
        ASSERT_TRUE(WriteNoteRecord(MainDataFilePath(), r));
    }

    // Note 1 written, and every send of it failing: the port is a loopback
    // one nobody listens on and the family has no messaging command to fall
    // back on. The family is put back after the test.
    void MakeSendingFail() {
        winsock_.emplace();
        net::Socket probe = net::Socket::CreateTcp();
        ASSERT_TRUE(probe.Bind(net::LoopbackAddress(), 0));
        const int port = probe.LocalPort();
        probe.Close();
        CSettingsStore().WriteCommunicationPort(std::to_string(port));
        WriteNote(1, "Lunch");
        family_ = OsFamily();
        SetOsFamilyLabel("");
    }

    void TearDown() override {
        if (family_) SetOsFamilyLabel(*family_);
        winsock_.reset();
        WindowTest::TearDown();
    }

    std::string Group(const std::string& key) { return ini::Read(MainDataFilePath(), "RECIPIENTS_LIST", key); }

    const std::string computer_ = CNetUtil().GetLocalComputerName();
    std::optional<std::string> family_;
    std::optional<net::WinsockSession> winsock_;
};

// ---- opening ---------------------------------------------------------------------------------

TEST_F(SendDialogTest, OpensWithListsToolTipsAndTheComputerIdentity) {
    ini::Write(NetworkListFilePath(), "NETWORK_LIST", "NetList", "alpha~Beta~~GAMMA~");
    ini::Write(MainDataFilePath(), "RECIPIENTS_LIST", "ListNames", "Team~~Boss~");
    CSendNoteDialog dlg(1, "hello");
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        EXPECT_EQ(WindowText(d), "Send note to other");
        EXPECT_EQ(ItemText(d, IDOK), "Send note");
        EXPECT_EQ(ItemText(d, IDCANCEL), "Close");
        EXPECT_EQ(ItemText(d, IDC_SEND_IDENTITY_LABEL), "Sent from :");
        EXPECT_NE(::SendMessageA(d, WM_GETICON, ICON_BIG, 0), 0);

        // Centred on the desktop.
        RECT r{}, desk{};
        ::GetWindowRect(d, &r);
        ::GetWindowRect(::GetDesktopWindow(), &desk);
        EXPECT_LE(std::abs((r.left + r.right) - (desk.left + desk.right)), 2);
        EXPECT_LE(std::abs((r.top + r.bottom) - (desk.top + desk.bottom)), 2);

        const std::pair<int, const char*> lists[] = {{IDC_SEND_NETWORK_LIST, "Network Neighborhood"},
                                                     {IDC_SEND_RECIPIENTS, "Note Recipients"}};
        for (const auto& [id, title] : lists) {
            HWND list = ::GetDlgItem(d, id);
            char buf[64] = {};
            LVCOLUMNA col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH;
            col.pszText = buf;
            col.cchTextMax = sizeof buf;
            ASSERT_TRUE(::SendMessageA(list, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&col)));
            EXPECT_STREQ(buf, title);
            EXPECT_EQ(col.cx, 156);
            const DWORD ex = static_cast<DWORD>(::SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
            EXPECT_EQ(ex & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP),
                      static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP));
        }
        HIMAGELIST images = reinterpret_cast<HIMAGELIST>(
            ::SendDlgItemMessageA(d, IDC_SEND_RECIPIENTS, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        ASSERT_NE(images, nullptr);
        EXPECT_EQ(::ImageList_GetImageCount(images), 2);
        int cx = 0, cy = 0;
        ::ImageList_GetIconSize(images, &cx, &cy);
        EXPECT_EQ(cx, 16);
        EXPECT_EQ(cy, 16);

        // The stored network list reversed, in upper case, without pictures.
        EXPECT_EQ(Rows(d, IDC_SEND_NETWORK_LIST),
                  (std::vector<Row>{{"GAMMA", 0}, {"BETA", 0}, {"ALPHA", 0}}));
        EXPECT_EQ(ComboItems(d, IDC_SEND_GROUPS), (Strings{"Team", "Boss"}));
        EXPECT_EQ(ComboSelection(d, IDC_SEND_GROUPS), CB_ERR);
        EXPECT_EQ(ComboItems(d, IDC_SEND_IDENTITY_TYPE),
                  (Strings{"Computer name", "IP Address", "E-mail", "Anonymous", "Name"}));
        EXPECT_EQ(ComboSelection(d, IDC_SEND_IDENTITY_TYPE), 0);
        EXPECT_EQ(ItemText(d, IDC_SEND_IDENTITY), computer_);
        EXPECT_EQ(ReadOnly(d, IDC_SEND_IDENTITY), computer_ != "MYCOMPUTER");

        // Nothing to send, save, clear, add, remove or delete yet.
        for (int id : {IDOK, IDC_SEND_CLEAR, IDC_SEND_SAVE_GROUP, IDC_SEND_DELETE_GROUP, IDC_SEND_ADD, IDC_SEND_REMOVE})
            EXPECT_FALSE(Enabled(d, id)) << id;
        EXPECT_TRUE(Enabled(d, IDC_SEND_ADD_ALL));

        HWND tip = dlg.GetToolTip();
        ASSERT_TRUE(::IsWindow(tip));
        EXPECT_EQ(::SendMessageA(tip, TTM_GETTIPBKCOLOR, 0, 0), 0x00AFFFFF);
        EXPECT_EQ(::SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), 300);
        EXPECT_EQ(::SendMessageA(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 600);
        EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 15);
        const std::pair<int, const char*> tips[] = {
            {IDC_SEND_RECIPIENT, "Type computer name, IP address or email you want to send note. Also Internet "
                                 "computer name is supported."},
            {IDC_SEND_GROUPS, "You can select old saved group."},
            {IDC_SEND_ADD_ALL, "Add all computer(s) from your Network Neighborhood to the recipients list."},
            {IDC_SEND_IDENTITY_TYPE, "Your identifier when sending note to other(s). This text will appear in "
                                     "received note title (except if anonymous sender is selected)."},
            {IDCANCEL, "Cancel sending note. Close this dialog."},
        };
        for (const auto& [id, text] : tips) {
            // The message hands out at most 79 characters; the shown tip below
            // proves a whole one.
            const std::string got = ToolText(tip, d, id);
            EXPECT_EQ(got, std::string(text).substr(0, got.size())) << id;
            EXPECT_GE(got.size(), std::min<std::size_t>(std::strlen(text), 79)) << id;
        }
        Screenshot("send-dialog-open");
    });
    driver.Then([&](HWND d) {
        // The mouse resting on a control brings up its tip, whole, even
        // inside the dialog's own loop.
        HWND entry = ::GetDlgItem(d, IDC_SEND_RECIPIENT);
        RECT r{};
        ::GetWindowRect(entry, &r);
        ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::SendMessageA(entry, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        HWND tip = dlg.GetToolTip();
        PumpFor(5000, [&] { return ::IsWindowVisible(tip) != FALSE; });
        EXPECT_TRUE(::IsWindowVisible(tip));
        EXPECT_EQ(WindowText(tip), "Type computer name, IP address or email you want to send note. Also Internet "
                                   "computer name is supported.");
        RECT tr{};
        ::GetWindowRect(tip, &tr);
        EXPECT_LE(tr.right - tr.left, 320) << "wrapped at the tip width";
        Screenshot("send-dialog-tip");
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDCANCEL);
    EXPECT_FALSE(dlg.m_sent);
    EXPECT_TRUE(driver.boxes.empty());
}

// ---- adding and removing ----------------------------------------------------------------------

TEST_F(SendDialogTest, TypedAndNetworkRecipientsGoOnTopWithTheirIcons) {
    ini::Write(NetworkListFilePath(), "NETWORK_LIST", "NetList", "ALPHA~BETA~GAMMA~");
    ini::Write(MainDataFilePath(), "RECIPIENTS_LIST", "ListNames", "Team~");
    ini::Write(MainDataFilePath(), "RECIPIENTS_LIST", "Team", "X~");
    CSendNoteDialog dlg(1, "hello");
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        SetText(d, IDC_SEND_RECIPIENT, "john smith");
        EXPECT_FALSE(Enabled(d, IDC_SEND_ADD)) << "a space keeps Add greyed";
        SetText(d, IDC_SEND_RECIPIENT, "pc-one");
        EXPECT_TRUE(Enabled(d, IDC_SEND_ADD));
        SelectCombo(d, IDC_SEND_GROUPS, 0);
        EXPECT_EQ(Texts(d, IDC_SEND_RECIPIENTS), Strings{"X"});
        PressKeyIn(d, IDC_SEND_RECIPIENT, VK_RETURN);
    });
    driver.Then([&](HWND d) {
        EXPECT_EQ(Rows(d, IDC_SEND_RECIPIENTS), (std::vector<Row>{{"PC-ONE", 0}, {"X", 0}}))
            << "Enter in the entry adds it, in upper case, with the computer icon";
        EXPECT_EQ(ItemText(d, IDC_SEND_RECIPIENT), "");
        EXPECT_EQ(ComboSelection(d, IDC_SEND_GROUPS), CB_ERR) << "adding leaves no group chosen";
        EXPECT_TRUE(::IsWindow(d) && Open(d)) << "Enter there does not send";
        for (int id : {IDOK, IDC_SEND_CLEAR, IDC_SEND_SAVE_GROUP}) EXPECT_TRUE(Enabled(d, id)) << id;
        EXPECT_FALSE(Enabled(d, IDC_SEND_DELETE_GROUP));

        SetText(d, IDC_SEND_RECIPIENT, "  Joe.Doe@Example.COM");
        SelectRows(d, IDC_SEND_NETWORK_LIST, {0, 2});  // GAMMA, ALPHA
        Click(d, IDC_SEND_ADD);
        EXPECT_EQ(Rows(d, IDC_SEND_RECIPIENTS),
                  (std::vector<Row>{{"ALPHA", 0}, {"GAMMA", 0}, {"joe.doe@example.com", 1}, {"PC-ONE", 0}, {"X", 0}}))
            << "typed first, then the selection in list order, each on top";

        SetText(d, IDC_SEND_RECIPIENT, "pc-one");
        Click(d, IDC_SEND_ADD);
        EXPECT_EQ(Texts(d, IDC_SEND_RECIPIENTS).size(), 5u) << "no duplicate";
        EXPECT_EQ(ItemText(d, IDC_SEND_RECIPIENT), "pc-one") << "a refused entry stays";
        SetText(d, IDC_SEND_RECIPIENT, "");

        SelectRows(d, IDC_SEND_NETWORK_LIST, {1});  // BETA
        PressKeyIn(d, IDC_SEND_NETWORK_LIST, VK_RETURN);
    });
    driver.Then([&](HWND d) {
        EXPECT_EQ(Texts(d, IDC_SEND_RECIPIENTS).front(), "BETA") << "Enter in the network list adds";
        EXPECT_TRUE(Open(d));

        SelectRows(d, IDC_SEND_RECIPIENTS, {0, 2});  // BETA, GAMMA
        EXPECT_TRUE(Enabled(d, IDC_SEND_REMOVE));
        PressKeyIn(d, IDC_SEND_RECIPIENTS, VK_DELETE);
    });
    driver.Then([&](HWND d) {
        EXPECT_EQ(Texts(d, IDC_SEND_RECIPIENTS), (Strings{"ALPHA", "joe.doe@example.com", "PC-ONE", "X"}));
        EXPECT_FALSE(Enabled(d, IDC_SEND_REMOVE));
        Click(d, IDC_SEND_ADD_ALL);
        EXPECT_EQ(Texts(d, IDC_SEND_RECIPIENTS),
                  (Strings{"BETA", "GAMMA", "ALPHA", "joe.doe@example.com", "PC-ONE", "X"}));
        ::SetCursorPos(0, 0);  // no tip over the picture
        Screenshot("send-dialog");
        ::SetFocus(::GetDlgItem(d, IDC_SEND_CLEAR));
        ASSERT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_SEND_CLEAR));
        Click(d, IDC_SEND_CLEAR);
        EXPECT_TRUE(Texts(d, IDC_SEND_RECIPIENTS).empty());
        for (int id : {IDOK, IDC_SEND_CLEAR, IDC_SEND_SAVE_GROUP}) EXPECT_FALSE(Enabled(d, id)) << id;
        HWND focus = ::GetFocus();
        EXPECT_TRUE(focus && ::IsChild(d, focus) && ::IsWindowEnabled(focus))
            << "the greyed button passed the keyboard on";
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDCANCEL);
    EXPECT_TRUE(driver.boxes.empty());
}

TEST_F(SendDialogTest, ShowIpAddressResolvesTheSelectedName) {
    CSendNoteDialog dlg(1, "hello");
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        SetText(d, IDC_SEND_RECIPIENT, "localhost");
        Click(d, IDC_SEND_ADD);
        SelectRows(d, IDC_SEND_RECIPIENTS, {0});
        Command(d, ID_RECIPIENT_SHOW_IP);
    });
    driver.Then([&](HWND d) {
        SetText(d, IDC_SEND_RECIPIENT, "no-such-host.invalid");
        Click(d, IDC_SEND_ADD);
        SelectRows(d, IDC_SEND_RECIPIENTS, {0});
        Command(d, ID_RECIPIENT_SHOW_IP);
    });
    driver.Then([&](HWND d) {
        SelectRows(d, IDC_SEND_RECIPIENTS, {0});
        Command(d, ID_RECIPIENT_REMOVE);
        EXPECT_EQ(Texts(d, IDC_SEND_RECIPIENTS), Strings{"LOCALHOST"}) << "the menu's Remove";
        Click(d, IDCANCEL);
    });
    driver.Run([&] { return dlg.DoModal(owner_); });
    EXPECT_EQ(driver.boxes, (Strings{"LOCALHOST : Computer IP address 127.0.0.1   ",
                                     "NO-SUCH-HOST.INVALID : Can not determine IP Address of the selected computer.\n"
                                     "Maybe you type wrong computer name or computer is turned off."}));
    ASSERT_EQ(driver.boxIcons.size(), 2u);
    EXPECT_NE(driver.boxIcons[0], nullptr) << "an information box";
    EXPECT_EQ(driver.boxIcons[1], nullptr) << "a plain box";
}

// Selects the rows, then right-clicks the list as the mouse would.
void RightClick(HWND dlg, int id, std::initializer_list<int> rows) {
    SelectRows(dlg, id, rows);
    NMITEMACTIVATE nm{};
    nm.hdr.hwndFrom = ::GetDlgItem(dlg, id);
    nm.hdr.idFrom = static_cast<UINT_PTR>(id);
    nm.hdr.code = NM_RCLICK;
    nm.iItem = -1;
    ::SendMessageA(dlg, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&nm));
}

TEST_F(SendDialogTest, ContextMenusOpenForOneItemAndGreyShowIpForAddresses) {
    ini::Write(NetworkListFilePath(), "NETWORK_LIST", "NetList", "ALPHA~");
    CSendNoteDialog dlg(1, "hello");
    ModalDriver driver = Driver();
    struct Seen {
        Strings items;
        std::vector<bool> greyed;
    };
    std::vector<Seen> menus;
    driver.watch = [&] {
        for (HWND w : ThreadWindows()) {
            if (ClassOf(w) != "#32768" || !Open(w)) continue;
            HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(w, MN_GETHMENU, 0, 0));
            Seen seen;
            for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
                char text[64] = {};
                if (!::GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION)) continue;
                seen.items.push_back(text);
                seen.greyed.push_back((::GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) != 0);
            }
            menus.push_back(seen);
            ::EndMenu();
        }
    };
    driver.Then([&](HWND d) {
        for (const char* r : {"pc-one", "10.0.0.1", "joe@example.com"}) {
            SetText(d, IDC_SEND_RECIPIENT, r);
            Click(d, IDC_SEND_ADD);
        }
        ASSERT_EQ(Texts(d, IDC_SEND_RECIPIENTS), (Strings{"joe@example.com", "10.0.0.1", "PC-ONE"}));
        RightClick(d, IDC_SEND_RECIPIENTS, {0});
        RightClick(d, IDC_SEND_RECIPIENTS, {1});
        RightClick(d, IDC_SEND_RECIPIENTS, {2});
        RightClick(d, IDC_SEND_RECIPIENTS, {0, 2});  // two selected: no menu
        RightClick(d, IDC_SEND_NETWORK_LIST, {0});
        Click(d, IDCANCEL);
    });
    driver.Run([&] { return dlg.DoModal(owner_); });
    ASSERT_EQ(menus.size(), 4u);
    const Strings recipientItems{"Remove", "Show IP Address"};
    EXPECT_EQ(menus[0].items, recipientItems);
    EXPECT_EQ(menus[0].greyed, (std::vector<bool>{false, true})) << "no look-up for an e-mail address";
    EXPECT_EQ(menus[1].greyed, (std::vector<bool>{false, true})) << "nor for an IP address";
    EXPECT_EQ(menus[2].greyed, (std::vector<bool>{false, false})) << "a computer name can be looked up";
    EXPECT_EQ(menus[3].items, (Strings{"Add", "Show IP Address"}));
    EXPECT_EQ(menus[3].greyed, (std::vector<bool>{false, false}));
}

// ---- groups -------------------------------------------------------------------------------------

TEST_F(SendDialogTest, SavingChoosingAndDeletingGroups) {
    ini::Write(MainDataFilePath(), "RECIPIENTS_LIST", "ListNames", "Old~");
    ini::Write(MainDataFilePath(), "RECIPIENTS_LIST", "Old", "pc-a~bob@example.com~10.0.0.3~");
    CSendNoteDialog dlg(1, "hello");
    ModalDriver driver = Driver();
    driver.inputs = {"  Team  ", "bad~name"};
    driver.answers = {IDOK, IDNO, IDYES};
    driver.Then([&](HWND d) {
        SelectCombo(d, IDC_SEND_GROUPS, 0);
        EXPECT_EQ(Rows(d, IDC_SEND_RECIPIENTS),
                  (std::vector<Row>{{"10.0.0.3", 0}, {"bob@example.com", 1}, {"pc-a", 0}}))
            << "stored order reversed, stored text kept, e-mail icon for the address";
        EXPECT_TRUE(Enabled(d, IDC_SEND_DELETE_GROUP));
        SetText(d, IDC_SEND_RECIPIENT, "pc-b");
        Click(d, IDC_SEND_ADD);
        Click(d, IDC_SEND_SAVE_GROUP);  // answered "  Team  "
    });
    driver.Then([&](HWND d) {
        EXPECT_EQ(Group("ListNames"), "Old~Team~");
        EXPECT_EQ(Group("Team"), "PC-B~10.0.0.3~bob@example.com~pc-a~") << "top first";
        EXPECT_EQ(ComboItems(d, IDC_SEND_GROUPS), (Strings{"Old", "Team"}));
        EXPECT_EQ(ComboSelection(d, IDC_SEND_GROUPS), 1);
        Click(d, IDC_SEND_SAVE_GROUP);  // answered "bad~name": refused with a box
    });
    driver.Then([&](HWND d) {
        EXPECT_EQ(Group("ListNames"), "Old~Team~");
        Click(d, IDC_SEND_SAVE_GROUP);  // no name left: the user cancels
    });
    driver.Then([&](HWND d) {
        EXPECT_EQ(Group("ListNames"), "Old~Team~");
        Click(d, IDC_SEND_DELETE_GROUP);  // answered No
    });
    driver.Then([&](HWND d) {
        EXPECT_EQ(Group("Team"), "PC-B~10.0.0.3~bob@example.com~pc-a~");
        EXPECT_EQ(Texts(d, IDC_SEND_RECIPIENTS).size(), 4u);
        Click(d, IDC_SEND_DELETE_GROUP);  // answered Yes
    });
    driver.Then([&](HWND d) {
        EXPECT_EQ(Group("ListNames"), "Old~");
        EXPECT_EQ(Group("Team"), "");
        EXPECT_EQ(Group("Old"), "pc-a~bob@example.com~10.0.0.3~");
        EXPECT_EQ(ComboItems(d, IDC_SEND_GROUPS), Strings{"Old"});
        EXPECT_EQ(ComboSelection(d, IDC_SEND_GROUPS), CB_ERR);
        EXPECT_TRUE(Texts(d, IDC_SEND_RECIPIENTS).empty());
        EXPECT_FALSE(Enabled(d, IDC_SEND_DELETE_GROUP));
        Command(d, IDC_SEND_DELETE_GROUP);  // nothing shown: nothing happens
        Click(d, IDCANCEL);
    });
    driver.Run([&] { return dlg.DoModal(owner_); });
    EXPECT_EQ(driver.boxes, (Strings{"A group name can not contain \"~\" or \"=\". Please choose another name.",
                                     "Delete group 'Team'. Are you sure ? ", "Delete group 'Team'. Are you sure ? "}));
    EXPECT_TRUE(notices_.shown.empty());
}

// ---- identity -------------------------------------------------------------------------------------

TEST_F(SendDialogTest, IdentityTypesAndTheirChecksBeforeSending) {
    CSettingsStore().WriteSentFrom("Name:Joe Bloggs");
    CSendNoteDialog dlg(1, "hello");
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        EXPECT_EQ(ComboSelection(d, IDC_SEND_IDENTITY_TYPE), 4);
        EXPECT_EQ(ItemText(d, IDC_SEND_IDENTITY), "Joe Bloggs");
        EXPECT_FALSE(ReadOnly(d, IDC_SEND_IDENTITY));

        SelectCombo(d, IDC_SEND_IDENTITY_TYPE, 3);
        EXPECT_EQ(ItemText(d, IDC_SEND_IDENTITY), "ANONYMOUS");
        EXPECT_TRUE(ReadOnly(d, IDC_SEND_IDENTITY));
        SelectCombo(d, IDC_SEND_IDENTITY_TYPE, 0);
        EXPECT_EQ(ItemText(d, IDC_SEND_IDENTITY), computer_);
        EXPECT_TRUE(ReadOnly(d, IDC_SEND_IDENTITY));
        SelectCombo(d, IDC_SEND_IDENTITY_TYPE, 2);
        EXPECT_EQ(ItemText(d, IDC_SEND_IDENTITY), "") << "a computer name is no address";
        EXPECT_FALSE(ReadOnly(d, IDC_SEND_IDENTITY));

        SetText(d, IDC_SEND_RECIPIENT, "10.0.0.1");
        Click(d, IDC_SEND_ADD);
        SetText(d, IDC_SEND_IDENTITY, "joe@example");
        Click(d, IDOK);  // refused
    });
    driver.Then([&](HWND d) {
        EXPECT_TRUE(Open(d)) << "the dialog stays";
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_SEND_IDENTITY));
        SelectCombo(d, IDC_SEND_IDENTITY_TYPE, 4);
        EXPECT_FALSE(ItemText(d, IDC_SEND_IDENTITY).empty()) << "the Windows user name";
        SetText(d, IDC_SEND_IDENTITY, "   ");
        Click(d, IDOK);  // refused
    });
    driver.Then([&](HWND d) {
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_SEND_IDENTITY));
        SelectCombo(d, IDC_SEND_IDENTITY_TYPE, 1);
        SetText(d, IDC_SEND_IDENTITY, "ERROR");  // what an unresolvable computer gives
        Click(d, IDOK);  // refused
    });
    driver.Then([&](HWND d) {
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_SEND_IDENTITY_TYPE));
        SetText(d, IDC_SEND_IDENTITY, "10.0.0.5");
        SelectCombo(d, IDC_SEND_IDENTITY_TYPE, 1);
        EXPECT_EQ(ItemText(d, IDC_SEND_IDENTITY), "10.0.0.5") << "an address is kept";
        g_emailCheckRunning = true;
        Click(d, IDOK);  // refused while an e-mail check runs
    });
    driver.Then([&](HWND d) {
        g_emailCheckRunning = false;
        EXPECT_TRUE(Open(d));
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDCANCEL);
    g_emailCheckRunning = false;
    EXPECT_EQ(driver.boxes,
              (Strings{"Email you have entered in \"Sent from:\" field is not valid ...",
                       "Name in \"Sent from:\" field can not be empty ...",
                       "IP Address in \"Default sent from:\" field is not valid ...",
                       "Checking for email notes is in progress. When checking is done click Send note button again."}));
    EXPECT_FALSE(dlg.m_sent);
}

// ---- sending --------------------------------------------------------------------------------------

TEST_F(SendDialogTest, SendNoteDeliversToALoopbackReceiver) {
    const std::string receiverIni = (dir_ / "receiver.ini").string();
    NoteServerOptions options;
    options.port = 0;
    options.dataFile = receiverIni;
    options.bindAddress = net::LoopbackAddress();
    CNoteServer server(options);
    ASSERT_TRUE(server.Start());
    const int port = server.WaitUntilListening(5000);
    ASSERT_GT(port, 0);
    CSettingsStore().WriteCommunicationPort(std::to_string(port));
    WriteNote(1, "Lunch");

    CSendNoteDialog dlg(1, "hello");
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        SetText(d, IDC_SEND_RECIPIENT, "127.0.0.1");
        Click(d, IDC_SEND_ADD);
        SetText(d, IDC_SEND_RECIPIENT, "joe@example.com");
        Click(d, IDC_SEND_ADD);
        Click(d, IDOK);
    });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    server.Stop();
    EXPECT_TRUE(dlg.m_sent);
    EXPECT_EQ(dlg.m_errors, "");
    EXPECT_EQ(dlg.m_emailRecipients, Strings{"joe@example.com"}) << "left for the e-mail path";
    EXPECT_EQ(dlg.m_identity, computer_);
    EXPECT_TRUE(driver.boxes.empty());
    const std::string received = ini::Read(receiverIni, kNoteReceivedSection, kNoteDataKey);
    EXPECT_EQ(received.substr(0, computer_.size() + 1), computer_ + "~");
    EXPECT_NE(received.find("~Lunch~"), std::string::npos) << received;
}

TEST_F(SendDialogTest, FailedComputersAreShownAndReported) {
    ASSERT_NO_FATAL_FAILURE(MakeSendingFail());

    CSendNoteDialog dlg(1, "hello");
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        SelectCombo(d, IDC_SEND_IDENTITY_TYPE, 3);
        SetText(d, IDC_SEND_RECIPIENT, "127.0.0.1");
        Click(d, IDC_SEND_ADD);
        Click(d, IDOK);
    });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    const std::string line = "127.0.0.1 : Pinwell program must be installed and started on computer.\n";
    EXPECT_TRUE(dlg.m_sent);
    EXPECT_EQ(dlg.m_errors, line);
    EXPECT_EQ(dlg.m_identity, "ANONYMOUS");
    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(driver.boxes[0], line) << "the collected lines, as they are";
}

TEST_F(SendDialogTest, ErrorsAreNotShownWhenTheSettingSaysNo) {
    ASSERT_NO_FATAL_FAILURE(MakeSendingFail());
    CSettingsStore().WriteShowSendErrorMessage("No");

    CSendNoteDialog dlg(1, "hello");
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        SetText(d, IDC_SEND_RECIPIENT, "127.0.0.1");
        Click(d, IDC_SEND_ADD);
        Click(d, IDOK);
    });
    driver.Run([&] { return dlg.DoModal(owner_); });
    EXPECT_TRUE(dlg.m_sent);
    EXPECT_FALSE(dlg.m_errors.empty());
    EXPECT_TRUE(driver.boxes.empty());
}

// ---- what the note shows after sending ----------------------------------------------------------

class NoteSendTest : public SendDialogTest {
protected:
    // Note 1 as a window; its stored record is what goes out.
    CNoteDialog* NewNote() {
        auto* note = new CNoteDialog();
        EXPECT_TRUE(note->CreateNote(owner_));
        note->SetNoteId(1);
        note->SetTitle("Lunch");
        note->ShowWindow(SW_SHOWNOACTIVATE);
        note->StoreNote();
        return note;
    }

    // A receiver on loopback, on the port the program sends to.
    void StartReceiver() {
        receiverIni_ = (dir_ / "receiver.ini").string();
        NoteServerOptions options;
        options.port = 0;
        options.dataFile = receiverIni_;
        options.bindAddress = net::LoopbackAddress();
        server_.emplace(options);
        ASSERT_TRUE(server_->Start());
        const int port = server_->WaitUntilListening(5000);
        ASSERT_GT(port, 0);
        CSettingsStore().WriteCommunicationPort(std::to_string(port));
    }

    // What the receiver took since the last call (emptied, so it takes the next).
    std::string Received() {
        const std::string text = ini::Read(receiverIni_, kNoteReceivedSection, kNoteDataKey);
        ini::Write(receiverIni_, kNoteReceivedSection, kNoteDataKey, "");
        return text;
    }

    void TearDown() override {
        if (server_) server_->Stop();
        SendDialogTest::TearDown();
    }

    std::string receiverIni_;  // in the test's folder, known once SetUp has run
    std::optional<CNoteServer> server_;
};

TEST_F(NoteSendTest, FailedGroupMembersAreCollectedInOneBoxAndMarkTheNote) {
    ASSERT_NO_FATAL_FAILURE(MakeSendingFail());
    ini::Write(MainDataFilePath(), "RECIPIENTS_LIST", "Team", "127.0.0.1~~localhost~");
    CNoteDialog* note = NewNote();
    const std::string tail = " : Pinwell program must be installed and started on computer.\n";
    EXPECT_EQ(RunAnswering([&] { note->SendToGroup("Team"); }, {}), Strings{"127.0.0.1" + tail + "LOCALHOST" + tail});
    EXPECT_TRUE(note->HasStatusMark(CNoteDialog::kSendFailed));
    EXPECT_FALSE(note->HasStatusMark(CNoteDialog::kSent));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(note->m_hWnd, IDC_STATUS)));

    // Without the box the note is still marked, and it is not deleted.
    CSettingsStore settings;
    settings.WriteShowSendErrorMessage("No");
    settings.WriteAfterSend("DeleteNote");
    CNoteDialog* second = NewNote();
    EXPECT_TRUE(RunAnswering([&] { second->SendToGroup("Team"); }, {}).empty());
    EXPECT_TRUE(second->HasStatusMark(CNoteDialog::kSendFailed));
    EXPECT_TRUE(ini::HasSection(MainDataFilePath(), "NOTE_ID_1"));
}

TEST_F(NoteSendTest, ReplyAsksFirstThenSendsAndAfterSendDecidesWhatStays) {
    ASSERT_NO_FATAL_FAILURE(StartReceiver());
    CNoteDialog* note = NewNote();
    note->Body().replyTo = "127.0.0.1";
    const std::string question = "Reply to option will send this note to : 127.0.0.1.  \nDo you want to continue ?";

    // AskWhenReply empty means asking; "No" sends nothing.
    EXPECT_EQ(RunAnswering([&] { ::SendMessageA(note->m_hWnd, WM_COMMAND, ID_BODY_REPLY, 0); }, {IDNO}), Strings{question});
    EXPECT_EQ(Received(), "");
    EXPECT_FALSE(note->HasStatusMark(CNoteDialog::kSent));

    // "Yes" sends; AfterSend "ShowIcon" marks the note as sent.
    CSettingsStore settings;
    settings.WriteAfterSend("ShowIcon");
    EXPECT_EQ(RunAnswering([&] { ::SendMessageA(note->m_hWnd, WM_COMMAND, ID_BODY_REPLY, 0); }, {IDYES}), Strings{question});
    EXPECT_NE(Received().find("~Lunch~"), std::string::npos);
    EXPECT_TRUE(note->HasStatusMark(CNoteDialog::kSent));
    EXPECT_FALSE(note->HasStatusMark(CNoteDialog::kSendFailed));

    // AskWhenReply "No": no question. AfterSend "DeleteNote": once every
    // computer took it, the note is gone from the screen and the file.
    settings.WriteAskWhenReply("No");
    settings.WriteAfterSend("DeleteNote");
    settings.WriteAskBeforeDelete("Yes");  // the deletion never asks
    HWND window = note->m_hWnd;
    EXPECT_TRUE(RunAnswering([&] { ::SendMessageA(window, WM_COMMAND, ID_BODY_REPLY, 0); }, {}).empty());
    EXPECT_NE(Received().find("~Lunch~"), std::string::npos);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(ini::HasSection(MainDataFilePath(), "NOTE_ID_1"));
}

// ---- network neighbourhood ------------------------------------------------------------------------

constexpr const char* kWaitLine = "Reading your Network Neighborhood ...";

// The wait window as it closes, seen by a thread hook, so however quickly the
// lister finishes its place is known.
class WaitWindowWatch {
public:
    WaitWindowWatch() {
        current_ = this;
        hook_ = ::SetWindowsHookExA(WH_CBT, &Hook, nullptr, ::GetCurrentThreadId());
    }
    ~WaitWindowWatch() {
        ::UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }

    bool seen = false;
    RECT rect{};

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp) {
        HWND w = reinterpret_cast<HWND>(wp);
        if (current_ && code == HCBT_DESTROYWND && ItemText(w, IDC_WAIT_LINE1) == kWaitLine) {
            current_->seen = true;
            ::GetWindowRect(w, &current_->rect);
        }
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }

    static inline WaitWindowWatch* current_ = nullptr;
    HHOOK hook_ = nullptr;
};

// Refresh runs the real Lanscout.exe beside the test program. It writes the
// list where the program keeps its data, so this test reads from there and
// puts back whatever file was there before.
TEST_F(SendDialogTest, RefreshRunsLanscoutAndShowsItsList) {
    ASSERT_EQ(OsFamily(), "Windows 7/8") << "the family that runs the lister";
    char appData[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData)));
    const std::string netFile = std::string(appData) + "\\Pinwell.net";
    std::string saved;
    const bool hadFile = ::GetFileAttributesA(netFile.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (hadFile) {
        std::ifstream in(netFile, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        saved = s.str();
    }
    ASSERT_TRUE(ini::Write(netFile, "NETWORK_LIST", "NetList", "STALE-ENTRY~"));
    SetDataFolder(appData);

    CSendNoteDialog dlg(1, "hello");
    ModalDriver driver = Driver();
    WaitWindowWatch waitWindow;
    driver.Then([&](HWND d) {
        EXPECT_EQ(Texts(d, IDC_SEND_NETWORK_LIST), Strings{"STALE-ENTRY"});
        Click(d, IDC_SEND_REFRESH);
    });
    driver.Then([&](HWND d) {
        const Strings names = Texts(d, IDC_SEND_NETWORK_LIST);
        EXPECT_NE(std::find(names.begin(), names.end(), computer_), names.end()) << "this computer is listed";
        EXPECT_EQ(std::find(names.begin(), names.end(), "STALE-ENTRY"), names.end());
        EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << "shown A to Z";
        EXPECT_TRUE(Enabled(d, IDC_SEND_ADD_ALL));
        EXPECT_TRUE(::IsWindowEnabled(d));
        Click(d, IDCANCEL);
    });
    driver.Run([&] { return dlg.DoModal(owner_); });
    SetDataFolder(dir_.string());
    if (hadFile) {
        std::ofstream out(netFile, std::ios::binary | std::ios::trunc);
        out << saved;
    } else {
        ::DeleteFileA(netFile.c_str());
    }

    // The wait window sat in the bottom-right corner of the work area.
    ASSERT_TRUE(waitWindow.seen) << "Refresh shows the wait window";
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(waitWindow.rect.right, work.right);
    EXPECT_EQ(waitWindow.rect.bottom, work.bottom);

    // Where there is no lister there is nothing to wait for.
    EXPECT_FALSE(RunNetworkLister(dir_.string()));
}

// A lister that takes its time must not freeze the program: messages keep
// flowing while it runs. The stand-in is this test program under the
// lister's name, which then only sleeps a second and a half.
TEST_F(SendDialogTest, WaitingForASlowListerKeepsMessagesFlowing) {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(::CopyFileA(self, (dir_ / "Lanscout.exe").string().c_str(), FALSE));
    static int ticks;
    ticks = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
    EXPECT_TRUE(RunNetworkLister(dir_.string()));
    ::KillTimer(nullptr, timer);
    EXPECT_GT(ticks, 0) << "no timer message ran while the lister was waited for";
}

}  // namespace
