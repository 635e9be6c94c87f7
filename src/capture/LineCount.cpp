#include "LineCount.h"

#include "Exceptions.h"
#include "ObjectResource.h"

#include <QBuffer>
#include <QFile>

TStringList ReadFormText(const QString& path) {
    TStreamOriginalFormat format = sofText;
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw EStreamError(QStringLiteral("Cannot open the form file %1: %2").arg(path, file.errorString()));
        ObjectResourceToText(file, text, format, path);
    } // the file is closed before its lines are made
    TStringList lines;
    lines.LoadFromBytes(text.data());
    return lines;
}

int ContaLinhas(const QString& path) {
    return ReadFormText(path).Count();
}
