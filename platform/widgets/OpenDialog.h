#pragma once

#include <QString>

// Settings of a file-open dialog kept with a window. Nothing in this tool shows one.
class TOpenDialog {
public:
    QString Filter; // "description|pattern" pairs joined by "|"
    QString InitialDir;
    bool HideReadOnly = false;
    bool FileMustExist = false;
};
