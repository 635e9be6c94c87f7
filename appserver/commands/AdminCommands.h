#pragma once

#include "appserver/commands/AdminCommand.h"

#include <QString>

#include <memory>
#include <span>

class QTextStream;

// One administrative command of appserver. The list of them, adminCommands(), is the only one:
// the server's help, the command names its command line takes and main()'s dispatch all read it.
struct AdminCommandEntry {
    const char* name;
    // Its arguments, as the server's help shows them after the name.
    const char* synopsis;
    // What it does, in one line of the server's help (translated in the AdminCommands context).
    const char* summary;
    // The command, writing to out and err.
    std::unique_ptr<AdminCommand> (*make)(QTextStream& out, QTextStream& err);
};

// Every administrative command, in the order the server's help lists them.
std::span<const AdminCommandEntry> adminCommands();
// The command called name; nullptr when there is none.
const AdminCommandEntry* findAdminCommand(const QString& name);
// The commands for the server's help: a line each, the usage, then the summary.
QString adminCommandsHelp();
// Their names as a sentence lists them: "languages, export, stats or version".
QString adminCommandNames();
