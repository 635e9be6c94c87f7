#include "appserver/VersionCommand.h"

#include "appserver/DataPacket.h"
#include "appserver/Storage.h"

#include <QCommandLineParser>
#include <QTextStream>

void VersionCommand::declare(QCommandLineParser& parser) const {
    parser.setApplicationDescription(
        QStringLiteral("Shows the version record: DTGERARQTRAD, the time the translation data were last "
                       "generated (\"not set\" until a capture run stamps it), and the schema version."));
}

int VersionCommand::execute(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        return usageError(parser, QStringLiteral("version takes no arguments"));
    const std::unique_ptr<Storage> storage = openStorage(parser);
    if (!storage)
        return kFailed;
    const std::optional<QDateTime> stamp = storage->versionStamp();
    out() << "DTGERARQTRAD: " << (stamp ? formatDateTime(*stamp) : QStringLiteral("not set")) << "\n";
    out() << "schema version: " << storage->schemaVersion() << "\n";
    return kDone;
}
