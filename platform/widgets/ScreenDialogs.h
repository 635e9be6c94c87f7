#pragma once

#include "toolkit/Dialogs.h"

// The dialog service on screen: Qt message boxes and the directory chooser.
class ScreenDialogs : public DialogService {
public:
    int messageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) override;
    bool selectDirectory(QString& directory, TSelectDirOpts options, int helpContext) override;
};
