#include "toolkit/FileSearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

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

namespace {

QString shownWithEscapes(const QByteArray& name) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString shown;
    qsizetype i = 0;
    while (i < name.size()) {
        // The shortest sequence from here that decodes cleanly is one character; none: a stray byte.
        QString decoded;
        qsizetype length = 1;
        for (; length <= 4 && i + length <= name.size(); ++length) {
            decoded = utf8.decode(QByteArrayView(name).sliced(i, length));
            const bool clean = !utf8.hasError() && !decoded.contains(QChar::ReplacementCharacter);
            utf8.resetState();
            if (clean)
                break;
            decoded.clear();
        }
        if (decoded.isEmpty()) {
            shown += QStringLiteral("\\x") + QString::number(static_cast<uchar>(name[i]), 16)
                                                 .rightJustified(2, QLatin1Char('0'))
                                                 .toUpper();
            ++i;
        } else {
            shown += decoded;
            i += length;
        }
    }
    return shown;
}

} // namespace

QStringList FindUndecodableFiles(const QString& pattern) {
    const qsizetype slash = pattern.lastIndexOf(QLatin1Char('/'));
    const QString directory = slash < 0 ? QStringLiteral(".") : pattern.left(slash + 1);
    const QRegularExpression matches =
        QRegularExpression::fromWildcard(pattern.mid(slash + 1), Qt::CaseInsensitive);

    const QByteArray encodedDirectory = QFile::encodeName(directory);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(encodedDirectory.constData()), closedir);
    QStringList names;
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.') || QFile::encodeName(QFile::decodeName(name)) == name)
            continue;
        struct stat status {};
        if (stat((encodedDirectory + '/' + name).constData(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        const QString shown = shownWithEscapes(name);
        if (matches.match(shown).hasMatch())
            names.append(shown);
    }
    names.sort();
    return names;
}
