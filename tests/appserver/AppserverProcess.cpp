#include "tests/appserver/AppserverProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>

#include <sys/resource.h>

namespace {

// Generous: a loaded CI machine may be slow to start a process; nothing waits this long normally.
constexpr int kStartTimeoutMs = 15000;
constexpr int kStopTimeoutMs = 15000;

} // namespace

AppserverProcess::AppserverProcess()
    : databasePath_(QDir(dir_.path()).filePath(QStringLiteral("appserver.sqlite"))),
      logPath_(QDir(dir_.path()).filePath(QStringLiteral("appserver.log"))) {}

AppserverProcess::~AppserverProcess() {
    if (isRunning())
        stop();
}

QString AppserverProcess::executable() {
    return QStringLiteral(APPSERVER_PATH);
}

bool AppserverProcess::start(const QStringList& extraArgs) {
    return launch(extraArgs) && waitUntilListening();
}

bool AppserverProcess::launch(const QStringList& extraArgs) {
    port_ = 0;
    listeningLine_.clear();
    process_.setProgram(executable());
    process_.setArguments(QStringList{QStringLiteral("--listen"),
                                      QStringLiteral("127.0.0.1:%1").arg(listenPort_),
                                      QStringLiteral("--database"), databaseUrl()} +
                          extraArgs);
    process_.setStandardErrorFile(logPath_, QIODevice::Append);
    if (descriptorLimit_ > 0)
        process_.setChildProcessModifier([limit = rlim_t(descriptorLimit_)] {
            const rlimit low{limit, limit};
            ::setrlimit(RLIMIT_NOFILE, &low);
        });
    process_.start();
    return process_.waitForStarted(kStartTimeoutMs);
}

bool AppserverProcess::waitUntilListening() {
    static const QRegularExpression pattern(QStringLiteral("^appserver listening on (.+):(\\d+)$"));
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (process_.canReadLine()) {
            listeningLine_ = QString::fromUtf8(process_.readLine()).trimmed();
            const QRegularExpressionMatch match = pattern.match(listeningLine_);
            if (!match.hasMatch())
                return false;
            port_ = quint16(match.captured(2).toUInt());
            return true;
        }
        if (process_.state() == QProcess::NotRunning)
            return false;
        process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return false;
}

int AppserverProcess::stop(int signalNumber) {
    if (process_.state() == QProcess::NotRunning)
        return process_.exitCode();
    ::kill(pid_t(process_.processId()), signalNumber);
    if (!process_.waitForFinished(kStopTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(kStopTimeoutMs);
        return -1;
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QString AppserverProcess::log() const {
    QFile file(logPath_);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

qint64 AppserverProcess::logBytes() const {
    return QFileInfo(logPath_).size();
}

qint64 AppserverProcess::residentBytes() const {
    QFile status(QStringLiteral("/proc/%1/status").arg(process_.processId()));
    if (!isRunning() || !status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) // "VmRSS:     1234 kB"
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

AppserverProcess::CommandResult AppserverProcess::runCommand(const QStringList& args) const {
    return runRaw(QStringList{QStringLiteral("--database"), databaseUrl()} + args);
}

AppserverProcess::CommandResult AppserverProcess::runRaw(const QStringList& args,
                                                         const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(executable(), args);
    CommandResult result;
    if (!process.waitForFinished(kStartTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = QStringLiteral("the command did not finish");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}
