// Answers of many megabytes from a server on a private bus: through the
// client alone, and through a whole session with its boxes and journal. An
// answer up to the client's bound arrives whole and every view keeps only
// its bounded part, saying what it left out; a larger one is refused as
// ReplyTooLarge (463) before it becomes a value, and the next call works.
//
// D-Bus carries at most 64 MiB in one array, and Qt's connection on the
// stub's thread stalls on a message much larger than that, so over the bus
// the refusal is tested with a client of a smaller bound; the count of a
// reply over 64 MiB is tested on messages made here (and bench/large_reply.sh
// runs vantrel-test against a server that sends 70 MB as a string).
#include "bus_fixture.h"
#include "stub_service.h"

#include "dbus/dbus_client.h"
#include "inspector/call_summary.h"
#include "journal/call_journal.h"
#include "reader/reader_handlers.h"
#include "server/automation_error.h"
#include "session/handler_runner.h"
#include "session/queued_prompter.h"
#include "session/recording_window_host.h"
#include "session/session.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::dbus;

namespace {

constexpr qsizetype kMiB = qsizetype(1) << 20;

std::string expectedAnswer(qsizetype size)
{
    const QByteArray answer = test::stubAnswer(size);
    return std::string(answer.constData(), static_cast<std::size_t>(answer.size()));
}

class LargeAnswer : public ::testing::Test {
protected:
    void answerSize(qsizetype size) { client.call("AnswerSize", Value::int32(static_cast<std::int32_t>(size))); }

    test::PrivateBus bus;
    test::StubService stub{bus.address()};
    // A 70 MB answer takes a while to pass through the daemon on a loaded machine.
    DBusClient client{bus.endpoint(test::kStubName), std::chrono::milliseconds(60000)};
};

struct SizeCase {
    const char* name;
    qsizetype size;
};

void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class AnswerWithinTheBound : public LargeAnswer, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(AnswerWithinTheBound, ArrivesWhole)
{
    answerSize(GetParam().size);
    const Value v = client.get("CardQue", std::nullopt);
    ASSERT_EQ(v.type(), Value::Type::String);
    EXPECT_EQ(v.asString().size(), static_cast<std::size_t>(GetParam().size));
    EXPECT_TRUE(v.asString() == expectedAnswer(GetParam().size)); // not EXPECT_EQ: no megabytes in a failure
}

INSTANTIATE_TEST_SUITE_P(Sizes, AnswerWithinTheBound,
                         ::testing::Values(SizeCase{"TwoMiB", 2 * kMiB}, SizeCase{"TwentyMB", 20'000'000}),
                         [](const auto& info) { return std::string(info.param.name); });

constexpr std::size_t kSmallBound = std::size_t(16) << 20;

TEST_F(LargeAnswer, OverTheBoundIsRefusedWithItsSizeAndTheClientGoesOn)
{
    DBusClient bounded{bus.endpoint(test::kStubName), std::chrono::milliseconds(60000), kSmallBound};
    answerSize(static_cast<qsizetype>(kSmallBound) + 1);
    try {
        bounded.get("CardQue", std::nullopt);
        FAIL() << "an answer over the bound was taken";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 463);
        EXPECT_EQ(e.description(), "The server's answer is larger than the utility takes: the answer to 'CardQue' holds "
                                   "16,777,217 bytes, more than the 16,777,216 bytes (16 MiB) the utility takes; it "
                                   "was not read");
    }
    answerSize(static_cast<qsizetype>(kSmallBound));
    EXPECT_EQ(bounded.get("CardQue", std::nullopt).asString().size(), kSmallBound);
}

struct PayloadCase {
    const char* name;
    QVariantList arguments;
    std::size_t bytes;
};
void PrintTo(const PayloadCase& c, std::ostream* os) { *os << c.name; }

class Payload : public ::testing::TestWithParam<PayloadCase> {};

TEST_P(Payload, CountsWhatTheReplyCarries)
{
    const QDBusMessage call = QDBusMessage::createMethodCall(test::kStubName, kObjectPath, kInterface, "CardQue");
    EXPECT_EQ(payloadBytes(call.createReply(GetParam().arguments)), GetParam().bytes);
}

QVariant wrapped(const QVariant& v) { return QVariant::fromValue(QDBusVariant(v)); }

