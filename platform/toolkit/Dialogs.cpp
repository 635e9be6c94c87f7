#include "Dialogs.h"

#include "ScreenDialogs.h"

namespace {
std::unique_ptr<DialogService>& current() {
    static std::unique_ptr<DialogService> service = std::make_unique<ScreenDialogs>();
    return service;
}
} // namespace

DialogService& dialogService() {
    return *current();
}

std::unique_ptr<DialogService> setDialogService(std::unique_ptr<DialogService> service) {
    if (!service)
        service = std::make_unique<ScreenDialogs>();
    current().swap(service);
    return service;
}

int MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
    return dialogService().messageDlg(Ansi::toUnicode(text), type, buttons, helpContext);
}

bool SelectDirectory(AnsiString& directory, TSelectDirOpts options, int helpContext) {
    QString chosen = Ansi::toUnicode(directory);
    if (!dialogService().selectDirectory(chosen, options, helpContext))
        return false;
    directory = Ansi::fromUnicode(chosen, QStringLiteral("Directory"));
    return true;
}

void ShowMessage(const AnsiString& text) {
    dialogService().showMessage(Ansi::toUnicode(text));
}
