#include "widgets/Application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>
#include <QWidget>

namespace {
QPointer<QWidget>& mainForm() {
    static QPointer<QWidget> form;
    return form;
}
} // namespace

namespace Application {

QWidget* MainForm() {
    return mainForm().data();
}

void SetMainForm(QWidget* form) {
    mainForm() = form;
}

QWidget* ActiveWindow() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return MainForm();
}

void ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool UsePortugueseQtTexts() {
    static QTranslator qtTexts;
    if (!qtTexts.isEmpty())
        return true;
    if (!qtTexts.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&qtTexts);
}

} // namespace Application
