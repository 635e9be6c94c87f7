#include "selection/FileList.h"

namespace FileList {

QString SeparatorFor(const QString& directory) {
    return directory.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
}

QString ExtractFileName(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool StartsWithDirectory(const QString& path, const QString& directory) {
    return path.startsWith(directory, Qt::CaseSensitive);
}

} // namespace FileList
