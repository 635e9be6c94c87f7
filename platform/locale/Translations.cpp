#include "locale/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

struct Installed {
    QTranslator program;
    QTranslator qt;
};

Installed& installed() {
    static Installed translators;
    return translators;
}

// The language messages are wanted in: for the system's locale that is LC_MESSAGES's (or
// LANGUAGE's), which may differ from the one numbers and dates follow.
bool speaksEnglish(const QLocale& locale) {
    const QStringList languages = locale.uiLanguages();
    if (languages.isEmpty())
        return true;
    const QLocale::Language first = QLocale(languages.constFirst()).language();
    return first == QLocale::English || first == QLocale::C;
}

} // namespace

namespace Translations {

QString directory() {
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../share/vdr04000/translations"));
}

bool install(const QLocale& locale, const QString& name) {
    Installed& translators = installed();
    QCoreApplication::removeTranslator(&translators.program);
    QCoreApplication::removeTranslator(&translators.qt);
    if (!translators.program.load(locale, name, QStringLiteral("_"), directory()))
        return speaksEnglish(locale);
    QCoreApplication::installTranslator(&translators.program);
    if (translators.qt.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translators.qt);
    return true;
}

} // namespace Translations
