#include "tests/support/FormFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <stdexcept>

namespace {

void fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

} // namespace

FormFolder::FormFolder() {
    if (!dir_.isValid())
        fail(QStringLiteral("cannot create a temporary directory for form files"));
}

QString FormFolder::write(const QString& relativePath, const QByteArray& bytes) {
    const QString full = dir_.filePath(relativePath);
    QDir().mkpath(QFileInfo(full).path());
    QFile created(full);
    if (!created.open(QIODevice::WriteOnly) || created.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1").arg(full));
    return full;
}

QString FormFolder::file(const QString& relativePath) {
    return write(relativePath, "object Form1: TForm1\nend\n");
}

QString FormFolder::directory(const QString& relativePath) {
    const QString full = dir_.filePath(relativePath);
    if (!QDir().mkpath(full))
        fail(QStringLiteral("cannot create %1").arg(full));
    return full;
}

QString FormFolder::fifo(const QString& relativePath) {
    const QString full = dir_.filePath(relativePath);
    QDir().mkpath(QFileInfo(full).path());
    if (::mkfifo(QFile::encodeName(full).constData(), 0600) != 0)
        fail(QStringLiteral("cannot create the pipe %1").arg(full));
    return full;
}
