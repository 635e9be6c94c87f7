#include "capture/LineCount.h"

#include "toolkit/Exceptions.h"
#include "toolkit/NativePath.h"
#include "toolkit/ObjectResource.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
        lines.Add(Ansi::fromUnicode(QString::fromUtf8(line),
                                    QCoreApplication::translate("LineCount", "Line %1 of %2")
                                        .arg(i + 1)
                                        .arg(NativePath::shown(path))));
    }
    return lines;
}

struct FormText {
    QByteArray bytes;
    TStreamOriginalFormat format = sofText;
};

// Opened by the name's own bytes, so that a directory whose name is not UTF-8 is read. Returns why
// not; empty once open.
QString openFormFile(QFile& file, const QString& path) {
    const int fd = ::open(NativePath::toBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return qt_error_string(errno);
    // A directory opens too, and only its reading would fail; QFile(path) refused it at once.
    if (struct stat status{}; fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd);
        return qt_error_string(EISDIR);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return {};
}

FormText convertFormFile(const QString& path) {
    FormText text;
    {
        QBuffer buffer(&text.bytes);
        buffer.open(QIODevice::WriteOnly);
        QFile file;
        if (const QString whyNot = openFormFile(file, path); !whyNot.isEmpty())
            throw EStreamError(QCoreApplication::translate("LineCount", "Cannot open the form file %1: %2")
                                   .arg(NativePath::shown(path), whyNot));
        // Read no further than the limit, whatever the size said: the file may grow meanwhile.
        QByteArray content =
            file.size() > kMaxFormFileBytes ? QByteArray() : file.read(kMaxFormFileBytes + 1);
        if (file.size() > kMaxFormFileBytes || content.size() > kMaxFormFileBytes)
            throw EStreamError(QCoreApplication::translate(
                                   "LineCount", "The form file %1 has more than %2 MiB; it is not read")
                                   .arg(NativePath::shown(path))
                                   .arg(kMaxFormFileBytes / (1024 * 1024)));
        file.close();
        QBuffer source(&content);
        source.open(QIODevice::ReadOnly);
        ObjectResourceToText(source, buffer, text.format, NativePath::shown(path));
    } // the file is closed before its lines are made
    return text;
}

} // namespace

TStringList ReadFormText(const QString& path) {
    const FormText text = convertFormFile(path);
    TStringList lines;
    lines.LoadFromBytes(text.bytes);
    return text.format == sofUTF8Text ? inCodePage(lines, path) : lines;
}
