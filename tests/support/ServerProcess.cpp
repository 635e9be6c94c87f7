#include "tests/support/ServerProcess.h"

#include <stdexcept>

namespace {

std::unique_ptr<TestDatabase> newDatabase(StorageKind storage) {
    if (const QString why = TestDatabase::unavailableReason(storage); !why.isEmpty())
        throw std::runtime_error(why.toStdString());
    return std::make_unique<TestDatabase>(storage);
}

} // namespace

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
    process_.setDatabaseUrl(database_->url());
    start();
}

ServerProcess::~ServerProcess() {
    stop();
}

void ServerProcess::start() {
    if (!process_.start(extraArguments_)) {
        process_.stop(SIGKILL);
        throw std::runtime_error("appserver did not come up:\n" + process_.listeningLine().toStdString() +
                                 "\n" + log().toStdString());
    }
}

void ServerProcess::stop(bool hard) {
    process_.stop(hard ? SIGKILL : SIGTERM);
}

void ServerProcess::restart() {
    stop();
    process_.setListenPort(process_.port());
    start();
}

QString ServerProcess::admin(const QStringList& arguments, int* exitCode) const {
    const AppserverProcess::CommandResult result = process_.runCommand(arguments);
    if (exitCode)
        *exitCode = result.exitCode;
    return result.out;
}
