#include "appserver/commands/RowsCommand.h"

#include "appserver/storage/Storage.h"

#include <QCommandLineParser>

RowsCommand::RowsCommand(QTextStream& out, QTextStream& err, QString name, QString description,
                         QCommandLineOption formatOption, QStringList formats, RowFilter filter)
    : AdminCommand(out, err), name_(std::move(name)), description_(std::move(description)),
      formatOption_(std::move(formatOption)), formats_(std::move(formats)), filter_(std::move(filter)) {}

void RowsCommand::declare(QCommandLineParser& parser) const {
    parser.setApplicationDescription(description_);
    parser.addOption(formatOption_);
    filter_.declare(parser);
}

int RowsCommand::execute(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        return usageError(parser, tr("%1 takes no arguments besides its options").arg(name_));
    const QString format = parser.value(formatOption_);
    if (!formats_.contains(format))
        return usageError(parser, tr("--format must be %1 or %2").arg(formats_.first(), formats_.last()));

    const std::unique_ptr<Storage> storage = openStorage(parser);
    if (!storage)
        return kFailed;
    filter_.read(parser);
    write(*storage, format);
    return kDone;
}

void RowsCommand::forEachKept(const Storage& storage,
                              const std::function<void(const TranslationRow&)>& visit) const {
    storage.forEachTranslation([&](const TranslationRow& row) {
        if (filter_.keeps(row))
            visit(row);
    });
}
