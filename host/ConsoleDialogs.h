#pragma once

#include "toolkit/Dialogs.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <utility>

// The dialog service of the capture command: every message the window shows is printed, the
// confirmation is answered from the command line or asked on the terminal, and the directory
// dialog answers with the directory the command is at.
class ConsoleDialogs : public DialogService {
public:
    explicit ConsoleDialogs(bool answerYes, FILE* input = stdin, FILE* output = stdout,
                            FILE* errors = stderr);

    void setDirectory(const QString& directory) { directory_ = directory; }
    // While the window only refuses a choice, its error messages fail nothing: they are kept
    // for the caller to tell, who knows what was refused.
    void setRefusing(bool refusing) { refusing_ = refusing; }
    QStringList takeRefusals() { return std::exchange(refusals_, {}); }

    int messageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) override;
    bool selectDirectory(QString& directory, TSelectDirOpts options, int helpContext) override;

    // The error messages the window showed that fail the command.
    const QStringList& errors() const { return errors_; }

private:
    bool ask(const QString& question);

    QString directory_;
    bool answerYes_;
    FILE* in_;
    FILE* out_;
    FILE* err_;
    bool refusing_ = false;
    QStringList errors_;
    QStringList refusals_;
};
