#pragma once

#include "selection/ListControl.h"

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
};
