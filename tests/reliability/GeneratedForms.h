#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A directory of form files written for these tests: forms × captions labels and buttons each,
// with captions unique across the directory, reproducible from the seed.
class GeneratedForms {
public:
    // prefix starts every file name, and so every program code.
    GeneratedForms(int forms, int captionsPerForm, unsigned seed = 1,
                   const QString& prefix = QStringLiteral("T"));

    QString path() const { return dir_.path(); }
    int captionCount() const { return forms_ * captions_; }

private:
    QTemporaryDir dir_;
    int forms_;
    int captions_;
};

// The rows a capture stores, as comparable text without their capture times.
QStringList storedRows(const class ServerProcess& server);
