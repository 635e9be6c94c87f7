#pragma once

#include "toolkit/Dialogs.h"

#include <QString>

#include <cstdio>

// The dialog service of the capture command: every message the window shows is printed, the
// confirmation is answered from the command line or asked on the terminal, and the directory
// dialog answers with the directory the command was given.
class ConsoleDialogs : public DialogService {
public:
    ConsoleDialogs(QString directory, bool answerYes, FILE* input = stdin, FILE* output = stdout,
                   FILE* errors = stderr);

    int messageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) override;
    bool selectDirectory(QString& directory, TSelectDirOpts options, int helpContext) override;

    // How many error messages the window showed.
    int errorCount() const { return errors_; }

private:
    bool ask(const QString& question);

    QString directory_;
    bool answerYes_;
    FILE* in_;
    FILE* out_;
    FILE* err_;
    int errors_ = 0;
};
