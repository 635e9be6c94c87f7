#include "widgets/Application.h"

#include "locale/Translations.h"

#include <QLocale>
#include <QPointer>
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

bool UsePortugueseTexts() {
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    QLocale::setDefault(brazil);
    return Translations::install(brazil, Translations::kProgramCatalog);
}

} // namespace Application
