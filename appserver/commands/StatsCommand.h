#pragma once

#include "appserver/commands/RowsCommand.h"

// `appserver stats`: counts the translation rows the filters keep, in all, per language and state,
// and per program.
class StatsCommand : public RowsCommand {
    Q_DECLARE_TR_FUNCTIONS(StatsCommand)

public:
    StatsCommand(QTextStream& out, QTextStream& err);

protected:
    void write(const Storage& storage, const QString& format) override;
};
