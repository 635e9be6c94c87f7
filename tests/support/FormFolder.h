#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary directory to fill with form files and the other kinds of entries a form directory
// may hold.
class FormFolder {
public:
    FormFolder();

    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

    // Each returns the full path of what it made, creating missing parent directories.
    QString write(const QString& relativePath, const QByteArray& bytes);
    // A small text form.
    QString file(const QString& relativePath);
    QString directory(const QString& relativePath);
    QString fifo(const QString& relativePath);

private:
    QTemporaryDir dir_;
};
