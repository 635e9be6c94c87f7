#include "tests/capturecommand/CorpusForms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

QString corpusDirectory() {
    return QStringLiteral(VDR_CORPUS_DIR);
}

QList<CorpusForm> corpusForms(const QString& kind) {
    QFile sources(corpusDirectory() + QStringLiteral("/SOURCES.md"));
    if (!sources.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QString section = QStringLiteral("## %1/").arg(kind);
    QList<CorpusForm> forms;
    bool inSection = false;
    for (const QString& line : QString::fromUtf8(sources.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("## "))) {
            inSection = line.startsWith(section);
            continue;
        }
        if (!inSection || !line.startsWith(QLatin1Char('|')))
            continue;
        const QStringList cells = line.split(QLatin1Char('|'));
        // | stored name | repository | path in repository | commit | license | bytes |
        if (cells.size() < 4)
            continue;
        const QString stored = cells[1].trimmed();
        if (stored == QLatin1String("stored name") || stored.startsWith(QLatin1Char('-')))
            continue;
        forms.append({corpusDirectory() + QLatin1Char('/') + kind + QLatin1Char('/') + stored,
                      cells[2].trimmed(), cells[3].trimmed()});
    }
    return forms;
}

QStringList copyAsCheckedOut(const QList<CorpusForm>& forms, const QString& root) {
    QStringList directories;
    for (const CorpusForm& form : forms) {
        const QFileInfo original(form.pathInRepository);
        const QString directory =
            QDir::cleanPath(root + QLatin1Char('/') + form.repository + QLatin1Char('/') + original.path());
        if (!QDir().mkpath(directory))
            ADD_FAILURE() << "cannot create " << directory.toStdString();
        const QString target = directory + QLatin1Char('/') + original.fileName();
        if (!QFile::copy(form.storedPath, target))
            ADD_FAILURE() << "cannot copy " << form.storedPath.toStdString() << " to "
                          << target.toStdString();
        if (!directories.contains(directory))
            directories.append(directory);
    }
    return directories;
}

int textLines(const QByteArray& bytes) {
    int lines = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++lines;
    }
    if (!bytes.isEmpty() && bytes.back() != '\n' && bytes.back() != '\r')
        ++lines;
    return lines;
}
