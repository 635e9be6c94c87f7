#pragma once

#include "appserver/commands/AdminCommand.h"
#include "appserver/commands/RowFilter.h"

#include <functional>

// A command that writes something of the translation rows the filters keep, in the format --format
// names. It takes no positional arguments.
class RowsCommand : public AdminCommand {
    Q_DECLARE_TR_FUNCTIONS(RowsCommand)

protected:
    // name: the command's, for its messages; formats: the two values --format accepts.
    RowsCommand(QTextStream& out, QTextStream& err, QString name, QString description,
                QCommandLineOption formatOption, QStringList formats, RowFilter filter);

    // Writes to out() in format, one of the formats, visiting the rows with forEachKept.
    virtual void write(const Storage& storage, const QString& format) = 0;
    void forEachKept(const Storage& storage, const std::function<void(const TranslationRow&)>& visit) const;

private:
    void declare(QCommandLineParser& parser) const final;
    int execute(const QCommandLineParser& parser) final;

    const QString name_;
    const QString description_;
    const QCommandLineOption formatOption_;
    const QStringList formats_;
    RowFilter filter_;
};
