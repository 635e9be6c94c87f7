#pragma once

#include <QString>
#include <QTemporaryDir>

// A scratch directory to fill with the kinds of entries a form directory may hold.
class FormFolder {
public:
    FormFolder();

    QString path() const { return dir_.path(); }

    // Each returns the full path of what it made, creating missing parent directories.
    QString file(const QString& relativePath);
    QString directory(const QString& relativePath);
    QString fifo(const QString& relativePath);

private:
    QTemporaryDir dir_;
};
