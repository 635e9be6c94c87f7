#pragma once

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <memory>

class QCommandLineParser;
class QTextStream;
class Storage;

// One administrative subcommand of appserver. It parses its own arguments, with the --database and
// --help every command takes, and writes to the streams it is given rather than to the process's,
// so that it runs the same inside another program (the tests) as in appserver.
class AdminCommand {
    Q_DECLARE_TR_FUNCTIONS(AdminCommand)

public:
    AdminCommand(QTextStream& out, QTextStream& err);
    virtual ~AdminCommand();
    AdminCommand(const AdminCommand&) = delete;
    AdminCommand& operator=(const AdminCommand&) = delete;

    // arguments: the command's own, its display name first (as QCommandLineParser expects argv[0]);
    // database: the --database given before the command's name (empty: none). Returns the exit
    // status: 0 done, 1 failed, 2 bad usage. Both streams are flushed on return.
    int run(const QStringList& arguments, const QString& database);

protected:
    static constexpr int kDone = 0;
    static constexpr int kFailed = 1;
    static constexpr int kBadUsage = 2;

    // The description, options and positional arguments of the command's own.
    virtual void declare(QCommandLineParser& parser) const = 0;
    // The command, once its arguments parsed and no help was asked for; the exit status. A
    // StorageError it lets through fails the command with the database's message.
    virtual int execute(const QCommandLineParser& parser) = 0;

    // The database --database names, after the command's name or before it, else the default one;
    // nullptr, having said why, when it cannot be opened.
    std::unique_ptr<Storage> openStorage(const QCommandLineParser& parser);
    // Says what is wrong and how the command is used; the exit status for it.
    int usageError(const QCommandLineParser& parser, const QString& message);

    QTextStream& out() { return out_; }

private:
    QTextStream& out_;
    QTextStream& err_;
    const QCommandLineOption databaseOption_;
    const QCommandLineOption helpOption_;
    QString inheritedDatabase_;
};

// What --database takes, for every command and the server alike.
QString databaseOptionDescription();
