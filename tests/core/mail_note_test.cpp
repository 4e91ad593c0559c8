// Note e-mails: what is sent, how a received message is recognised and its
// note data taken out, and the check thread's hand-over.
#include <thread>

#include "TestSupport.h"
#include "mail/MailNote.h"
#include "store/IniFile.h"

namespace {

TEST(MailNote, SubjectAndBodyAsMailReadersSeeThem) {
    const std::string data = "Ann@Example.org~{\\rtf1 hi|}~Verdana~~0~0~8~0~t~~~0~0~8~0~1~2~3~4~No~~~";
    const std::string from = EmailFromText(data, "ann", "DESK7");
    EXPECT_EQ(NoteEmailSubject(from), "Pinwell : Note from ann, DESK7");
    EXPECT_EQ(NoteEmailBody(from, "Buy milk\r\nand bread", data),
              "(1) PINWELL 3.LAN MESSAGE TEXT FROM : ann, DESK7 \n\n"
              "Buy milk\r\nand bread\n\n"
              "(2) PINWELL 3.LAN IMPORTANT NOTICE AND NOTE DATA \n\n"
              "This message was sent with Pinwell 3.lan  Version program. Message contains data needed for "
              "creating desktop note. For reading note data you must start program and select <Check for email "
              "notes> option in program taskbar icon menu on right click. After creating received note on your "
              "desktop, program will delete this email message.\n\n"
              "<BEGIN>" + data + "<END>");
    EXPECT_EQ(NoteDataFromEmailBody(NoteEmailBody(from, "Buy milk", data).c_str()).value_or("?"), data);
    // Markers in the readable text and in the note's own text stay the note's.
    const std::string marked = "me~{\\rtf1 <BEGIN>x<END>|}~Verdana~~0~0~8~0~t~~~0~0~8~0~1~2~3~4~No~~~";
    EXPECT_EQ(NoteDataFromEmailBody(NoteEmailBody(from, "a <END> b <BEGIN> c", marked).c_str()).value_or("?"),
              marked);
}

TEST(MailNote, FromTextFollowsTheIdentityAndTheUser) {
    EXPECT_EQ(EmailFromText("ANONYMOUS~x~", "ann", "DESK7"), "ANONYMOUS");
    EXPECT_EQ(EmailFromText("PC1~x~", "ann", ""), "ann");
    EXPECT_EQ(EmailFromText("Name:Ann~x~", "", "DESK7"), "Name:Ann");  // no user name: the identity
    EXPECT_EQ(EmailFromText("no tilde at all", "", ""), "MYCOMPUTER");
    EXPECT_EQ(NoteEmailSubject(EmailFromText("ANONYMOUS~x~", "ann", "DESK7")), "Pinwell : Note from ANONYMOUS");
}

TEST(MailNote, RecognitionAndExtraction) {
    EXPECT_TRUE(IsNoteEmailSubject("Pinwell : Note from ann"));
    EXPECT_TRUE(IsNoteEmailSubject("Pinwell : Note from"));
    EXPECT_FALSE(IsNoteEmailSubject("Re: Pinwell : Note from ann"));
    EXPECT_FALSE(IsNoteEmailSubject("pinwell : note from ann"));
    EXPECT_FALSE(IsNoteEmailSubject(nullptr));

    EXPECT_FALSE(NoteDataFromEmailBody("text <BEGIN>a~b~ cut short"));
    EXPECT_FALSE(NoteDataFromEmailBody("no markers"));
    EXPECT_FALSE(NoteDataFromEmailBody(nullptr));
    // A wrapped line is joined again; a lone line feed is not a wrap.
    EXPECT_EQ(NoteDataFromEmailBody("x<BEGIN>ab\r\ncd\r\n~e\nf~<END> ").value_or("?"), "abcd~e\nf~");
    // Without the notice the first "<BEGIN>" and the last "<END>" frame it.
    EXPECT_EQ(NoteDataFromEmailBody("<END> then <BEGIN>a~<END>").value_or("?"), "a~");
    EXPECT_EQ(NoteDataFromEmailBody("a<END>b<BEGIN>c").value_or("?"), "");
}

using MailHandOverTest = DataFolderTest;

TEST_F(MailHandOverTest, WritesOnlyIntoAnEmptyValue) {
    std::atomic<bool> abandon{false};
    int wakes = 0;
    EXPECT_EQ(HandOverEmailNote({}, "me~note~", 5, abandon, [&] { ++wakes; }), EmailHandOver::Written);
    EXPECT_EQ(wakes, 1);
    // The next note waits until the user thread has taken the first.
    std::atomic<bool> returned{false};
    std::thread check([&] {
        EXPECT_EQ(HandOverEmailNote({}, "me~second~", 5, abandon), EmailHandOver::Written);
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned) << "a note still waiting must not be overwritten";
    EXPECT_EQ(ini::Read(Ini(), kEmailNoteSection, kEmailNoteKey), "me~note~");
    ASSERT_TRUE(ini::Write(Ini(), kEmailNoteSection, kEmailNoteKey, ""));
    check.join();
    EXPECT_EQ(ini::Read(Ini(), kEmailNoteSection, kEmailNoteKey), "me~second~");

    // At exit the waiting note stays for the next start, untouched.
    abandon = true;
    EXPECT_EQ(HandOverEmailNote({}, "me~third~", 5, abandon), EmailHandOver::Abandoned);
    EXPECT_EQ(ini::Read(Ini(), kEmailNoteSection, kEmailNoteKey), "me~second~");

    // Not writable: said, and reported so that the message stays in the Inbox.
    abandon = false;
    ASSERT_TRUE(ini::Write(Ini(), kEmailNoteSection, kEmailNoteKey, ""));
    ini::FailNextWritesForTesting(1);
    EXPECT_EQ(HandOverEmailNote({}, "me~third~", 5, abandon), EmailHandOver::Failed);
    EXPECT_EQ(notices_.Shown(), std::vector<std::string>{"Error writing to ini file."});
}

}  // namespace
