#include "widgets/ScreenDialogs.h"

#include "widgets/Application.h"
#include "widgets/DirectoryDialog.h"

#include <QMessageBox>

namespace {

struct ButtonMap {
    TMsgDlgBtn bit;
    QMessageBox::StandardButton button;
    TModalResult result;
};

constexpr ButtonMap kButtons[] = {
    {mbYes, QMessageBox::Yes, mrYes},
    {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},
};

QMessageBox::Icon iconFor(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtInformation:
        return QMessageBox::Information;
    case mtConfirmation:
        return QMessageBox::Question;
    case mtCustom:
        break;
    }
    return QMessageBox::NoIcon;
}

QString titleFor(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return QCoreApplication::translate("ScreenDialogs", "Warning");
    case mtError:
        return QCoreApplication::translate("ScreenDialogs", "Error");
    case mtInformation:
        return QCoreApplication::translate("ScreenDialogs", "Information");
    case mtConfirmation:
        return QCoreApplication::translate("ScreenDialogs", "Confirmation");
    case mtCustom:
        break;
    }
    return QApplication::applicationDisplayName();
}

} // namespace

int ScreenDialogs::messageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int) {
    QMessageBox box(iconFor(type), titleFor(type), text, QMessageBox::NoButton, Application::ActiveWindow());
    for (const ButtonMap& entry : kButtons)
        if (buttons & entry.bit)
            box.addButton(entry.button);
    if (buttons == 0)
        box.addButton(QMessageBox::Ok);
    const int pressed = box.exec();
    for (const ButtonMap& entry : kButtons)
        if (pressed == entry.button)
            return entry.result;
    return mrCancel; // closed by the window's close box or Escape
}

bool ScreenDialogs::selectDirectory(QString& directory, TSelectDirOpts options, int) {
    DirectoryDialog dialog(Application::ActiveWindow(), QStringLiteral("Selecione o Diretório"), directory,
                           (options & sdAllowCreate) != 0);
    if (dialog.exec() != QDialog::Accepted || dialog.chosenDirectory().isEmpty())
        return false;
    directory = dialog.chosenDirectory();
    return true;
}
