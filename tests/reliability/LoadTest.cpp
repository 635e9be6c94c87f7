#include "tests/reliability/GeneratedForms.h"
#include "tests/support/CaptureProcess.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/ServerRows.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Clients that misbehave for as long as they live: one connects and says nothing, one sends half
// a line and stalls, one keeps sending lines far over the size limit.
class BadClients : public QObject {
public:
    explicit BadClients(int port) : port_(port) {
        silent_.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        stalled_.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        stalled_.write(R"({"jsonrpc":"2.0","id":1,"method":"rpc.open","params":{"serverName":)");
        connect(&flood_, &QTimer::timeout, this, [this] { floodOnce(); });
        flood_.start(20);
    }
    int floods() const { return floods_; }

private:
    void floodOnce() {
        if (!flooder_ || flooder_->state() == QAbstractSocket::UnconnectedState) {
            flooder_ = std::make_unique<QTcpSocket>();
            flooder_->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
        }
        if (flooder_->bytesToWrite() < 4 * 1024 * 1024) {
            flooder_->write(QByteArray(2 * 1024 * 1024, 'x') + '\n');
            ++floods_;
        }
    }

    int port_;
    QTcpSocket silent_;
    QTcpSocket stalled_;
    std::unique_ptr<QTcpSocket> flooder_;
    QTimer flood_;
    int floods_ = 0;
};

// Runs a capture command for each argument list at once and waits for all of them inside an event
// loop, so that whatever else the test keeps going meanwhile goes on.
std::vector<int> captureAtOnce(const QList<QStringList>& argumentLists, qint64* elapsedMs) {
    std::vector<std::unique_ptr<QProcess>> captures;
    std::vector<std::unique_ptr<QTemporaryDir>> homes;
    QEventLoop loop;
    qsizetype running = argumentLists.size();
    QElapsedTimer clock;
    clock.start();
    for (const QStringList& arguments : argumentLists) {
        homes.push_back(std::make_unique<QTemporaryDir>());
        captures.push_back(std::make_unique<QProcess>());
        QObject::connect(captures.back().get(), &QProcess::finished, &loop, [&] {
            if (--running == 0)
                loop.quit();
        });
        startCapture(*captures.back(), arguments, homes.back()->path());
    }
    QTimer limit;
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(300000);
    loop.exec();
    *elapsedMs = clock.elapsed();
    std::vector<int> codes;
    for (auto& capture : captures) {
        if (capture->state() != QProcess::NotRunning)
            capture->kill();
        capture->waitForFinished();
        codes.push_back(capture->exitCode());
        if (capture->exitCode() != 0)
            std::printf("%s\n", capture->readAllStandardError().constData());
    }
    return codes;
}

const QStringList kOptions{QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--yes")};

// The rows one capture alone leaves, and how long it took.
QStringList capturedAlone(StorageKind storage, const GeneratedForms& forms, qint64* elapsedMs) {
    ServerProcess reference(storage);
    QElapsedTimer clock;
    clock.start();
    const CaptureResult alone = runCapture(kOptions + serverOption(reference) + QStringList{forms.path()});
    *elapsedMs = clock.elapsed();
    EXPECT_EQ(alone.exitCode, 0) << alone.err.toStdString();
    return storedRows(reference);
}

// Runs count captures of forms at once against server: their exit codes.
std::vector<int> capturesOf(const GeneratedForms& forms, const ServerProcess& server, int count,
                            qint64* elapsedMs) {
    return captureAtOnce(
        QList<QStringList>(count, kOptions + serverOption(server) + QStringList{forms.path()}), elapsedMs);
}

} // namespace

class Load : public EachStorageTest {};

TEST_P(Load, EightCapturesAtOnceWhileBadClientsMisbehaveAllSucceedAndStoreEachRowOnce) {
    const GeneratedForms forms(20, 25);
    qint64 single = 0;
    const QStringList expected = capturedAlone(GetParam(), forms, &single);
    ASSERT_EQ(expected.size(), forms.captionCount());

    ServerProcess server(GetParam());
    BadClients bad(server.port());
    qint64 together = 0;
    const std::vector<int> codes = capturesOf(forms, server, 8, &together);
    EXPECT_EQ(codes, std::vector<int>(8, 0));
    EXPECT_EQ(storedRows(server), expected);
    EXPECT_GT(bad.floods(), 0);
    std::printf(
        "one capture alone: %lld ms; eight at once beside three bad clients: %lld ms (%d oversized lines)\n",
        static_cast<long long>(single), static_cast<long long>(together), bad.floods());
}

INSTANTIATE_FOR_EACH_STORAGE(Load);

// One client sends garbage lines as fast as its socket takes them and reads every error answer: the
// server still serves four captures beside it, and the flooder too. The flooder meets only the
// server's reading and writing, never its database, and captures at once are the case above on each
// storage, so SQLite alone will do.
TEST(FloodLoad, FourCapturesBesideAFullSpeedFlooderAllSucceedAndTheFlooderIsServedToo) {
    const GeneratedForms forms(10, 25);
    qint64 single = 0;
    const QStringList expected = capturedAlone(StorageKind::Sqlite, forms, &single);
    ASSERT_EQ(expected.size(), forms.captionCount());

    ServerProcess server(StorageKind::Sqlite);
    QProcess flood;
    flood.start(QStringLiteral(FLOOD_PATH), {QStringLiteral("127.0.0.1:%1").arg(server.port())});
    ASSERT_TRUE(flood.waitForReadyRead(10000)) << "the flooder did not start";
    qint64 together = 0;
    const std::vector<int> codes = capturesOf(forms, server, 4, &together);
    flood.terminate();
    ASSERT_TRUE(flood.waitForFinished(10000));
    const QByteArray said = flood.readAllStandardOutput();

    EXPECT_EQ(codes, std::vector<int>(4, 0));
    EXPECT_EQ(storedRows(server), expected);
    const qsizetype answers = said.mid(said.lastIndexOf("answers: ") + 9).trimmed().toLongLong();
    EXPECT_GT(answers, 0) << said.toStdString();
    std::printf("one capture alone: %lld ms; four at once beside the flooder: %lld ms (%s)\n",
                static_cast<long long>(single), static_cast<long long>(together), said.trimmed().constData());
}

// Two servers on one PostgreSQL database, as a site with a spare server runs them: captures of the
// same forms through either one meet only in the database.
TEST(SharedDatabaseLoad, EightCapturesSplitOverTwoServersOnOneDatabaseAllSucceedAndStoreEachRowOnce) {
    SKIP_UNLESS_AVAILABLE(StorageKind::Postgresql);
    const GeneratedForms forms(20, 25);
    qint64 single = 0;
    const QStringList expected = capturedAlone(StorageKind::Postgresql, forms, &single);
    ASSERT_EQ(expected.size(), forms.captionCount());

    const TestDatabase shared(StorageKind::Postgresql);
    ServerProcess first(shared);
    ServerProcess second(shared);
    QList<QStringList> argumentLists;
    for (int i = 0; i < 8; ++i)
        argumentLists.append(kOptions + serverOption(i % 2 == 0 ? first : second) +
                             QStringList{forms.path()});
    qint64 together = 0;
    const std::vector<int> codes = captureAtOnce(argumentLists, &together);
    EXPECT_EQ(codes, std::vector<int>(8, 0));
    EXPECT_EQ(storedRows(first), expected);
    EXPECT_TRUE(first.running());
    EXPECT_TRUE(second.running());
    std::printf("one capture alone: %lld ms; eight at once over two servers on one database: %lld ms\n",
                static_cast<long long>(single), static_cast<long long>(together));
}
