#include "toolkit/FileSearch.h"

#include <QDir>
#include <QFileInfo>

QStringList FindFiles(const QString& pattern, int attributes) {
    const qsizetype slash = pattern.lastIndexOf(QLatin1Char('/'));
    const QString directory = slash < 0 ? QStringLiteral(".") : pattern.left(slash + 1);
    const QString namePattern = pattern.mid(slash + 1);

    QDir dir(directory);
    dir.setNameFilters({namePattern});
    QDir::Filters filters = QDir::NoDotAndDotDot; // names match ignoring case unless told otherwise
    if (attributes & faArchive)
        filters |= QDir::Files;
    if (attributes & faDirectory)
        filters |= QDir::Dirs;
    if (attributes & (faHidden | faSysFile))
        filters |= QDir::Hidden | QDir::System;
    dir.setFilter(filters);
    dir.setSorting(QDir::Unsorted);

    QStringList names;
    for (const QFileInfo& info : dir.entryInfoList()) {
        // Devices, sockets and pipes are not form files, whatever their name.
        if (!(attributes & faSysFile) && !info.isDir() && !info.isFile())
            continue;
        names.append(info.fileName());
    }
    return names;
}
