#include "tests/server/LinkFixture.h"

#include "server/CallFlow.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

// The capture's calls: one at a time or with room in flight, answers handed over in the order
// sent, calls made by a handler answered after those already on their way, and after a failure
// nothing more sent, the answers on their way read to the end and handed only to the calls that
// keep them.
using AFlow = LinkFixture;

TEST_F(AFlow, HandsOverAnswersInOrderWithinItsRoomAndStopsAtAFailure) {
    constexpr int kCalls = 200;
    enum class Outcome { Completes, RefusedAtK, HandlerRaisesAtK };
    const struct {
        const char* name;
        qint64 room;
        Outcome outcome;
        int k;
    } rows[] = {
        {"one at a time", 0, Outcome::Completes, -1},
        {"with room", 4096, Outcome::Completes, -1},
        {"one at a time, an error answer", 0, Outcome::RefusedAtK, 70},
        {"with room, an error answer", 4096, Outcome::RefusedAtK, 70},
        {"with room, a handler raising", 4096, Outcome::HandlerRaisesAtK, 70},
    };
    const auto serve = connection.transport;
    CallFlow& flow = link.flow();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        flow.setRoomInFlight(row.room);
        // Calls are numbered in the order made, and carry their number as the value looked up.
        QList<int> sent;
        int mostInFlight = 0;
        qint64 mostBytes = 0;
        connection.transport = [&](const QByteArray& line) {
            mostInFlight = std::max(mostInFlight, connection.pendingCalls() + 1);
            mostBytes = std::max(mostBytes, connection.pendingBytes() + line.size());
            const QJsonObject request = QJsonDocument::fromJson(line).object();
            sent.append(request.value("params").toArray().at(5).toString().toInt());
            if (row.outcome != Outcome::RefusedAtK || sent.size() - 1 != row.k)
                return serve(line);
            return QJsonDocument(
                       QJsonObject{{"jsonrpc", "2.0"},
                                   {"id", request.value("id")},
                                   {"error", QJsonObject{{"code", -32603}, {"message", "disk full"}}}})
                .toJson(QJsonDocument::Compact);
        };
        // Every third call makes a follow-up call from its handler; odd calls keep their answers
        // after a failure.
        QList<int> answered;
        int made = 0;
        std::function<void(bool)> send = [&](bool followUp) {
            const int number = made++;
            CallFlow::Handlers handlers;
            handlers.keptAfterFailure = number % 2 == 1;
            handlers.answered = [&, number, followUp](const QJsonValue&) {
                answered.append(number);
                if (row.outcome == Outcome::HandlerRaisesAtK && answered.size() - 1 == row.k)
                    throw Exception(QStringLiteral("disk full"));
                if (!followUp && number % 3 == 0)
                    send(true);
            };
            AnsiString name = "X";
            flow.send(
                ServerLink::getPropriedCall("P", name, name, name, "0", AnsiString::number(number), name),
                std::move(handlers));
        };
        bool refused = false;
        try {
            for (int i = 0; i < kCalls; ++i) {
                send(false);
                if (row.room == 0) {
                    ASSERT_EQ(answered.size(), made) << "one at a time, Send returns with the answers";
                }
            }
            flow.finish();
        } catch (const Exception& error) {
            refused = error.message().contains(QStringLiteral("disk full"));
        }

        EXPECT_EQ(refused, row.outcome != Outcome::Completes);
        EXPECT_EQ(mostInFlight > 1, row.room > 0);
        // A handler's follow-up may go beyond the room by a call, no more.
        EXPECT_LE(mostBytes, row.room + 2 * 300);
        if (row.outcome == Outcome::Completes) {
            EXPECT_EQ(answered, sent) << "answers are handed over in the order sent";
        } else {
            // Before the failure every answer in order; after it only those of calls that keep them.
            EXPECT_EQ(answered.mid(0, row.k), sent.mid(0, row.k));
            const QList<int> after = answered.mid(row.k + (row.outcome == Outcome::HandlerRaisesAtK));
            EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](int number) { return number % 2 == 1; }));
            EXPECT_TRUE(std::is_sorted(after.begin(), after.end()));
        }
        EXPECT_EQ(connection.pendingCalls(), 0) << "every answer on its way is read";
        EXPECT_FALSE(view.waiting());
        // The connection serves on.
        connection.transport = serve;
        flow.setRoomInFlight(0);
        link.callGetVersao(data.cdsVersao);
        EXPECT_EQ(data.cdsVersao.RecordCount(), 1);
    }
}

TEST_F(AFlow, ACallWhileCallsAreInFlightIsRefusedRatherThanGivenAnotherCallsAnswer) {
    connection.send(RemoteMethods::kGetVersao, {});
    EXPECT_THROW(link.callGetVersao(data.cdsVersao), ESocketError);
    EXPECT_TRUE(connection.receive().toObject().value(QStringLiteral("ok")).toBool());
    EXPECT_THROW(connection.receive(), ESocketError) << "nothing is in flight";
}
