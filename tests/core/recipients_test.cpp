// Recipients, saved groups, the network list and the sent-from identity
// rules of the send dialog.
#include <string>
#include <vector>

#include "TestSupport.h"
#include "net/NetworkList.h"
#include "net/Recipients.h"

using Strings = std::vector<std::string>;

// ---- "~" lists and recipients ------------------------------------------------------

TEST(TildeList, SplitSkipsEmptyTokensAndTextWithoutItsTilde) {
    EXPECT_EQ(SplitTildeList("A~B~C~"), (Strings{"A", "B", "C"}));
    EXPECT_EQ(SplitTildeList("~A~~B~"), (Strings{"A", "B"}));
    EXPECT_EQ(SplitTildeList("A~B~half"), (Strings{"A", "B"})) << "a cut item is no item";
    EXPECT_EQ(SplitTildeList("no tilde"), Strings{});
    EXPECT_EQ(SplitTildeList(""), Strings{});
    const Strings items{"PC-ONE", "joe@example.com", "10.0.0.1"};
    EXPECT_EQ(JoinTildeList(items), "PC-ONE~joe@example.com~10.0.0.1~");
    EXPECT_EQ(SplitTildeList(JoinTildeList(items)), items);
}

TEST(Recipients, TypedTextIsCasedByKindAfterLeadingBlanks) {
    Recipient r = NormaliseTypedRecipient("  \tpc-one");
    EXPECT_EQ(r.text, "PC-ONE");
    EXPECT_FALSE(r.email);
    r = NormaliseTypedRecipient("John.Doe@Example.COM");
    EXPECT_EQ(r.text, "john.doe@example.com");
    EXPECT_TRUE(r.email);
    r = NormaliseTypedRecipient("10.0.0.1");
    EXPECT_EQ(r.text, "10.0.0.1");
    EXPECT_FALSE(r.email);
    EXPECT_EQ(NormaliseTypedRecipient("   ").text, "");

    EXPECT_TRUE(TypedRecipientAddable("pc"));
    EXPECT_FALSE(TypedRecipientAddable(""));
    EXPECT_FALSE(TypedRecipientAddable("john smith"));
    EXPECT_FALSE(TypedRecipientAddable(" pc")) << "any space keeps Add greyed";
}

// ---- groups -----------------------------------------------------------------------------

class GroupStoreTest : public DataFolderTest {
protected:
    std::string Value(const std::string& key) { return ini::Read(Ini(), kRecipientsSection, key); }
    CGroupStore store_;
};

TEST_F(GroupStoreTest, SavedGroupsKeepNameOrderAndRecipientOrder) {
    ASSERT_TRUE(store_.SaveGroup("Team", {"joe@example.com", "PC-ONE"}));
    ASSERT_TRUE(store_.SaveGroup("Boss", {"10.0.0.9"}));
    EXPECT_EQ(Value("ListNames"), "Team~Boss~");
    EXPECT_EQ(Value("Team"), "joe@example.com~PC-ONE~");
    EXPECT_EQ(store_.GroupNames(), (Strings{"Team", "Boss"}));

    // Saving under an existing name replaces the recipients, keeps the place.
    ASSERT_TRUE(store_.SaveGroup("Team", {"PC-TWO"}));
    EXPECT_EQ(Value("ListNames"), "Team~Boss~");
    EXPECT_EQ(store_.ReadGroup("Team"), "PC-TWO~");
    EXPECT_TRUE(notices_.Shown().empty());
}

TEST_F(GroupStoreTest, ANameDifferingOnlyInCaseReplacesThatGroup) {
    // The keys are one and the same in the file: a second listed spelling
    // would name a group that deleting the other one takes away.
    ASSERT_TRUE(store_.SaveGroup("Team", {"A"}));
    std::string stored;
    ASSERT_TRUE(store_.SaveGroup("TEAM", {"B"}, &stored));
    EXPECT_EQ(stored, "Team");
    EXPECT_EQ(Value("ListNames"), "Team~");
    EXPECT_EQ(store_.ReadGroup("Team"), "B~");
}

TEST_F(GroupStoreTest, DeletingRemovesTheValueAndOnlyThatNamesEntries) {
    SetFileText(Ini(), "[RECIPIENTS_LIST]\r\nListNames=One~~Two~team~Three~tail\r\nOne=A~\r\nTwo=B~\r\n"
                       "Team=C~\r\nThree=D~\r\n");
    ASSERT_TRUE(store_.DeleteGroup("Team"));
    EXPECT_EQ(Value("ListNames"), "One~~Two~Three~tail") << "other names and separators stay as they were";
    EXPECT_EQ(Value("Team"), "");
    EXPECT_EQ(store_.ReadGroup("Two"), "B~");
    EXPECT_EQ(store_.GroupNames(), (Strings{"One", "Two", "Three"}));
    EXPECT_TRUE(notices_.Shown().empty());
}

