#pragma once

#include "selection/ListControl.h"

#include "toolkit/AnsiString.h"

#include <QString>

// The controls of the selection as the file lists see them. The texts are read afresh each time.
class SelectionView {
public:
    virtual ~SelectionView() = default;
    virtual QString directoryText() const = 0;
    virtual void setDirectoryText(const QString& text) = 0;
    virtual ListControl& available() = 0;
    virtual ListControl& selected() = 0;
    virtual QString languageText() const = 0;
    virtual void setImportEnabled(bool enabled) = 0;

    // The directory dialog: false when the user cancels; otherwise directory holds the choice.
    virtual bool chooseDirectory(QString& directory) = 0;
    // A file the selected list holds already stays available, and the user is told why.
    virtual void refuseFile(const QString& path, const AnsiString& message) = 0;
};
