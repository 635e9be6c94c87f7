#include "tests/appserver/ServerFixture.h"
#include "tests/appserver/TranslationRows.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QThread>

// Deltas that arrive together share one transaction, each in a savepoint of its own: a failing one
// refuses only itself, every answer waits for the commit, and a server killed once the group is
// committed, whether or not its answers went out, leaves each row stored once.

namespace {

QJsonArray labelRow(int number, const QString& language = QStringLiteral("POR")) {
    return captionRow("CLIENTE", "FRMCLIENTE", QStringLiteral("LBL%1").arg(number),
                      QStringLiteral("Texto %1").arg(number), language);
}

QJsonArray delta(const QJsonArray& changes) {
    return QJsonArray{translationDelta(changes)};
}

// What the answer to a request must say.
enum class Answer { Applied, Refused, FoundOne, FoundNone, DatabaseFailed };

struct Request {
    QString method;
    QJsonArray params;
    Answer answer;
};

struct GroupCase {
    const char* name;
    QList<Request> requests;
    int rowsStored; // by the whole case
};

} // namespace

class GroupedWritesTest : public ServerFixture {
protected:
    // Sends the requests in one write, so that they arrive together, and checks their answers,
    // which come in the order sent.
    void sendTogether(const QList<Request>& requests) {
        QByteArray lines;
        for (qsizetype i = 0; i < requests.size(); ++i)
            lines += RpcClient::requestLine(i, requests.at(i).method, requests.at(i).params);
        client.sendRaw(lines);
        for (qsizetype i = 0; i < requests.size(); ++i) {
            const QJsonObject answer = client.readMessage();
            SCOPED_TRACE(QJsonDocument(answer).toJson().toStdString());
            EXPECT_EQ(answer.value("id").toInt(-1), i);
            switch (requests.at(i).answer) {
            case Answer::Applied:
                EXPECT_TRUE(resultOf(answer).value("ok").toBool());
                break;
            case Answer::Refused:
                EXPECT_FALSE(resultOf(answer).value("ok").toBool());
                EXPECT_FALSE(resultOf(answer).value("message").toString().isEmpty());
                break;
            case Answer::FoundOne:
                EXPECT_EQ(rowsOf(answer).size(), 1);
                break;
            case Answer::FoundNone:
                EXPECT_EQ(rowsOf(answer).size(), 0);
                break;
            case Answer::DatabaseFailed:
                EXPECT_TRUE(
                    answer.value("error").toObject().value("message").toString().contains("database"));
                break;
            }
        }
    }
};
INSTANTIATE_FOR_EACH_STORAGE(GroupedWritesTest);

