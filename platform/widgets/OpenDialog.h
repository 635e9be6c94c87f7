#pragma once

#include <QString>

// Settings of a file-open dialog kept with a window; Execute shows it.
class TOpenDialog {
public:
    QString Filter; // "description|pattern" pairs joined by "|"
    QString InitialDir;
    bool HideReadOnly = false;
    bool FileMustExist = false;
    QString FileName;

    // Shows the dialog; true when the user chose a file, now in FileName.
    bool Execute();
};
