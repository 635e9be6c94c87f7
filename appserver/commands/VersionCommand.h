#pragma once

#include "appserver/commands/AdminCommand.h"

// `appserver version`: shows the version record's stamp and the schema version.
class VersionCommand : public AdminCommand {
    Q_DECLARE_TR_FUNCTIONS(VersionCommand)

public:
    using AdminCommand::AdminCommand;

protected:
    void declare(QCommandLineParser& parser) const override;
    int execute(const QCommandLineParser& parser) override;
};
