#include "LineCount.h"

#include "Exceptions.h"
#include "ObjectResource.h"

#include <QBuffer>
#include <QFile>

namespace {

// The module holds its strings in Windows-1252, so a form text saved as UTF-8 (it says so with its
// byte-order mark) is brought into that code page line by line; read as it is, every accented
// caption would reach the server garbled. A character the code page cannot hold fails the file
// before anything is stored, naming the line.
TStringList inCodePage(const TStringList& utf8Lines, const QString& path) {
    static const QByteArray byteOrderMark("\xEF\xBB\xBF");
    TStringList lines;
    for (int i = 0; i < utf8Lines.Count(); ++i) {
        QByteArray line = utf8Lines[i];
        if (i == 0 && line.startsWith(byteOrderMark))
            line.remove(0, byteOrderMark.size());
        lines.Add(
            Ansi::fromUnicode(QString::fromUtf8(line), QStringLiteral("Line %1 of %2").arg(i + 1).arg(path)));
    }
    return lines;
}

} // namespace

TStringList ReadFormText(const QString& path) {
    TStreamOriginalFormat format = sofText;
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw EStreamError(
                QStringLiteral("Cannot open the form file %1: %2").arg(path, file.errorString()));
        ObjectResourceToText(file, text, format, path);
    } // the file is closed before its lines are made
    TStringList lines;
    lines.LoadFromBytes(text.data());
    return format == sofUTF8Text ? inCodePage(lines, path) : lines;
}

int ContaLinhas(const QString& path) {
    return ReadFormText(path).Count();
}
