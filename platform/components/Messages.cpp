#include "components/Messages.h"

#include "toolkit/Exceptions.h"

#include <QCoreApplication>

AnsiString TMessages::Msg(const AnsiString& key) const {
    for (const AnsiString& entry : entries_) {
        const qsizetype bar = entry.indexOf('|');
        if (bar >= 0 && Ansi::SameText(entry.left(bar), key))
            return entry.mid(bar + 1);
    }
    throw Exception(QCoreApplication::translate("Messages", "The message table has no entry \"%1\"")
                        .arg(Ansi::toUnicode(key)));
}

int TMessages::ShowMsg(const AnsiString& key, TMsgDlgType type, TMsgDlgButtons buttons,
                       int helpContext) const {
    return MessageDlg(Msg(key), type, buttons, helpContext);
}
