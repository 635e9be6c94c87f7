#include "toolkit/Dialogs.h"

#include "toolkit/Exceptions.h"

#include <QCoreApplication>

namespace {

// Until a host installs its service, asking for a dialog is a failure of its own: nothing here
// knows whether there is a screen to show one on.
class NoDialogs : public DialogService {
public:
    int messageDlg(const QString& text, TMsgDlgType, TMsgDlgButtons, int) override { refuse(text); }
    bool selectDirectory(QString&, TSelectDirOpts, int) override {
        refuse(QCoreApplication::translate("Dialogs", "Select a directory"));
    }

private:
    [[noreturn]] static void refuse(const QString& text) {
        throw Exception(
            QCoreApplication::translate("Dialogs", "No dialog service is installed to show: %1").arg(text));
    }
};

std::unique_ptr<DialogService>& current() {
    static std::unique_ptr<DialogService> service = std::make_unique<NoDialogs>();
    return service;
}

} // namespace

DialogService& dialogService() {
    return *current();
}

std::unique_ptr<DialogService> setDialogService(std::unique_ptr<DialogService> service) {
    if (!service)
        service = std::make_unique<NoDialogs>();
    current().swap(service);
    return service;
}

int MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
    return dialogService().messageDlg(Ansi::toUnicode(text), type, buttons, helpContext);
}
