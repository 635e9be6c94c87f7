#include "ServerProcess.h"

#include <QFile>
#include <QRegularExpression>

#include <stdexcept>

#ifndef APPSERVER_PATH
#error "APPSERVER_PATH must name the appserver executable"
#endif

namespace {

std::unique_ptr<TestDatabase> newDatabase(StorageKind storage) {
    if (const QString why = TestDatabase::unavailableReason(storage); !why.isEmpty())
        throw std::runtime_error(why.toStdString());
    return std::make_unique<TestDatabase>(storage);
}

} // namespace

QString ServerProcess::executable() {
    return QStringLiteral(APPSERVER_PATH);
}

ServerProcess::ServerProcess(const QStringList& extraArguments)
    : ServerProcess(StorageKind::Sqlite, extraArguments) {}

ServerProcess::ServerProcess(StorageKind storage, const QStringList& extraArguments)
    : ServerProcess(newDatabase(storage), nullptr, extraArguments) {}

ServerProcess::ServerProcess(const TestDatabase& database, const QStringList& extraArguments)
    : ServerProcess(nullptr, &database, extraArguments) {}

ServerProcess::ServerProcess(std::unique_ptr<TestDatabase> ownDatabase, const TestDatabase* database,
                             const QStringList& extraArguments)
    : ownDatabase_(std::move(ownDatabase)), database_(ownDatabase_ ? ownDatabase_.get() : database),
      extraArguments_(extraArguments) {
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary directory for the server");
    start(0);
}

ServerProcess::~ServerProcess() {
    stop();
}

void ServerProcess::start(int port) {
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    // A chatty server must never block on a full pipe nobody reads.
    process_.setStandardErrorFile(dir_.filePath(QStringLiteral("appserver.log")), QIODevice::Append);
    process_.start(executable(),
                   QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port),
                               QStringLiteral("--database"), database_->url()} +
                       extraArguments_);
    if (!process_.waitForStarted(10000))
        throw std::runtime_error("appserver did not start: " + process_.errorString().toStdString());
    static const QRegularExpression listening(QStringLiteral("^appserver listening on ([^:]+):(\\d+)"));
    QByteArray seen;
    while (process_.waitForReadyRead(10000) || process_.canReadLine()) {
        while (process_.canReadLine()) {
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            seen += line.toUtf8() + '\n';
            const auto match = listening.match(line);
            if (match.hasMatch()) {
                port_ = match.captured(2).toInt();
                return;
            }
        }
    }
    process_.kill();
    process_.waitForFinished();
    throw std::runtime_error("appserver did not report its port:\n" + seen.toStdString() +
                             log().toStdString());
}

QString ServerProcess::log() const {
    QFile file(dir_.filePath(QStringLiteral("appserver.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void ServerProcess::stop(bool hard) {
    if (process_.state() == QProcess::NotRunning)
        return;
    if (hard)
        process_.kill();
    else
        process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished();
    }
}

void ServerProcess::restart() {
    stop();
    start(port_);
}

QString ServerProcess::admin(const QStringList& arguments, int* exitCode) const {
    QProcess tool;
    tool.start(executable(), arguments + QStringList{QStringLiteral("--database"), database_->url()});
    tool.waitForFinished(30000);
    if (exitCode)
        *exitCode = tool.exitCode();
    return QString::fromUtf8(tool.readAllStandardOutput());
}
