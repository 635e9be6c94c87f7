#pragma once

#include "toolkit/AnsiString.h"

#include <QString>

// The window as a capture run sees it: the selected files and the language shown, read afresh
// at every step, and the controls the run drives.
class CaptureView {
public:
    virtual ~CaptureView() = default;

    virtual int selectedCount() const = 0;
    virtual QString selectedFile(int index) const = 0;
    virtual QString languageText() const = 0;
    virtual void focusLanguage() = 0;

    virtual void setImportEnabled(bool enabled) = 0;
    // The controls that change the directory, the file lists or the language.
    virtual void setSelectionEnabled(bool enabled) = 0;
    virtual void setStatus(const QString& text) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgress(int position) = 0;
    virtual void advanceProgress(int lines) = 0;
    // The busy cursor, while the run scans or talks to the server.
    virtual void showBusy(bool busy) = 0;
    // Paints, and lets a click on Cancel reach the window.
    virtual void processMessages() = 0;

    // What the run asks and tells the user, in the texts of the message table.
    // The confirmation before the scan: true to go on.
    virtual bool confirm(const AnsiString& question) = 0;
    virtual void showError(const AnsiString& text) = 0;
    virtual void showSuccess(const AnsiString& text) = 0;
};
