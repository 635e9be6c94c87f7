#include "tests/reliability/GeneratedForms.h"
#include "tests/reliability/RowCounter.h"
#include "tests/support/CaptureProcess.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/ServerRows.h"

#include "host/CaptureCommand.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <random>
#include <vector>

namespace {

QStringList captureArguments(const ServerProcess& server, const QString& directory,
                             const QStringList& extra = {}) {
    return QStringList{QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--yes")} +
           serverOption(server) + extra + QStringList{directory};
}

QJsonObject reportAt(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// Where a report says its run stopped, and the first error it names there; the run must not
// have completed.
std::pair<QJsonObject, QString> stopOf(const QJsonObject& report) {
    EXPECT_FALSE(report.value(QLatin1String("completed")).toBool(true));
    const QJsonObject stopped = report.value(QLatin1String("stopped")).toObject();
    return {stopped, stopped.value(QLatin1String("errors")).toArray().first().toString()};
}

// The rows a report names, described as the stored ones are.
QStringList reportedRows(const QJsonObject& report) {
    QStringList rows;
    for (const QJsonValue& value : report.value(QLatin1String("rows")).toArray()) {
        const QJsonObject row = value.toObject();
        rows.append(captionRow(
            row.value(QLatin1String("program")).toString(), row.value(QLatin1String("form")).toString(),
            row.value(QLatin1String("component")).toString(), row.value(QLatin1String("value")).toString(),
            row.value(QLatin1String("language")).toString()));
    }
    return rows;
}

// Opens the server's database file beside the server (read-only) and runs SQLite's own check.
QString integrityOf(const QString& databasePath) {
    const QString name = QStringLiteral("integrity-check");
    QString verdict;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databasePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            return db.lastError().text();
        QSqlQuery check(db);
        verdict = check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next()
                      ? check.value(0).toString()
                      : check.lastError().text();
    }
    QSqlDatabase::removeDatabase(name);
    return verdict;
}

// Every stored row is whole: no field a capture fills is missing.
bool rowsAreWhole(const QList<QJsonObject>& rows) {
    for (const QJsonObject& row : rows)
        for (const char* field : {"CDPROGRAMA", "NMFORMULARIO", "NMCOMPONENTE", "NMPROPRIEDADE",
                                  "IDSITTRADUCAO", "STVALORPROP", "STAGRVALPROP", "DTULTATUTRAD", "IDIDIOMA"})
            if (row.value(QLatin1String(field)).toString().isEmpty())
                return false;
    return true;
}

} // namespace

class ServerKilled : public EachStorageTest {};

TEST_P(ServerKilled, TwentyKillsDuringCapturesLeaveNoPartialOrDoubledRowAReportOfWhereEachStoppedAndReruns) {
    constexpr int kKills = 20;
    // A form set of its own for each kill, so that every kill lands while new rows are written.
    std::vector<std::unique_ptr<GeneratedForms>> sets;
    for (int k = 0; k < kKills; ++k)
        sets.push_back(std::make_unique<GeneratedForms>(10, 30, k + 1, QStringLiteral("K%1_").arg(k)));

    // What uninterrupted runs leave, and how long one takes.
    ServerProcess reference(GetParam());
    for (const auto& set : sets) {
        const CaptureResult whole = runCapture(captureArguments(reference, set->path()));
        ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();
    }
    const QStringList expected = storedRows(reference);
    ASSERT_EQ(expected.size(), kKills * sets.front()->captionCount());

    ServerProcess server(GetParam());
    RowCounter stored(server.database());
    std::mt19937 random(20261207);
    // Each kill lands after a random share of the set's rows is stored: at the connect, or
    // between two rows, never after the run. With rows in flight across files the rest of a set
    // goes fast: at most half of it is awaited, so that the kill lands before the run's end.
    const int perSet = sets.front()->captionCount();
    std::uniform_int_distribution<int> rowsBeforeKill(0, perSet / 2);
    for (int kill = 0; kill < kKills; ++kill) {
        const int storedBefore = stored.count();
        ASSERT_GE(storedBefore, 0);
        const int target = rowsBeforeKill(random);
        QTemporaryDir home;
        const QString reportPath = home.filePath(QStringLiteral("report.json"));
        QProcess capture;
        startCapture(capture,
                     captureArguments(server, sets[kill]->path(), {QStringLiteral("--report"), reportPath}),
                     home.path());
        ASSERT_TRUE(capture.waitForStarted());
        if (target == 0)
            QThread::msleep(static_cast<unsigned long>(random() % 200));
        while (target > 0 && stored.count() - storedBefore < target && capture.state() == QProcess::Running)
            QThread::msleep(2);
        server.stop(true);
        ASSERT_TRUE(capture.waitForFinished(60000));
        const QString errors = QString::fromUtf8(capture.readAllStandardError());

        const QList<QJsonObject> rows = exportedRows(server);
        const QStringList described = describeRows(rows);
        const auto distinct = QSet<QString>(described.begin(), described.end());
        std::printf("kill %2d after %3d of %d new rows: capture exit %d, %lld rows stored in all\n", kill + 1,
                    static_cast<int>(rows.size()) - storedBefore, perSet, capture.exitCode(),
                    static_cast<long long>(rows.size()));
        EXPECT_NE(capture.exitCode(), 0) << "the capture did not notice the server's death";
        EXPECT_TRUE(errors.contains(QStringLiteral("capture: "))) << errors.toStdString();
        EXPECT_TRUE(errors.contains(QStringLiteral("application server"))) << errors.toStdString();
        // A SQLite file is written by the killed process itself; a PostgreSQL server outlives it.
        if (GetParam() == StorageKind::Sqlite) {
            EXPECT_EQ(integrityOf(server.databasePath()), QStringLiteral("ok"));
        }
        EXPECT_EQ(distinct.size(), described.size()) << "a row is stored twice";
        EXPECT_TRUE(rowsAreWhole(rows));
        for (const QString& row : described)
            EXPECT_TRUE(expected.contains(row)) << "a row no capture makes: " << row.toStdString();

        // The report names every row the server took, and no other; only the rows on their way when
        // the server died, as many as fit in the command's room in flight, may be stored unnamed.
        const QJsonObject report = reportAt(reportPath);
        ASSERT_FALSE(report.isEmpty()) << "no report of the failed run";
        const auto [stopped, error] = stopOf(report);
        EXPECT_TRUE(error.contains(QStringLiteral("application server"))) << error.toStdString();
        const QStringList named = reportedRows(report);
        for (const QString& row : named)
            EXPECT_TRUE(described.contains(row)) << "named but not stored: " << row.toStdString();
        constexpr qint64 kSmallestDelta = 256; // its field layout alone takes more
        EXPECT_LE(rows.size() - storedBefore - named.size(), CaptureCommand::kRoomInFlight / kSmallestDelta);
        if (!named.isEmpty()) {
            // It stopped at the caption on its way: in the last row's file or one after it.
            const QJsonObject last = report.value(QLatin1String("rows")).toArray().last().toObject();
            const QString stoppedFile = stopped.value(QLatin1String("file")).toString();
            const int stoppedLine = stopped.value(QLatin1String("line")).toInt();
            EXPECT_GT(stoppedLine, 0);
            EXPECT_GE(stoppedFile, last.value(QLatin1String("file")).toString());
            if (stoppedFile == last.value(QLatin1String("file")).toString()) {
                EXPECT_GE(stoppedLine, last.value(QLatin1String("line")).toInt());
            }
        }
        server.restart();
    }

    // A capture stopped by SIGTERM ends its scan where it is and reports exactly the rows stored;
    // one killed leaves no report rather than part of one.
    const GeneratedForms large(20, 100, 99, QStringLiteral("L"));
    RowCounter referenceRows(reference.database());
    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGKILL");
        const int before = referenceRows.count();
        QTemporaryDir home;
        QTemporaryDir reports;
        const QString reportPath = reports.filePath(QStringLiteral("report.json"));
        QProcess capture;
        startCapture(capture,
                     captureArguments(reference, large.path(), {QStringLiteral("--report"), reportPath}),
                     home.path());
        ASSERT_TRUE(capture.waitForStarted());
        while (referenceRows.count() - before < 100 && capture.state() == QProcess::Running)
            QThread::msleep(2);
        ::kill(static_cast<pid_t>(capture.processId()), signal);
        ASSERT_TRUE(capture.waitForFinished());
        const int storedNow = referenceRows.count() - before;
        EXPECT_LT(storedNow, large.captionCount()) << "stopped after the run";
        if (signal == SIGKILL) {
            EXPECT_TRUE(QDir(reports.path()).isEmpty())
                << QDir(reports.path()).entryList().join(' ').toStdString();
            continue;
        }
        EXPECT_EQ(capture.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(capture.exitCode(), 1);
        const QJsonObject report = reportAt(reportPath);
        const auto [stopped, error] = stopOf(report);
        EXPECT_TRUE(error.contains(QStringLiteral("SIGTERM"))) << error.toStdString();
        EXPECT_EQ(reportedRows(report).size(), storedNow);
        EXPECT_EQ(stopped.value(QLatin1String("line")).toInt(),
                  report.value(QLatin1String("rows")).toArray().last()[QLatin1String("line")].toInt());
    }

    for (const auto& set : sets) {
        const CaptureResult rerun = runCapture(captureArguments(server, set->path()));
        EXPECT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    }
    EXPECT_EQ(storedRows(server), expected);
}

INSTANTIATE_FOR_EACH_STORAGE(ServerKilled);
