// Sending one note against a small receiver on loopback that answers as told.
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "base/OsLabel.h"
#include "net/NoteData.h"
#include "net/NoteSender.h"
#include "net/Socket.h"
#include "store/NoteRecord.h"
#include "store/SettingsStore.h"

namespace {

class RecordingLauncher : public IProcessLauncher {
public:
    void RunHidden(const std::string& command, const std::string& parameters) override {
        runs.push_back(command + " " + parameters);
    }
    std::vector<std::string> runs;
};

// Accepts one connection, reads until the note data is whole (or 5 s of
// nothing), then writes each reply piece with a pause between and closes.
class OneShotReceiver {
public:
    explicit OneShotReceiver(std::vector<std::string> replies) {
        listener_ = net::Socket::CreateTcp();
        EXPECT_TRUE(listener_.Bind(net::LoopbackAddress(), 0));
        EXPECT_TRUE(listener_.Listen(4));
        port = listener_.LocalPort();
        thread_ = std::thread([this, replies] {
            if (listener_.WaitReadable(5000) != net::WaitResult::Ready) return;
            net::Socket client = listener_.Accept();
            char buffer[65536];
            while (SplitNoteData(received).size() < kNoteDataFieldCount &&
                   client.WaitReadable(5000) == net::WaitResult::Ready) {
                const long got = client.Receive(buffer, sizeof buffer);
                if (got <= 0) break;
                received.append(buffer, static_cast<std::size_t>(got));
            }
            for (const std::string& piece : replies) {
                client.SendAll(piece.data(), piece.size());
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
        });
    }
    ~OneShotReceiver() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

    int port = 0;
    std::string received;

private:
    net::Socket listener_;
    std::thread thread_;
};

// A loopback port with nothing listening on it.
int ClosedPort() {
    net::Socket s = net::Socket::CreateTcp();
    s.Bind(net::LoopbackAddress(), 0);
    return s.LocalPort();
}

class NetSender : public DataFolderTest {
protected:
    void SetUp() override {
        DataFolderTest::SetUp();
        NoteRecord r;
        r.noteId = 3;
        r.editText = "{\\rtf1 hello\\par\n}";
        r.editFont = "Verdana";
        r.width = 200;
        ASSERT_TRUE(WriteNoteRecord(Ini(), r));
        options_.dataFile = Ini();
        options_.launcher = &launcher_;
        options_.replyTimeoutMs = 5000;
        options_.afterReplyMs = 200;
    }
    void TearDown() override {
        SetOsFamilyLabel("");
        DataFolderTest::TearDown();
    }
    std::string Send(int port, const std::string& recipient = "127.0.0.1") {
        CSettingsStore(Ini()).WriteCommunicationPort(std::to_string(port));
        return CNoteSender(options_).SendNote(recipient, 3, "bob", "hello");
    }

    net::WinsockSession winsock_;  // the helpers' own sockets need it on Windows
    RecordingLauncher launcher_;
    NoteSenderOptions options_;
};

const std::string kAck(kAcknowledgement);

}  // namespace

TEST_F(NetSender, AcknowledgedNoteIsSentWholeOnTheConfiguredPort) {
    OneShotReceiver receiver({kAck});
    EXPECT_EQ(Send(receiver.port), "");
    receiver.Join();
    EXPECT_EQ(receiver.received, CNoteSender(options_).BuildNoteData("BOB", 3));
    EXPECT_EQ(receiver.received.rfind("BOB~{\\rtf1 hello\\par|}~Verdana~", 0), 0u);
}

TEST_F(NetSender, AcknowledgementInTwoPiecesStillCounts) {
    OneShotReceiver receiver({kAck.substr(0, 11), kAck.substr(11)});
    EXPECT_EQ(Send(receiver.port), "");
}

TEST_F(NetSender, AnythingButTheExactAcknowledgementIsAWrongReply) {
    const std::string wrong =
        "LOCALHOST : Computer didn't reply correctly. Possible error occurred in receiving note.\n";
    for (const std::vector<std::string>& reply :
         std::vector<std::vector<std::string>>{{kAck + "!"}, {kAck, "!"}, {kAck.substr(0, 29)},
                                               {"From Server : message received"}, {}}) {
        OneShotReceiver receiver(reply);
        EXPECT_EQ(Send(receiver.port, "localhost"), wrong) << ::testing::PrintToString(reply);
    }
}

TEST_F(NetSender, UnknownComputerIsReportedAfterTheSizeWarning) {
    NoteRecord big;
    ReadNoteRecord(Ini(), 3, big);
    big.editText = std::string(20000, 'x');
    ASSERT_TRUE(WriteNoteRecord(Ini(), big));
    EXPECT_EQ(Send(2000, "no-such-host.invalid"),
              "NO-SUCH-HOST.INVALID : Can't find computer with that name or IP address.\n");
    EXPECT_EQ(notices_.Shown().size(), 1u);
    EXPECT_TRUE(launcher_.runs.empty());
}

TEST_F(NetSender, RefusedConnectionFallsBackToTheMessagingCommandOfTheSystem) {
    const std::string installed = "LOCALHOST : Pinwell program must be installed and started on computer.";
    const std::string viaMessaging =
        installed + " But message was sent via Windows messaging system and recipient will receive "
                    "message plain message text.\n";
    const std::string message = "This message was sent with Pinwell 3.lan program:\n\nhello";
    struct Case {
        const char* label;
        std::string result, run;
    } cases[] = {
        {"Windows 2000/XP", viaMessaging, "net send LOCALHOST " + message},
        {"Windows 7/8", viaMessaging, "msg * /server:LOCALHOST " + message},
        {"Windows 10", viaMessaging, "msg * /server:LOCALHOST " + message},
        {"Windows 95/98/Me", installed + "\n", ""},
        {"", installed + "\n", ""},
    };
    for (const Case& c : cases) {
        SetOsFamilyLabel(c.label);
        launcher_.runs.clear();
        EXPECT_EQ(Send(ClosedPort(), "localhost"), c.result) << c.label;
        EXPECT_EQ(launcher_.runs, c.run.empty() ? std::vector<std::string>{}
                                                : std::vector<std::string>{c.run})
            << c.label;
    }
    // A port no socket can have is a computer that does not answer.
    EXPECT_EQ(Send(70000, "localhost"), installed + "\n");
}

TEST_F(NetSender, SilentReceiverEndsInAReceiveErrorOnceTheWaitRunsOut) {
    options_.replyTimeoutMs = 200;
    net::Socket listener = net::Socket::CreateTcp();
    ASSERT_TRUE(listener.Bind(net::LoopbackAddress(), 0));
    ASSERT_TRUE(listener.Listen(4));  // the connection is queued, never answered
    EXPECT_EQ(Send(listener.LocalPort()), "127.0.0.1 : Error receiving reply from computer.\n");
}