TEST_F(GroupStoreTest, FailedWritesSayWhichAndLeaveTheFileAlone) {
    ASSERT_TRUE(store_.SaveGroup("Team", {"A"}));
    const std::string before = FileText(Ini());

    ini::FailNextWritesForTesting(1);
    EXPECT_FALSE(store_.SaveGroup("Other", {"B"}));
    EXPECT_EQ(FileText(Ini()), before) << "no name without its group";
    EXPECT_EQ(notices_.Shown(), Strings{"Error writing to ini file."});

    ini::FailNextWritesForTesting(1);
    EXPECT_FALSE(store_.DeleteGroup("Team"));
    EXPECT_EQ(FileText(Ini()), before);
    EXPECT_EQ(notices_.Shown(), (Strings{"Error writing to ini file.", "Error deleting Recipient List."}));
}

TEST_F(GroupStoreTest, LongValuesAreReadUpToTheLimit) {
    const std::string longList(kRecipientValueLimit + 50, 'x');
    ASSERT_TRUE(ini::Write(Ini(), kRecipientsSection, "Big", longList));
    EXPECT_EQ(store_.ReadGroup("Big").size(), kRecipientValueLimit);
}

TEST(GroupNames, NamesThatCannotBeStoredAsTheyAreAreRefused) {
    EXPECT_EQ(GroupNameProblem("Team 1"), "");
    EXPECT_EQ(GroupNameProblem("Sales & Support"), "");
    for (const char* bad : {"a~b", "a=b", "~", ";comment", "[x", "ListNames", "LISTNAMES"})
        EXPECT_NE(GroupNameProblem(bad), "") << bad;
}

// ---- identity ----------------------------------------------------------------------------

TEST(Identity, OpeningFollowsTheSentFromSetting) {
    struct Case {
        const char* sentFrom;
        const char* computer;
        IdentityType type;
        const char* text;
        bool editable;
    };
    const Case cases[] = {
        {"", "OFFICE-PC", IdentityType::ComputerName, "OFFICE-PC", false},
        {"", "MYCOMPUTER", IdentityType::ComputerName, "MYCOMPUTER", true},
        {"10.0.0.1", "PC", IdentityType::IpAddress, "10.0.0.1", false},
        {"Joe@Example.com", "PC", IdentityType::Email, "Joe@Example.com", true},
        {"ANONYMOUS", "PC", IdentityType::Anonymous, "ANONYMOUS", false},
        {"Name:Joe Bloggs", "PC", IdentityType::Name, "Joe Bloggs", true},
    };
    for (const Case& c : cases) {
        const IdentityFields f = IdentityFromSentFrom(c.sentFrom, c.computer);
        EXPECT_EQ(f.type, c.type) << c.sentFrom;
        EXPECT_TRUE(f.changeText && f.changeEditable) << c.sentFrom;
        EXPECT_EQ(f.text, c.text) << c.sentFrom;
        EXPECT_EQ(f.editable, c.editable) << c.sentFrom;
    }
    const IdentityFields other = IdentityFromSentFrom("anonymous", "PC");
    EXPECT_EQ(other.type, IdentityType::None) << "only the exact word is anonymous";
    EXPECT_FALSE(other.changeText);
    EXPECT_FALSE(other.changeEditable);
}

TEST(Identity, ChangingTheTypeLooksUpOnlyWhatItNeeds) {
    int ipLookups = 0;
    std::string localIp = "192.168.1.20";
    IdentityLookups lookups;
    lookups.computerName = [] { return std::string("OFFICE-PC"); };
    lookups.localIpAddress = [&] { ++ipLookups; return localIp; };
    lookups.userDisplayName = [] { return std::string("joe"); };

    IdentityFields f = IdentityForType(IdentityType::IpAddress, "10.1.2.3", lookups);
    EXPECT_EQ(f.text, "10.1.2.3");
    EXPECT_EQ(ipLookups, 0) << "an address already there is kept";
    f = IdentityForType(IdentityType::IpAddress, "OFFICE-PC", lookups);
    EXPECT_EQ(f.text, "192.168.1.20");
    EXPECT_FALSE(f.editable);
    localIp.clear();
    EXPECT_EQ(IdentityForType(IdentityType::IpAddress, "x", lookups).text, "ERROR");

    f = IdentityForType(IdentityType::Email, "joe@example.com", lookups);
    EXPECT_EQ(f.text, "joe@example.com");
    EXPECT_TRUE(f.editable);
    EXPECT_EQ(IdentityForType(IdentityType::Email, "OFFICE-PC", lookups).text, "");

    EXPECT_EQ(IdentityForType(IdentityType::ComputerName, "x", lookups).text, "OFFICE-PC");
    EXPECT_EQ(IdentityForType(IdentityType::Anonymous, "x", lookups).text, "ANONYMOUS");
    f = IdentityForType(IdentityType::Name, "x", lookups);
    EXPECT_EQ(f.text, "joe");
    EXPECT_TRUE(f.editable);
    EXPECT_EQ(ipLookups, 2);
}