TEST_P(GroupedWritesTest, AFailingDeltaAmongSeveralRefusesOnlyItselfAndTheOthersAreStored) {
    const QString set = QStringLiteral("SetPropried");
    const QList<GroupCase> cases{
        {"a change refused after an insert of the same delta",
         {{set, delta({insertChange(labelRow(1))}), Answer::Applied},
          {set, delta({insertChange(labelRow(2)), updateChange(labelRow(90), labelRow(91))}),
           Answer::Refused},
          {set, delta({insertChange(labelRow(3))}), Answer::Applied}},
         2},
        {"a language not in the list",
         {{set, delta({insertChange(labelRow(4))}), Answer::Applied},
          {set, delta({insertChange(labelRow(5)), insertChange(labelRow(6, "XYZ"))}), Answer::Refused},
          {set, delta({insertChange(labelRow(4))}), Answer::Applied}},
         1},
        {"a delete of a row not stored, then one that counts as applied",
         {{set, delta({insertChange(labelRow(7)), deleteChange(labelRow(92))}), Answer::Refused},
          {"SetVerProp", delta({insertChange(labelRow(8)), deleteChange(labelRow(92))}), Answer::Applied}},
         1},
        {"an update onto a key stored earlier in the group",
         {{set, delta({insertChange(labelRow(9)), insertChange(labelRow(10))}), Answer::Applied},
          {set, delta({insertChange(labelRow(11)), updateChange(labelRow(9), labelRow(10))}),
           Answer::Refused},
          {set, delta({updateChange(labelRow(9), labelRow(12))}), Answer::Applied}},
         2},
        {"a look-up after an insert sent with it",
         {{set, delta({insertChange(labelRow(13))}), Answer::Applied},
          {"GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBL13", "Texto 13"), Answer::FoundOne}},
         1},
        {"look-ups read ahead before the inserts sent between them",
         {{"GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBL14", "Texto 14"), Answer::FoundNone},
          {set, delta({insertChange(labelRow(14))}), Answer::Applied},
          {"GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBL14", "Texto 14"), Answer::FoundOne},
          {"GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBL15", "Texto 15"), Answer::FoundNone},
          {set, delta({insertChange(labelRow(15)), insertChange(labelRow(16))}), Answer::Applied},
          {set, delta({deleteChange(labelRow(16))}), Answer::Applied},
          {"GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBL15", "Texto 15"), Answer::FoundOne},
          {"GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBL16", "Texto 16"), Answer::FoundNone},
          {"GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBL13", "Texto 13"), Answer::FoundOne}},
         2},
    };
    qint64 stored = 0;
    for (const GroupCase& group : cases) {
        SCOPED_TRACE(group.name);
        sendTogether(group.requests);
        stored += group.rowsStored;
        EXPECT_EQ(database->translationCount(), stored);
    }
}

TEST_P(GroupedWritesTest,
       AServerKilledOnceItsWritesAreCommittedLeavesEachRowOnceAndTheSameDeltasSucceedAgain) {
    constexpr int kDeltas = 40;
    QByteArray lines;
    for (int i = 0; i < kDeltas; ++i)
        lines += RpcClient::requestLine(i, "SetPropried", delta({insertChange(labelRow(i))}));
    client.sendRaw(lines);
    // Killed as soon as the rows are there: between the commit and the answers, or just after.
    const QDeadlineTimer deadline(10000);
    while (database->translationCount() < kDeltas && !deadline.hasExpired())
        QThread::msleep(1);
    ASSERT_EQ(server.stop(9), -1);
    EXPECT_EQ(database->translationCount(), kDeltas);

    // The client had no answer to count on: it sends them all again to a new server.
    AppserverProcess again;
    again.setDatabaseUrl(database->url());
    ASSERT_TRUE(again.start()) << again.log().toStdString();
    RpcClient other;
    ASSERT_TRUE(other.connectTo(again.port()));
    ASSERT_TRUE(other.open().contains(QStringLiteral("result")));
    other.sendRaw(lines);
    for (int i = 0; i < kDeltas; ++i)
        EXPECT_TRUE(resultOf(other.readMessage()).value("ok").toBool());
    EXPECT_EQ(database->translationCount(), kDeltas);
}

TEST_P(GroupedWritesTest, AnInsertTheDatabaseRefusesAmongSeveralFailsAloneWithTheDatabasesError) {
    if (GetParam() == StorageKind::Sqlite)
        GTEST_SKIP() << "SQLite stores a NUL character in a text, which PostgreSQL refuses";
    const QString set = QStringLiteral("SetPropried");
    QJsonArray refused = labelRow(2);
    refused[6] = QStringLiteral("Texto") + QChar(0) + QStringLiteral("2");
    sendTogether(
        {{set, delta({insertChange(labelRow(1))}), Answer::Applied},
         {set, delta({insertChange(labelRow(3)), insertChange(refused)}), Answer::DatabaseFailed},
         {set, delta({insertChange(labelRow(4))}), Answer::Applied},
         {"GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBL1", "Texto 1"), Answer::FoundOne},
         {"GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBL3", "Texto 3"), Answer::FoundNone}});
    EXPECT_EQ(database->translationCount(), 2);
    // The connection serves on, and the row goes in without the character.
    sendTogether({{set, delta({insertChange(labelRow(2))}), Answer::Applied}});
    EXPECT_EQ(database->translationCount(), 3);
}
