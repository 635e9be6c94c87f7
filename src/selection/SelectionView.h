#pragma once

#include "selection/ListControl.h"

#include "toolkit/AnsiString.h"

#include <QString>

// The controls of the selection as the file lists see them. The texts are read afresh each time.
class SelectionView {
public:
    virtual ~SelectionView() = default;
    virtual QString DirectoryText() const = 0;
    virtual void SetDirectoryText(const QString& text) = 0;
    virtual ListControl& Available() = 0;
    virtual ListControl& Selected() = 0;
    virtual QString LanguageText() const = 0;
    virtual void SetImportEnabled(bool enabled) = 0;

    // The directory dialog: false when the user cancels; otherwise directory holds the choice.
    virtual bool ChooseDirectory(QString& directory) = 0;
    // A file the selected list holds already stays available, and the user is told why.
    virtual void RefuseFile(const QString& path, const AnsiString& message) = 0;
};
