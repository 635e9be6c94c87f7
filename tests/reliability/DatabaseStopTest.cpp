#include "tests/reliability/GeneratedForms.h"
#include "tests/reliability/RowCounter.h"
#include "tests/reliability/StoppableCluster.h"
#include "tests/support/CaptureProcess.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/ServerRows.h"

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

// The PostgreSQL server stopped under a running application server during a capture: the capture
// ends with the server's error, the table keeps whole rows only, and once the database is back the
// same application server serves a new run that completes the table.
namespace {

// The capture's own message, without what Qt said before it.
QString captureMessage(const QString& errors) {
    const qsizetype start = errors.indexOf(QStringLiteral("capture: "));
    return start < 0 ? errors.trimmed() : errors.mid(start).trimmed();
}

QStringList captureArguments(const ServerProcess& server, const QString& directory) {
    return QStringList{QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--yes")} +
           serverOption(server) + QStringList{directory};
}

void expectWholeRowsOnceEach(const QList<QJsonObject>& rows, const QStringList& expected) {
    const QStringList described = describeRows(rows);
    EXPECT_EQ(QSet<QString>(described.begin(), described.end()).size(), described.size())
        << "a row is stored twice";
    for (const QJsonObject& row : rows)
        for (const char* field : {"CDPROGRAMA", "NMFORMULARIO", "NMCOMPONENTE", "NMPROPRIEDADE",
                                  "IDSITTRADUCAO", "STVALORPROP", "STAGRVALPROP", "DTULTATUTRAD", "IDIDIOMA"})
            EXPECT_FALSE(row.value(QLatin1String(field)).toString().isEmpty())
                << field << " is missing from " << describeRow(row).toStdString();
    for (const QString& row : described)
        EXPECT_TRUE(expected.contains(row)) << "a row no capture makes: " << row.toStdString();
}

} // namespace

TEST(DatabaseStopped,
     MidCaptureTheCaptureEndsWithTheServersErrorAndTheSameServerCompletesTheTableOnceItIsBack) {
    if (const QString why = StoppableCluster::unavailableReason(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    // A form set for each way of stopping, so that each stop lands while new rows are written: large
    // enough that the capture is still writing when the stop takes effect.
    const QStringList modes{QStringLiteral("fast"), QStringLiteral("immediate")};
    std::vector<std::unique_ptr<GeneratedForms>> sets;
    for (int s = 0; s < modes.size(); ++s)
        sets.push_back(std::make_unique<GeneratedForms>(60, 50, s + 1, QStringLiteral("S%1_").arg(s)));

    QStringList expected;
    {
        const TestDatabase referenceDatabase(StorageKind::Postgresql, QStringLiteral("UTF8"),
                                             kStoppablePostgresVariable);
        ServerProcess reference(referenceDatabase);
        for (const auto& set : sets) {
            const CaptureResult whole = runCapture(captureArguments(reference, set->path()));
            ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();
        }
        expected = storedRows(reference);
    }
    ASSERT_EQ(expected.size(), modes.size() * sets.front()->captionCount());

    const TestDatabase database(StorageKind::Postgresql, QStringLiteral("UTF8"), kStoppablePostgresVariable);
    StoppableCluster cluster; // after the database: runs again before the database is dropped
    ServerProcess server(database);
    RowCounter stored(database);
    for (int round = 0; round < modes.size(); ++round) {
        const QString& mode = modes[round];
        SCOPED_TRACE(("stop -m " + mode).toStdString());
        const int storedBefore = stored.count();
        ASSERT_GE(storedBefore, 0);
        const int perSet = sets[round]->captionCount();
        QTemporaryDir home;
        QProcess capture;
        startCapture(capture, captureArguments(server, sets[round]->path()), home.path());
        ASSERT_TRUE(capture.waitForStarted());
        while (stored.count() - storedBefore < perSet / 3 && capture.state() == QProcess::Running)
            QThread::msleep(2);
        ASSERT_EQ(capture.state(), QProcess::Running) << "the capture ended before the stop";
        const int storedAtStop = stored.count() - storedBefore;
        QString output;
        ASSERT_TRUE(cluster.stop(mode, &output)) << output.toStdString();

        const bool ended = capture.waitForFinished(120000);
        const QString errors = QString::fromUtf8(capture.readAllStandardError());
        std::printf("stop -m %s after %d of %d new rows: capture %s, exit %d, server %s:\n  %s\n",
                    qPrintable(mode), storedAtStop, perSet, ended ? "ended" : "hangs", capture.exitCode(),
                    server.running() ? "running" : "gone", qPrintable(captureMessage(errors)));
        ASSERT_TRUE(ended) << "the capture hangs with its database gone";
        EXPECT_EQ(capture.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(capture.exitCode(), 0) << "the capture did not notice that the database stopped";
        EXPECT_TRUE(errors.contains(QStringLiteral("capture: "))) << errors.toStdString();
        EXPECT_TRUE(errors.contains(QStringLiteral("database"), Qt::CaseInsensitive))
            << "the server did not answer with the database's failure: " << errors.toStdString();
        EXPECT_TRUE(server.running()) << "the server died with its database:\n" << server.log().toStdString();

        ASSERT_TRUE(cluster.start(&output)) << output.toStdString();
        EXPECT_TRUE(server.running()) << "the server died when its database came back:\n"
                                      << server.log().toStdString();
        const QList<QJsonObject> rows = exportedRows(server);
        std::printf("  %lld of %d new rows stored\n", static_cast<long long>(rows.size()) - storedBefore,
                    perSet);
        expectWholeRowsOnceEach(rows, expected);

        // The same server, not restarted: it serves again on a new connection.
        const CaptureResult rerun = runCapture(captureArguments(server, sets[round]->path()));
        EXPECT_EQ(rerun.exitCode, 0) << "the server did not recover with its database: "
                                     << captureMessage(rerun.err).toStdString();
    }
    EXPECT_EQ(storedRows(server), expected);
}
