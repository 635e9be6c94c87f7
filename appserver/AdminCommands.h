#pragma once

#include <QString>
#include <QStringList>

// The administrative subcommands. Each takes its own arguments with the command's display name
// first (as QCommandLineParser expects argv[0]), and the --database given before the subcommand
// name, if any (empty: not given). Returns the exit status: 0 done, 1 failed, 2 bad usage.

int runLanguagesCommand(const QStringList& arguments, const QString& database);
int runExportCommand(const QStringList& arguments, const QString& database);
int runStatsCommand(const QStringList& arguments, const QString& database);
int runVersionCommand(const QStringList& arguments, const QString& database);

// The --database option every command shares, and how its value becomes a location.
QString databaseOptionDescription();
