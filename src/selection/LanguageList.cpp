#include "selection/LanguageList.h"

LanguageList::LanguageList(ServerLink& link, TClientDataSet& languages)
    : link_(link), languages_(languages) {}

QStringList LanguageList::load() {
    link_.callGetIdiLeDfm(languages_);
    const TField* code = languages_.FieldByName(QStringLiteral("IDIDIOMA"));
    const TField* description = languages_.FieldByName(QStringLiteral("DSIDIOMA"));
    QStringList items;
    languages_.First();
    while (!languages_.Eof()) {
        items.append(Ansi::toUnicode(code->AsString() + "-" + description->AsString()));
        languages_.Next();
    }
    return items;
}

AnsiString LanguageList::codeOf(const QString& shown) {
    AnsiString code;
    Ansi::tryFromUnicode(shown.left(3), code);
    return code;
}

int LanguageList::indexOf(const QStringList& items, const QString& given) {
    for (int i = 0; i < items.size(); ++i) {
        const QString& item = items[i];
        if (item.compare(given, Qt::CaseInsensitive) == 0 ||
            item.left(item.indexOf(QLatin1Char('-'))).compare(given, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}
