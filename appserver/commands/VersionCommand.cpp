#include "appserver/commands/VersionCommand.h"

#include "appserver/object/DataPacket.h"
#include "appserver/storage/Storage.h"

#include <QCommandLineParser>
#include <QTextStream>

void VersionCommand::declare(QCommandLineParser& parser) const {
    parser.setApplicationDescription(
        tr("Shows the version record: DTGERARQTRAD, the time the translation data were last "
           "generated (\"not set\" until a capture run stamps it), and the schema version."));
}

int VersionCommand::execute(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        return usageError(parser, tr("version takes no arguments"));
    const std::unique_ptr<Storage> storage = openStorage(parser);
    if (!storage)
        return kFailed;
    const std::optional<QDateTime> stamp = storage->versionStamp();
    // The field's name stays as the record names it; "not set" and the heading are for the reader.
    out() << "DTGERARQTRAD: " << (stamp ? formatDateTime(*stamp) : tr("not set")) << "\n";
    out() << tr("schema version: %1").arg(storage->schemaVersion()) << "\n";
    return kDone;
}
