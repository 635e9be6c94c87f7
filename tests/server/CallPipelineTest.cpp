#include "tests/server/LinkFixture.h"

#include "server/CallPipeline.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

// Calls in flight: answers handed over in the order sent, a bounded number of calls out at once,
// and after a stop or a failure nothing more sent, the answers on their way read to the end.
using APipeline = LinkFixture;

TEST_F(APipeline, HandsOverAnswersInOrderAndStopsSendingAtAStopOrAFailure) {
    constexpr int kCalls = 3 * CallPipeline::kMaxCalls;
    enum class Outcome { Completes, StopsAtK, RefusedAtK };
    const struct {
        const char* name;
        Outcome outcome;
        int k;
        int answered; // handed to the answered callback
        int late;     // handed to the late one
    } rows[] = {
        {"every call answered", Outcome::Completes, -1, kCalls, 0},
        {"a stop early", Outcome::StopsAtK, 10, 11, CallPipeline::kMaxCalls - 1},
        {"a stop past the first batch", Outcome::StopsAtK, 100, 101, CallPipeline::kMaxCalls - 1},
        {"an error answer", Outcome::RefusedAtK, 70, 70, CallPipeline::kMaxCalls - 1},
    };
    const auto serve = connection.Transport;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        int sent = 0;
        int mostInFlight = 0;
        connection.Transport = [&](const QByteArray& line) {
            if (row.outcome != Outcome::RefusedAtK || sent++ != row.k)
                return serve(line);
            const QJsonObject request = QJsonDocument::fromJson(line).object();
            return QJsonDocument(
                       QJsonObject{{"jsonrpc", "2.0"},
                                   {"id", request.value("id")},
                                   {"error", QJsonObject{{"code", -32603}, {"message", "disk full"}}}})
                .toJson(QJsonDocument::Compact);
        };
        QList<int> answered;
        QList<int> late;
        const auto make = [&](int) {
            mostInFlight = std::max(mostInFlight, connection.PendingCalls() + 1);
            return CallPipeline::Call{RemoteMethods::kGetVersao, {}};
        };
        const auto take = [&](int index, const QJsonValue&) {
            answered.append(index);
            return !(row.outcome == Outcome::StopsAtK && index == row.k);
        };
        const auto takeLate = [&](int index, const QJsonValue&) {
            late.append(index);
            return true;
        };
        bool refused = false;
        try {
            link.Pipeline().Run(kCalls, make, {}, take, takeLate);
        } catch (const EServerError& error) {
            refused = error.message().contains(QStringLiteral("disk full"));
        }
        EXPECT_EQ(refused, row.outcome == Outcome::RefusedAtK);
        EXPECT_EQ(answered.size(), row.answered);
        EXPECT_TRUE(std::is_sorted(answered.begin(), answered.end()));
        EXPECT_EQ(late.size(), row.late);
        EXPECT_EQ(mostInFlight, CallPipeline::kMaxCalls);
        EXPECT_EQ(connection.PendingCalls(), 0) << "every answer on its way is read";
        EXPECT_FALSE(view.waiting());
        // The connection serves on.
        connection.Transport = serve;
        link.CallGetVersao(data.cdsVersao);
        EXPECT_EQ(data.cdsVersao.RecordCount(), 1);
    }
}

TEST_F(APipeline, ACallWhileCallsAreInFlightIsRefusedRatherThanGivenAnotherCallsAnswer) {
    connection.Send(RemoteMethods::kGetVersao, {});
    EXPECT_THROW(link.CallGetVersao(data.cdsVersao), ESocketError);
    EXPECT_TRUE(connection.Receive().toObject().value(QStringLiteral("ok")).toBool());
    EXPECT_THROW(connection.Receive(), ESocketError) << "nothing is in flight";
}
