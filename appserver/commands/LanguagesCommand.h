#pragma once

#include "appserver/commands/AdminCommand.h"

// `appserver languages [add CODE DESCRIPTION [PROP]]`: lists the languages the capture tool
// offers, or appends one.
class LanguagesCommand : public AdminCommand {
    Q_DECLARE_TR_FUNCTIONS(LanguagesCommand)

public:
    using AdminCommand::AdminCommand;

protected:
    void declare(QCommandLineParser& parser) const override;
    int execute(const QCommandLineParser& parser) override;

private:
    int add(Storage& storage, const QCommandLineParser& parser, const QStringList& args);
};
