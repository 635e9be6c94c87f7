#pragma once

#include "toolkit/AnsiString.h"
#include "toolkit/Dialogs.h"

#include <QList>

// A window's table of user messages, each entry written "key|text". Keys match without regard
// to letter case; the first entry with a key wins.
class TMessages {
public:
    TMessages() = default;
    explicit TMessages(const QList<AnsiString>& entries) : entries_(entries) {}

    const QList<AnsiString>& Entries() const { return entries_; }
    void SetEntries(const QList<AnsiString>& entries) { entries_ = entries; }

    // The text of key; Exception when the table has no such key.
    AnsiString Msg(const AnsiString& key) const;
    // Shows the text of key in a message dialog and returns the button pressed.
    int ShowMsg(const AnsiString& key, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) const;

private:
    QList<AnsiString> entries_;
};
