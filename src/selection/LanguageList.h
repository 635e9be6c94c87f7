#pragma once

#include "server/ServerLink.h"

#include "toolkit/AnsiString.h"
#include "toolkit/ClientDataSet.h"

#include <QStringList>

// The languages the server knows, as the language box offers them.
class LanguageList {
public:
    LanguageList(ServerLink& link, TClientDataSet& languages);

    // Fetches the list and hands back the box's items: code, "-", description, in the list's order.
    QStringList load();

    // The module's language code for the text the box shows, picked or typed: its first three
    // characters. No language code holds a character outside the code page, so such a text gives
    // no code.
    static AnsiString codeOf(const QString& shown);

    // The index of the item that given names, as the window takes a text for a language: the
    // item itself or its code, in any letter case; -1 for none.
    static int indexOf(const QStringList& items, const QString& given);

private:
    ServerLink& link_;
    TClientDataSet& languages_;
};
