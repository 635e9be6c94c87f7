#pragma once

#include "toolkit/AnsiString.h"

#include <QString>

#include <memory>

// Dialog types, button bits and results with the values the module passes and tests for.
enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

using TMsgDlgButtons = unsigned;
enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
};

enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7
};

using TSelectDirOpts = unsigned;
enum TSelectDirOpt : unsigned { sdAllowCreate = 1u << 0, sdPerformCreate = 1u << 1, sdPrompt = 1u << 2 };

// Every dialog the platform shows goes through one replaceable service, so that tests and the
// headless capture command answer dialogs without a modal box on screen.
class DialogService {
public:
    virtual ~DialogService() = default;
    virtual int messageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                           int helpContext) = 0;
    // Returns false when the user cancels; otherwise directory holds the choice.
    virtual bool selectDirectory(QString& directory, TSelectDirOpts options, int helpContext) = 0;
};

// The service in force: the one the host installed (the on-screen one in a desktop host); until
// then every dialog fails with an Exception.
DialogService& dialogService();
// Replaces the service; returns the previous one so that callers can put it back. An empty
// service uninstalls.
std::unique_ptr<DialogService> setDialogService(std::unique_ptr<DialogService> service);

int MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);
