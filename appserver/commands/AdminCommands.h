#pragma once

#include "appserver/commands/AdminCommand.h"
#include "appserver/commands/ServerOptions.h"

#include <memory>

// The administrative command a command line asks for, writing to out and err; nullptr when it asks
// for none (serving, the help, a line refused).
std::unique_ptr<AdminCommand> makeAdminCommand(ServerOptions::Request request, QTextStream& out,
                                               QTextStream& err);