INSTANTIATE_TEST_SUITE_P(
    Replies, Payload,
    ::testing::Values(
        PayloadCase{"BytesOverTheBound", {wrapped(QByteArray(70'000'000, 'x'))}, 70'000'000},
        PayloadCase{"StringOverTheBound", {wrapped(QString(70'000'000, u'x'))}, 70'000'000},
        PayloadCase{"TwoArrays", {wrapped(QByteArray(40'000'000, 'x')), wrapped(QByteArray(30'000'000, 'y'))}, 70'000'000},
        PayloadCase{"StringList", {wrapped(QStringList{"ab", "cde"})}, 5},
        PayloadCase{"Numbers", {wrapped(qint16(7)), QVariant(2.5)}, 0},
        PayloadCase{"BareBytes", {QVariant(QByteArray(3, 'z'))}, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Payload, AnErrorReplyCountsItsMessage)
{
    const QDBusMessage call = QDBusMessage::createMethodCall(test::kStubName, kObjectPath, kInterface, "CardQue");
    EXPECT_EQ(payloadBytes(call.createErrorReply("Vantrel.Error.E440", QString(1000, u'e'))), 1000u);
    // Read off the bus, the message is its first argument too: counted once,
    // other arguments as any reply's.
    QDBusMessage received = call.createErrorReply("Vantrel.Error.E440", QString(1000, u'e'));
    received.setArguments({QString(1000, u'e')});
    EXPECT_EQ(payloadBytes(received), 1000u);
    received.setArguments({QString(1000, u'e'), QVariant(QByteArray(5, 'z'))});
    EXPECT_EQ(payloadBytes(received), 1005u);
    EXPECT_EQ(replyTooLarge("CardQue", 70'000'000).number(), 463);
    EXPECT_NE(replyTooLarge("CardQue", 70'000'000)
                  .description()
                  .find("holds 70,000,000 bytes, more than the 67,108,864 bytes (64 MiB)"),
              std::string::npos);
}

TEST_F(LargeAnswer, AValueLargerThanDBusCarriesIsNotSent)
{
    const Value huge = Value::string(std::string(kReplyLimit + 1, 'v'));
    for (const bool put : {true, false}) {
        try {
            if (put)
                client.put("DisplayData", huge);
            else
                client.get("Echo", huge);
            FAIL() << "a value over the bound was sent";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number(), 1007);
            EXPECT_NE(e.description().find("67108865 bytes"), std::string::npos) << e.description();
        }
    }
    EXPECT_EQ(client.get("Echo", Value::string("still here")).asString(), "still here");
}

TEST_F(LargeAnswer, AnErrorMessageOfMegabytesIsCut)
{
    const std::string name = "Vantrel.Error.E1201";
    try {
        client.get("Raise", Value::string(name));
        FAIL();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.description(), "the bus says why"); // a short message stays whole
    }
    // A long message comes back through the error mapping, cut with a note.
    const AutomationError e = toAutomationError(QString::fromStdString(name), QString(3 * kMiB, u'x'), Phase::Call);
    EXPECT_EQ(e.number(), 1201);
    EXPECT_EQ(e.description(),
              std::string(static_cast<std::size_t>(kErrorMessageLimit), 'x') + "… (3141632 more characters not shown)");
}

// The whole session: the CardQue button's handler, the boxes, the journal.
struct SessionOverTheStub : LargeAnswer {
    explicit SessionOverTheStub(std::size_t replyLimit = kReplyLimit)
        : server(bus.endpoint(test::kStubName), std::chrono::milliseconds(60000), replyLimit)
    {
        windows.attach(&session);
        session.addObserver(&journal);
    }
    ~SessionOverTheStub() override { session.removeObserver(&journal); }
    bool pressCardQue() { return runHandler(session, reader::cardQue); }

    DBusClient server;
    QueuedPrompter prompter;
    RecordingWindowHost windows;
    ImmediateWaiter waiter;
    Session session{server, prompter, windows, waiter};
    journal::CallJournal journal;
};

// The refusal over the bus needs a client of a smaller bound (see the top).
struct BoundedSession : SessionOverTheStub {
    BoundedSession() : SessionOverTheStub(kSmallBound) {}
};

class SessionAnswer : public SessionOverTheStub, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SessionAnswer, TheBoxAndTheJournalKeepTheirBoundAndSaySo)
{
    const auto size = static_cast<std::size_t>(GetParam().size);
    answerSize(GetParam().size);
    ASSERT_TRUE(pressCardQue());
    // The box keeps its newest bytes, from a line start, and counts the rest.
    const std::string& box = session.inBox();
    EXPECT_LE(box.size(), Session::kBoxLimit);
    EXPECT_GE(box.size(), Session::kBoxLimit - 64);
    EXPECT_EQ(box.size() + session.droppedBytes(Box::InBox), size);
    EXPECT_TRUE(box == expectedAnswer(GetParam().size).substr(size - box.size()));
    EXPECT_EQ(box.substr(0, 9), "CardData=");
    // The journal row keeps the first bytes and says how many it left out.
    const journal::JournalEntry& row = journal.at(journal.size() - 1);
    EXPECT_EQ(row.call.member, "CardQue");
    ASSERT_TRUE(row.call.result);
    EXPECT_EQ(row.call.result->asString().size(), journal::CallJournal::kValueLimit);
    EXPECT_EQ(row.resultOmitted, size - journal::CallJournal::kValueLimit);
    EXPECT_LE(journal.bytes(), 2 * journal::CallJournal::kValueLimit);
    EXPECT_EQ(inspector::describeCall(row.call, {0, row.resultOmitted}),
              "get CardQue → " + std::to_string(size) + " bytes, the first 262144 kept");
}

INSTANTIATE_TEST_SUITE_P(Sizes, SessionAnswer,
                         ::testing::Values(SizeCase{"TwoMiB", 2 * kMiB}, SizeCase{"TwentyMB", 20'000'000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BoundedSession, AnAnswerOverTheBoundIsError463AndTheNextPressWorks)
{
    answerSize(20'000'000);
    session.setInBox("before");
    EXPECT_FALSE(pressCardQue());
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages().back().rfind("Error 463: ", 0), 0u) << prompter.messages().back();
    EXPECT_NE(prompter.messages().back().find("20,000,000 bytes"), std::string::npos);
    EXPECT_EQ(session.inBox(), "before");
    const journal::JournalEntry& failed = journal.at(journal.size() - 1);
    EXPECT_EQ(failed.errorNumber, 463);
    EXPECT_FALSE(failed.call.result);

    answerSize(64);
    ASSERT_TRUE(pressCardQue());
    EXPECT_EQ(session.inBox(), expectedAnswer(64));
    EXPECT_EQ(session.droppedBytes(Box::InBox), 0u);
    EXPECT_EQ(journal.at(journal.size() - 1).resultOmitted, 0u);
}

} // namespace
