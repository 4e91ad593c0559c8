// The receiving server on loopback, with a stand-in for the user thread's
// timer tick that takes notes out of NOTE_RECEIVED/NoteData.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "store/HandOver.h"
#include "base/ProgramFlags.h"
#include "net/NoteData.h"
#include "net/NoteSender.h"
#include "net/NoteServer.h"
#include "net/Socket.h"
#include "store/IniFile.h"
#include "store/SettingsStore.h"

namespace {

using namespace std::chrono_literals;

std::string Note(const std::string& body) {
    NoteRecord r;
    r.editText = body;
    r.width = 100;
    return BuildNoteData("BOB", r);
}

net::Socket Connect(int port, const char* from = nullptr) {
    net::Socket s = net::Socket::CreateTcp();
    net::Ipv4 source;
    EXPECT_TRUE(!from || (net::ResolveIpv4(from, source) && s.Bind(source, 0)));
    EXPECT_TRUE(s.Connect(net::LoopbackAddress(), static_cast<std::uint16_t>(port)));
    return s;
}

// Everything the peer sends until it closes (or 5 s of nothing).
std::string ReadToEnd(net::Socket& s) {
    std::string reply;
    char buffer[256];
    while (s.WaitReadable(5000) == net::WaitResult::Ready) {
        const long got = s.Receive(buffer, sizeof buffer);
        if (got <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(got));
    }
    return reply;
}

// Sends the pieces with a pause between them; returns the reply.
std::string SendRaw(int port, const std::vector<std::string>& pieces,
                    std::chrono::milliseconds pause = 0ms, const char* from = nullptr) {
    net::Socket s = Connect(port, from);
    for (const auto& piece : pieces) {
        s.SendAll(piece.data(), piece.size());
        if (pause.count()) std::this_thread::sleep_for(pause);
    }
    return ReadToEnd(s);
}

// Waits in small steps until the condition holds or 10 s have passed.
template <typename F>
bool Eventually(F condition) {
    for (int i = 0; i < 1000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

class NetServer : public DataFolderTest {
protected:
    void SetUp() override {
        DataFolderTest::SetUp();
        options_.dataFile = Ini();
        options_.port = 0;
        options_.bindAddress = net::LoopbackAddress();
        options_.silenceTimeoutMs = 300;
        options_.pollIntervalMs = 10;
        options_.portCheckIntervalMs = 50;
    }
    void TearDown() override {
        StopTaking();
        server_.reset();
        g_networkAvailable = true;
        DataFolderTest::TearDown();
    }
    int StartServer() {
        options_.onRefused = [this](NoteRefusal why, net::Ipv4 peer) {
            std::lock_guard<std::mutex> lock(takenMutex_);
            static const char* const kWhy[] = {"full ", "too many ", "e-mail full ", "too large "};
            refused_.push_back(kWhy[static_cast<int>(why)] + net::Ipv4ToText(peer));
        };
        server_ = std::make_unique<CNoteServer>(options_);
        server_->Start();
        const int port = server_->WaitUntilListening(5000);
        EXPECT_NE(port, 0);
        return port;
    }
    std::string Pending() { return ini::Read(Ini(), kNoteReceivedSection, kNoteDataKey); }

    // The timer tick: takes complete notes, leaves incomplete texts.
    void StartTaking() {
        taking_ = true;
        taker_ = std::thread([this] {
            while (taking_) {
                const std::string text = Pending();
                if (IsCompleteNoteText(text)) {
                    ini::Write(Ini(), kNoteReceivedSection, kNoteDataKey, "");
                    std::lock_guard<std::mutex> lock(takenMutex_);
                    taken_.push_back(text);
                }
                std::this_thread::sleep_for(2ms);
            }
        });
    }
    void StopTaking() {
        taking_ = false;
        if (taker_.joinable()) taker_.join();
    }
    std::vector<std::string> Taken() {
        std::lock_guard<std::mutex> lock(takenMutex_);
        return taken_;
    }

    net::WinsockSession winsock_;  // the helpers' own sockets need it on Windows
    NoteServerOptions options_;
    std::unique_ptr<CNoteServer> server_;
    std::atomic<bool> taking_{false};
    std::thread taker_;
    std::mutex takenMutex_;
    std::vector<std::string> taken_;
    std::vector<std::string> refused_;
};

const std::string kAck(kAcknowledgement);

}  // namespace

TEST_F(NetServer, ASecondNoteWaitsUntilTheFirstIsTakenAndBothArriveInOrder) {
    const int port = StartServer();
    const std::string first = Note("first"), second = Note("second");
    EXPECT_EQ(SendRaw(port, {first}), kAck);
    std::string secondReply;
    std::atomic<bool> answered{false};
    std::thread later([&] {
        secondReply = SendRaw(port, {second});
        answered = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Pending(), first);  // not overwritten while nobody took it
    EXPECT_FALSE(answered);       // and not acknowledged before it is handed over
    StartTaking();
    later.join();
    EXPECT_EQ(secondReply, kAck);
    ASSERT_TRUE(Eventually([&] { return Taken().size() == 2; }));
    EXPECT_EQ(Taken(), (std::vector<std::string>{first, second}));
}

TEST_F(NetServer, IncompleteTextsAreReplacedAndLineEndsNeverReachTheFile) {
    const int port = StartServer();
    ASSERT_TRUE(ini::Write(Ini(), kNoteReceivedSection, kNoteDataKey, "half a no"));
    const std::string note = Note("n");
    // A line-oriented peer: a line end behind the note, then it closes.
    net::Socket s = Connect(port);
    const std::string line = note.substr(0, 6) + "\r\n" + note.substr(6) + "\r\n";
    s.SendAll(line.data(), line.size());
    s.ShutdownSend();
    EXPECT_EQ(ReadToEnd(s), kAck);
    EXPECT_EQ(Pending(), note.substr(0, 6) + "|" + note.substr(6));
    EXPECT_EQ(NormaliseReceivedText(std::string("ab~\0cd~", 7)), "ab~");
}

TEST_F(NetServer, ANoteInOneByteWritesArrivesWhole) {
    const int port = StartServer();
    const std::string note = Note("split into single bytes");
    std::vector<std::string> bytes;
    for (char c : note) bytes.emplace_back(1, c);
    EXPECT_EQ(SendRaw(port, bytes, 2ms), kAck);
    EXPECT_EQ(Pending(), note);
}

TEST_F(NetServer, ASilentPeerIsDroppedAndDoesNotHoldUpTheNextSender) {
    const int port = StartServer();
    StartTaking();
    net::Socket silent = Connect(port);
    const std::string note = Note("after the silent one");
    EXPECT_EQ(SendRaw(port, {note}), kAck);  // silent is still open here
    ASSERT_TRUE(Eventually([&] { return Taken().size() == 1; }));
    EXPECT_EQ(Taken()[0], note);
    // The silent peer sent nothing: acknowledged, nothing created.
    EXPECT_EQ(ReadToEnd(silent), kAck);
}

// Half a note can never become one: the sender must not hear "received",
// and the text must not wait in the data file. Cut by silence, by the peer
// closing, or by the size cap; the server then goes on serving.
TEST_F(NetServer, ACutTextIsNeitherAcknowledgedNorStored) {
    options_.maxMessageBytes = 4096;
    const int port = StartServer();
    const std::string note = Note("whole");
    std::size_t tenFields = 0;
    for (int i = 0; i < 10; ++i) tenFields = note.find('~', tenFields) + 1;

    // Stopped right behind a "~": ends like a note, but fields are missing.
    net::Socket silent = Connect(port);
    silent.SendAll(note.data(), tenFields);
    EXPECT_EQ(ReadToEnd(silent), "");

    net::Socket closing = Connect(port);
    closing.SendAll(note.data(), note.size() - 3);
    closing.ShutdownSend();
    EXPECT_EQ(ReadToEnd(closing), "");

    // Complete fields, but more than the cap: the end of the note is missing.
    EXPECT_EQ(SendRaw(port, {Note(std::string(8000, 'x'))}), "");

    EXPECT_FALSE(ini::HasSection(Ini(), kNoteReceivedSection));
    EXPECT_EQ(SendRaw(port, {note}), kAck);
    EXPECT_EQ(Pending(), note);
    EXPECT_TRUE(notices_.Shown().empty());
    EXPECT_TRUE(server_->Running());
}

TEST_F(NetServer, AnEmptyConnectionIsAcknowledgedAndCreatesNothing) {
    const int port = StartServer();
    net::Socket s = Connect(port);
    s.ShutdownSend();
    EXPECT_EQ(ReadToEnd(s), kAck);
    EXPECT_FALSE(ini::HasSection(Ini(), kNoteReceivedSection));
}

// Refused unacknowledged, and the user told: what the data file cannot take
// (told apart from what no data file could), and more notes a minute than one address may send. The rest arrive whole.
TEST_F(NetServer, NotesTheDataFileCannotTakeOrTooManyFromOneAddressAreRefused) {
    options_.maxNotesPerAddressPerMinute = 3;
    const int port = StartServer();
    std::string body;
    for (int i = 0; body.size() < 200 * 1024; ++i) body += "line " + std::to_string(i) + "\n";
    EXPECT_EQ(SendRaw(port, {Note(body)}), "");
    const std::string fifty = Note(body.substr(0, 50 * 1024));
    EXPECT_EQ(SendRaw(port, {fifty}), kAck);
    EXPECT_EQ(Pending(), fifty);
    StartTaking();
    std::vector<std::string> replies;
    for (int n = 0; n < 4; ++n) replies.push_back(SendRaw(port, {Note("n" + std::to_string(n))}));
    EXPECT_EQ(replies, (std::vector<std::string>{kAck, kAck, "", ""}));
    ini::Write(Ini(), "NOTE_ID_1", "EditText", std::string(60500, 'u'));  // the user's own
    EXPECT_EQ(SendRaw(port, {Note("small")}, 0ms, "127.0.0.3"), "");
    EXPECT_EQ(refused_, (std::vector<std::string>{"too large 127.0.0.1", "too many 127.0.0.1", "too many 127.0.0.1",
                                                  "full 127.0.0.3"}));
    EXPECT_EQ(Taken().size(), 3u);
}

TEST_F(NetServer, TwentySendersWithFiveNotesEachLoseNothing) {
    const int port = StartServer();
    StartTaking();
    NoteSenderOptions sendOptions;
    sendOptions.replyTimeoutMs = 30000;
    sendOptions.afterReplyMs = 100;
    std::vector<std::thread> senders;
    std::vector<std::string> errors(20);
    for (int s = 0; s < 20; ++s) {
        senders.emplace_back([&, s, sendOptions]() mutable {
            sendOptions.sourceAddress = "127.0.0." + std::to_string(s + 1);
            for (int n = 0; n < 5; ++n) {
                const std::string data = Note("sender " + std::to_string(s) + " note " + std::to_string(n));
                errors[s] += CNoteSender(sendOptions).SendNoteData("127.0.0.1", port, data, "");
            }
        });
    }
    for (auto& t : senders) t.join();
    for (int s = 0; s < 20; ++s) EXPECT_EQ(errors[s], "") << "sender " << s;
    ASSERT_TRUE(Eventually([&] { return Taken().size() >= 100; }));
    const std::vector<std::string> taken = Taken();
    EXPECT_EQ(taken.size(), 100u);
    EXPECT_EQ(std::set<std::string>(taken.begin(), taken.end()).size(), 100u);
    // Each sender's notes keep their order.
    for (int s = 0; s < 20; ++s) {
        std::vector<std::size_t> at;
        for (int n = 0; n < 5; ++n)
            at.push_back(std::find(taken.begin(), taken.end(),
                                   Note("sender " + std::to_string(s) + " note " + std::to_string(n))) -
                         taken.begin());
        EXPECT_TRUE(std::is_sorted(at.begin(), at.end())) << "sender " << s;
    }
}

// The program's way: the user thread takes a note only when the server wakes
// it, and the server hears of each take instead of polling for it (its poll
// is long here, so twenty notes would not arrive in time without that).
TEST_F(NetServer, WokenPickUpsTakeEveryNoteAndEachTakeFreesTheNextAtOnce) {
    CHandOverSignal signal;
    std::mutex wakeMutex;
    std::condition_variable woken;
    int wakes = 0;
    signal.SetWake([&] {
        std::lock_guard<std::mutex> lock(wakeMutex);
        ++wakes;
        woken.notify_all();
    });
    options_.signal = &signal;
    options_.pollIntervalMs = 1000;
    const int port = StartServer();
    CHandOverPickup pickup(Ini(), &signal);
    std::vector<std::string> picked;
    std::thread user([&] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        int seen = 0;
        while (picked.size() < 20 && std::chrono::steady_clock::now() < deadline) {
            {
                std::unique_lock<std::mutex> lock(wakeMutex);
                woken.wait_for(lock, 50ms, [&] { return wakes != seen; });
                if (wakes == seen) continue;  // only a wake-up may start a pick-up
                seen = wakes;
            }
            while (auto text = pickup.TakeReceivedNote()) picked.push_back(*text);
        }
    });
    NoteSenderOptions sendOptions;
    sendOptions.replyTimeoutMs = 30000;
    std::vector<std::thread> senders;
    std::vector<std::string> errors(4);
    for (int s = 0; s < 4; ++s)
        senders.emplace_back([&, s, sendOptions]() mutable {
            sendOptions.sourceAddress = "127.0.0." + std::to_string(s + 1);
            for (int n = 0; n < 5; ++n)
                errors[s] += CNoteSender(sendOptions)
                                 .SendNoteData("127.0.0.1", port,
                                               Note("sender " + std::to_string(s) + " note " + std::to_string(n)), "");
        });
    for (auto& t : senders) t.join();
    user.join();
    for (int s = 0; s < 4; ++s) EXPECT_EQ(errors[s], "") << "sender " << s;
    EXPECT_EQ(picked.size(), 20u);
    EXPECT_EQ(std::set<std::string>(picked.begin(), picked.end()).size(), 20u);
    EXPECT_GE(wakes, 20);
    EXPECT_EQ(Pending(), "");
}

TEST_F(NetServer, StopEndsAWaitingHandOverUnacknowledgedAndClosesThePort) {
    const int port = StartServer();
    const std::string first = Note("first");
    EXPECT_EQ(SendRaw(port, {first}), kAck);
    net::Socket waiting = Connect(port);
    const std::string second = Note("second");
    waiting.SendAll(second.data(), second.size());
    std::this_thread::sleep_for(50ms);
    server_->Stop();
    EXPECT_FALSE(server_->Running());
    EXPECT_EQ(ReadToEnd(waiting), "");  // the sender learns it was not received
    EXPECT_EQ(Pending(), first);
    net::Socket after = net::Socket::CreateTcp();
    EXPECT_FALSE(after.Connect(net::LoopbackAddress(), static_cast<std::uint16_t>(port)));
}

TEST_F(NetServer, AFailedHandOverIsNotAcknowledgedAndReceivingGoesOn) {
    const int port = StartServer();
    ini::FailNextWritesForTesting(1);
    EXPECT_EQ(SendRaw(port, {Note("lost")}), "");
    EXPECT_EQ(notices_.Shown(), std::vector<std::string>{"Error writing to ini file."});
    const std::string note = Note("kept");
    EXPECT_EQ(SendRaw(port, {note}), kAck);
    EXPECT_EQ(Pending(), note);
    EXPECT_TRUE(g_networkAvailable);
}

TEST_F(NetServer, AChangedCommunicationPortTakesEffectForTheNextListeningSocket) {
    options_.port = -1;
    auto freePort = [] {
        net::Socket s = net::Socket::CreateTcp();
        s.Bind(net::LoopbackAddress(), 0);
        return s.LocalPort();
    };
    CSettingsStore settings(Ini());
    settings.WriteCommunicationPort(std::to_string(freePort()));
    const int first = StartServer();
    EXPECT_EQ(first, settings.ReadCommunicationPortValue());
    const int second = freePort();
    settings.WriteCommunicationPort(std::to_string(second));
    ASSERT_TRUE(Eventually([&] { return server_->BoundPort() == second; }));
    const std::string note = Note("on the new port");
    EXPECT_EQ(SendRaw(second, {note}), kAck);
    EXPECT_EQ(Pending(), note);
}

TEST_F(NetServer, SocketErrorsAreReportedOnceAndSwitchNetworkingOff) {
    net::Socket taken = net::Socket::CreateTcp();
    ASSERT_TRUE(taken.Bind(net::LoopbackAddress(), 0));
    ASSERT_TRUE(taken.Listen(1));
    options_.port = taken.LocalPort();
    server_ = std::make_unique<CNoteServer>(options_);
    server_->Start();
    EXPECT_EQ(server_->WaitUntilListening(5000), 0);
    EXPECT_FALSE(server_->Running());
    EXPECT_FALSE(g_networkAvailable);
    EXPECT_EQ(notices_.Shown(),
              std::vector<std::string>{"Error in Server bind() function.\nCan not bind the name to "
                                       "the socket ...\nSorry but network support is not avaiable ..."});

    // A port from the settings that no socket can have is refused the same way.
    options_.port = -1;
    CSettingsStore(Ini()).WriteCommunicationPort("70000");
    server_ = std::make_unique<CNoteServer>(options_);
    server_->Start();
    EXPECT_EQ(server_->WaitUntilListening(5000), 0);
    EXPECT_EQ(notices_.Shown().size(), 2u);
}

// Two tricklers from one address run out of time unacknowledged while a
// genuine sender is served; a third from it is closed at once. A note that
// cannot be handed over in time is dropped too.
TEST_F(NetServer, TricklersRunOutOfTimeWithoutHoldingUpOthers) {
    options_.silenceTimeoutMs = 1000;
    options_.messageTimeoutMs = options_.answerTimeoutMs = 1500;
    const int port = StartServer();
    StartTaking();
    const std::string note = Note(std::string(100, 't'));
    std::string trickled[2];
    std::vector<std::thread> tricklers;
    for (int t = 0; t < 2; ++t)
        tricklers.emplace_back([&, t] {
            trickled[t] = SendRaw(port, {note.substr(0, 20), note.substr(20, 20), note.substr(40, 20), note.substr(60)}, 600ms);
        });
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(SendRaw(port, {}), "");  // a third from the same address
    const std::string genuine = Note("genuine");
    EXPECT_EQ(SendRaw(port, {genuine}, 0ms, "127.0.0.2"), kAck);
    for (auto& t : tricklers) t.join();
    EXPECT_EQ(trickled[0] + trickled[1], "");
    EXPECT_EQ(Taken(), std::vector<std::string>{genuine});

    StopTaking();
    EXPECT_EQ(SendRaw(port, {Note("waits")}), kAck);  // the value was free
    EXPECT_EQ(SendRaw(port, {Note("no room")}), "");  // it never came free
    EXPECT_EQ(Pending(), Note("waits"));
}
