#include "tests/reliability/StoppableCluster.h"

#include "tests/support/database/TestDatabase.h"

#include <QProcess>

#include <unistd.h>

namespace {

QStringList clusterFromEnvironment() {
    return qEnvironmentVariable(kStoppableClusterVariable).split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

// Runs pg_ctlcluster OPTIONS VERSION NAME ACTION; its exit status, or -1 when it did not run.
int pgCtlCluster(const QStringList& cluster, const QString& action, const QStringList& options,
                 QString* output) {
    // As root on a systemd machine pg_ctlcluster would hand the action to systemctl; the test wants
    // pg_ctl itself, with the shutdown mode it asks for.
    QStringList command =
        QStringList{QStringLiteral("pg_ctlcluster"), QStringLiteral("--skip-systemctl-redirect")} + options +
        cluster + QStringList{action};
    if (geteuid() != 0)
        command = QStringList{QStringLiteral("sudo"), QStringLiteral("-n"), QStringLiteral("--")} + command;
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(command.takeFirst(), command);
    const bool finished = tool.waitForStarted(10000) && tool.waitForFinished(120000);
    if (output)
        *output = QString::fromLocal8Bit(tool.readAll()).trimmed();
    if (!finished) {
        tool.kill();
        tool.waitForFinished();
        return -1;
    }
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

} // namespace

QString StoppableCluster::unavailableReason() {
    const QStringList cluster = clusterFromEnvironment();
    if (cluster.size() != 2)
        return QStringLiteral("no PostgreSQL cluster to stop: %1 does not name one as VERSION/NAME "
                              "(scripts/test.sh sets it)")
            .arg(QLatin1String(kStoppableClusterVariable));
    if (const QString why =
            TestDatabase::unavailableReason(StorageKind::Postgresql, kStoppablePostgresVariable);
        !why.isEmpty())
        return why;
    QString output;
    if (pgCtlCluster(cluster, QStringLiteral("status"), {}, &output) != 0)
        return QStringLiteral("cannot control the cluster %1: %2")
            .arg(cluster.join(QLatin1Char('/')), output);
    return {};
}

StoppableCluster::StoppableCluster() : clusterName_(clusterFromEnvironment()) {}

StoppableCluster::~StoppableCluster() {
    if (stopped_)
        start(nullptr);
}

bool StoppableCluster::stop(const QString& mode, QString* output) {
    stopped_ = true;
    return pgCtlCluster(clusterName_, QStringLiteral("stop"), {QStringLiteral("--mode"), mode}, output) == 0;
}

bool StoppableCluster::start(QString* output) {
    const bool started = pgCtlCluster(clusterName_, QStringLiteral("start"), {}, output) == 0;
    if (started)
        stopped_ = false;
    return started;
}
