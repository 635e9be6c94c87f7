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

bool isEnglish(const QLocale& locale) {
    return locale.language() == QLocale::English || locale.language() == QLocale::C;
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
    if (isEnglish(locale))
        return true;
    if (!translators.program.load(locale, name, QStringLiteral("_"), directory()))
        return false;
    QCoreApplication::installTranslator(&translators.program);
    if (translators.qt.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translators.qt);
    return true;
}

} // namespace Translations