TEST(Identity, CheckingGivesTheMessageTheFocusAndTheSentIdentity) {
    using Focus = IdentityCheck::Focus;
    IdentityCheck c = CheckIdentity(IdentityType::IpAddress, "ERROR");
    EXPECT_EQ(c.message, "IP Address in \"Default sent from:\" field is not valid ...");
    EXPECT_EQ(c.focus, Focus::TypeList);
    c = CheckIdentity(IdentityType::Email, "joe@example");
    EXPECT_EQ(c.message, "Email you have entered in \"Sent from:\" field is not valid ...");
    EXPECT_EQ(c.focus, Focus::Text);
    for (const char* blank : {"", "   "}) {
        c = CheckIdentity(IdentityType::Name, blank);
        EXPECT_EQ(c.message, "Name in \"Sent from:\" field can not be empty ...") << '"' << blank << '"';
        EXPECT_EQ(c.focus, Focus::Text);
    }

    c = CheckIdentity(IdentityType::Name, "Joe Bloggs");
    EXPECT_EQ(c.message, "");
    EXPECT_EQ(c.identity, "Name:Joe Bloggs");
    EXPECT_EQ(CheckIdentity(IdentityType::IpAddress, "10.0.0.1").identity, "10.0.0.1");
    EXPECT_EQ(CheckIdentity(IdentityType::Email, "Joe@Example.com").identity, "Joe@Example.com");
    EXPECT_EQ(CheckIdentity(IdentityType::ComputerName, "OFFICE-PC").message, "");
    EXPECT_EQ(CheckIdentity(IdentityType::Anonymous, "ANONYMOUS").identity, "ANONYMOUS");
}

// ---- network list ---------------------------------------------------------------------------

class NetworkListTest : public DataFolderTest {};

TEST_F(NetworkListTest, ReadGivesUpperCaseNamesInStoredOrder) {
    SetFileText(NetworkListFilePath(), "[NETWORK_LIST]\r\nNetList=alpha~~Beta~10.0.0.7~cut\r\n");
    EXPECT_EQ(ReadNetworkList(), (Strings{"ALPHA", "BETA", "10.0.0.7"}));
    EXPECT_EQ(ReadNetworkList(dir_.string() + "/missing.net"), Strings{});

    Strings names{"ALPHA"};
    MergeNetworkNames(names, "alpha~gamma~");
    EXPECT_EQ(names, (Strings{"ALPHA", "GAMMA"}));
}

TEST_F(NetworkListTest, WrittenListIsStoredZToAForTheDialogToShowAToZ) {
    // The dialog puts each name it reads on top of its list.
    const std::string list = MakeNetList({"gamma", "Alpha", "beta", "ALPHA", "bad name", "a~b", "", "10.0.0.7"});
    EXPECT_EQ(list, "GAMMA~BETA~ALPHA~10.0.0.7~");
    ASSERT_TRUE(ini::Write(NetworkListFilePath(), kNetworkListSection, kNetListKey, list));
    EXPECT_EQ(ReadNetworkList(), (Strings{"GAMMA", "BETA", "ALPHA", "10.0.0.7"}));
}

TEST(NetworkList, LongListsKeepWholeNamesWithinTheReadLimit) {
    Strings names;
    for (int i = 0; i < 2000; ++i) names.push_back("HOST-" + std::to_string(10000 + i));
    const std::string list = MakeNetList(names);
    EXPECT_LE(list.size(), kNetListLimit);
    EXPECT_EQ(list.back(), '~');
    const Strings kept = SplitTildeList(list);
    EXPECT_EQ(kept.size(), kNetListLimit / 11);
    EXPECT_EQ(kept.back(), "HOST-10000") << "the start of the alphabet is kept";
}

TEST(NetworkList, HostsFileGivesNamesOfOtherComputersOnly) {
    const std::string hosts =
        "# comment 10.0.0.1 nothere\r\n"
        "127.0.0.1\tlocalhost\n"
        "::1 ip6-localhost\n"
        "ff02::1 ip6-allnodes\n"
        "10.0.0.5  fileserver  fs   # the file server\n"
        "192.168.1.7 printer\r\n"
        "255.255.255.255 broadcasthost\n"
        "0.0.0.0 blocked.example\n"
        "224.0.0.251 mdns\n"
        "10.0.0.300 broken\n"
        "10.0.0.6\n";
    EXPECT_EQ(HostsFileNames(hosts), (Strings{"fileserver", "fs", "printer"}));

    EXPECT_TRUE(IsNeighbourAddress("10.200.1.2"));
    for (const char* not_a_neighbour : {"127.0.0.1", "0.0.0.0", "239.1.1.1", "255.255.255.255", "10.0.0", "1.2.3.4.5", "a.b.c.d"})
        EXPECT_FALSE(IsNeighbourAddress(not_a_neighbour)) << not_a_neighbour;
}
