#include "CaptureCommand.h"
#include "GeneratedForms.h"
#include "ServerProcess.h"
#include "ServerRows.h"

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

// Runs count capture commands at once and waits for all of them inside an event loop, so that
// whatever else the test keeps going meanwhile goes on.
std::vector<int> captureAtOnce(int count, const QStringList& arguments, qint64* elapsedMs) {
    std::vector<std::unique_ptr<QProcess>> captures;
    std::vector<std::unique_ptr<QTemporaryDir>> homes;
    QEventLoop loop;
    int running = count;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
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

} // namespace

TEST(Load, EightCapturesAtOnceWhileBadClientsMisbehaveAllSucceedAndStoreEachRowOnce) {
    const GeneratedForms forms(20, 25);
    const QStringList options{QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--yes")};

    ServerProcess reference;
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(runCapture(options + serverOption(reference) + QStringList{forms.path()}).exitCode, 0);
    const qint64 single = clock.elapsed();
    const QStringList expected = storedRows(reference);

    ServerProcess server;
    BadClients bad(server.port());
    qint64 together = 0;
    const std::vector<int> codes =
        captureAtOnce(8, options + serverOption(server) + QStringList{forms.path()}, &together);
    EXPECT_EQ(codes, std::vector<int>(8, 0));
    EXPECT_EQ(storedRows(server), expected);
    EXPECT_GT(bad.floods(), 0);
    std::printf(
        "one capture alone: %lld ms; eight at once beside three bad clients: %lld ms (%d oversized lines)\n",
        static_cast<long long>(single), static_cast<long long>(together), bad.floods());
}
