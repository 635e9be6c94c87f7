#include "host/ConsoleDialogs.h"

#include <QTextStream>

ConsoleDialogs::ConsoleDialogs(bool answerYes, FILE* input, FILE* output, FILE* errors)
    : answerYes_(answerYes), in_(input), out_(output), err_(errors) {}

int ConsoleDialogs::messageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int) {
    if (type == mtError) {
        if (refusing_) {
            refusals_.append(text);
            return mrOk;
        }
        errors_.append(text);
        QTextStream(err_) << "error: " << text << Qt::endl;
        return mrOk;
    }
    if ((buttons & mbYes) && (buttons & mbNo))
        return ask(text) ? mrYes : mrNo;
    QTextStream(out_) << text << Qt::endl;
    return (buttons & mbOK) || buttons == 0 ? mrOk : mrYes;
}

bool ConsoleDialogs::ask(const QString& question) {
    QTextStream err(err_);
    err << question;
    if (answerYes_) {
        err << " [s/N] s (--yes)" << Qt::endl;
        return true;
    }
    err << " [s/N] " << Qt::flush;
    QTextStream in(in_);
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QLatin1String("s") || answer == QLatin1String("sim") || answer == QLatin1String("y") ||
           answer == QLatin1String("yes");
}

bool ConsoleDialogs::selectDirectory(QString& directory, TSelectDirOpts, int) {
    directory = directory_;
    return true;
}
