#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The shared corpus of real form files. Each file is stored flat as owner__repository__name;
// SOURCES.md tells the repository and the path it had there.
struct CorpusForm {
    QString storedPath;       // the file in the corpus
    QString repository;       // owner/name
    QString pathInRepository; // folders and original file name
};

QString corpusDirectory();

// The forms of one kind (the corpus folder, e.g. "ebf") as SOURCES.md lists them; empty when the
// corpus is absent.
QList<CorpusForm> corpusForms(const QString& kind);

// Copies each form under its original name into root/<repository>/<folder in the repository>, as
// a checkout would hold it, and returns those directories in order.
QStringList copyAsCheckedOut(const QList<CorpusForm>& forms, const QString& root);

// Lines of text as the capture reads them: CR, LF and CR LF end a line, and a last line without
// an end counts too.
int textLines(const QByteArray& bytes);
