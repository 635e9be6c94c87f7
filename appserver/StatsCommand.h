#pragma once

#include "appserver/RowsCommand.h"

// `appserver stats`: counts the translation rows the filters keep, in all, per language and state,
// and per program.
class StatsCommand : public RowsCommand {
public:
    StatsCommand(QTextStream& out, QTextStream& err);

protected:
    void write(const Storage& storage, const QString& format) override;
};
