#pragma once

#include "appserver/commands/RowsCommand.h"

// `appserver export --format csv|json`: writes the translation rows the filters keep.
class ExportCommand : public RowsCommand {
    Q_DECLARE_TR_FUNCTIONS(ExportCommand)

public:
    ExportCommand(QTextStream& out, QTextStream& err);

protected:
    void write(const Storage& storage, const QString& format) override;
};
