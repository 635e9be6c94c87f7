#include "tests/reliability/CuttingProxy.h"
#include "tests/reliability/GeneratedForms.h"
#include "tests/support/CaptureProcess.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/ServerRows.h"

#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <random>

class ConnectionCut : public EachStorageTest {};

TEST_P(ConnectionCut, CutsDuringCapturesEndThemWithAnErrorAndLeaveAConsistentTable) {
    const GeneratedForms forms(20, 30);
    ServerProcess reference(GetParam());
    const QStringList arguments{QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--yes")};
    ASSERT_EQ(runCapture(arguments + serverOption(reference) + QStringList{forms.path()}).exitCode, 0);
    const QStringList expected = storedRows(reference);

    ServerProcess server(GetParam());
    CuttingProxy proxy(static_cast<quint16>(server.port()));
    const QStringList throughProxy =
        arguments + QStringList{QStringLiteral("--server"), QStringLiteral("127.0.0.1:%1").arg(proxy.port()),
                                forms.path()};
    // Every run looks up each caption once, so a cut after fewer requests than captions always
    // lands while a capture waits for an answer, whatever the speed of the machine.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> requests(5, forms.captionCount() - 1);
    int failed = 0;
    for (int cut = 0; cut < 8; ++cut) {
        QTemporaryDir home;
        QProcess capture;
        QEventLoop loop;
        QObject::connect(&capture, &QProcess::finished, &loop, &QEventLoop::quit);
        proxy.cutAfterRequests(requests(random));
        startCapture(capture, throughProxy, home.path());
        QTimer limit;
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(60000);
        loop.exec(); // the proxy relays inside this loop
        ASSERT_EQ(capture.state(), QProcess::NotRunning);
        if (capture.exitCode() != 0) {
            ++failed;
            EXPECT_TRUE(
                QString::fromUtf8(capture.readAllStandardError()).contains(QStringLiteral("capture: ")));
        }
        QStringList rows = describeRows(exportedRows(server));
        EXPECT_EQ(QSet<QString>(rows.begin(), rows.end()).size(), rows.size()) << "a row is stored twice";
        for (const QString& row : rows)
            EXPECT_TRUE(expected.contains(row)) << row.toStdString();
    }
    EXPECT_EQ(failed, 8) << "a capture went on as if its connection had not been cut";
    EXPECT_EQ(proxy.cuts(), 8);

    const CaptureResult rerun = runCapture(arguments + serverOption(server) + QStringList{forms.path()});
    EXPECT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    EXPECT_EQ(storedRows(server), expected);
}

INSTANTIATE_FOR_EACH_STORAGE(ConnectionCut);
