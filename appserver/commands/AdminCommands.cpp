#include "appserver/commands/AdminCommands.h"

#include "appserver/commands/ExportCommand.h"
#include "appserver/commands/LanguagesCommand.h"
#include "appserver/commands/StatsCommand.h"
#include "appserver/commands/VersionCommand.h"

std::unique_ptr<AdminCommand> makeAdminCommand(ServerOptions::Request request, QTextStream& out,
                                               QTextStream& err) {
    switch (request) {
    case ServerOptions::Request::Languages:
        return std::make_unique<LanguagesCommand>(out, err);
    case ServerOptions::Request::Export:
        return std::make_unique<ExportCommand>(out, err);
    case ServerOptions::Request::Stats:
        return std::make_unique<StatsCommand>(out, err);
    case ServerOptions::Request::Version:
        return std::make_unique<VersionCommand>(out, err);
    case ServerOptions::Request::Serve:
    case ServerOptions::Request::ShowHelp:
    case ServerOptions::Request::UsageError:
        break;
    }
    return nullptr;
}
