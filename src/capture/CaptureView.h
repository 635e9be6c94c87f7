#pragma once

#include "toolkit/AnsiString.h"

#include <QString>

// The window as a capture run sees it: the selected files and the language shown, read afresh
// at every step, and the controls the run drives.
class CaptureView {
public:
    virtual ~CaptureView() = default;

    virtual int SelectedCount() const = 0;
    virtual QString SelectedFile(int index) const = 0;
    virtual QString LanguageText() const = 0;
    virtual void FocusLanguage() = 0;

    virtual void SetImportEnabled(bool enabled) = 0;
    // The controls that change the directory, the file lists or the language.
    virtual void SetSelectionEnabled(bool enabled) = 0;
    virtual void SetStatus(const QString& text) = 0;
    virtual void SetProgressMaximum(int maximum) = 0;
    virtual void SetProgress(int position) = 0;
    virtual void AdvanceProgress(int lines) = 0;
    // The busy cursor, while the run scans or talks to the server.
    virtual void ShowBusy(bool busy) = 0;
    // Paints, and lets a click on Cancel reach the window.
    virtual void ProcessMessages() = 0;

    // What the run asks and tells the user, in the texts of the message table.
    // The confirmation before the scan: true to go on.
    virtual bool Confirm(const AnsiString& question) = 0;
    virtual void ShowError(const AnsiString& text) = 0;
    virtual void ShowSuccess(const AnsiString& text) = 0;
};
