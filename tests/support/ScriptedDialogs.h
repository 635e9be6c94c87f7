#pragma once

#include "toolkit/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A dialog service for tests: records every dialog and answers from what the test queued, so no
// modal box ever waits for a person.
class ScriptedDialogs : public DialogService {
public:
    struct Shown {
        QString text;
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        int helpContext;
    };

    // Answers given to message dialogs in turn; when none is left, mrOk (or mrYes for Yes/No).
    QList<int> answers;
    // Directory answers in turn; std::nullopt means "cancelled". When none is left: cancelled.
    QList<std::optional<QString>> directories;
    // Runs while a message dialog is "on screen", before it is answered.
    std::function<void(const Shown&)> onMessage;

    QList<Shown> messages;
    // Each directory dialog asked for: its options, the directory it starts from, its help context.
    QList<TSelectDirOpts> directoryRequests;
    QStringList initialDirectories;
    QList<int> helpContexts;

    int messageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) override;
    bool selectDirectory(QString& directory, TSelectDirOpts options, int helpContext) override;

    QStringList texts() const;
    // The texts of the error messages shown.
    QStringList errorTexts() const;
};

// Installs a ScriptedDialogs for the lifetime of the guard and puts the previous service back.
class ScriptedDialogsGuard {
public:
    ScriptedDialogsGuard();
    ~ScriptedDialogsGuard();
    ScriptedDialogs& operator*() { return *dialogs_; }
    ScriptedDialogs* operator->() { return dialogs_; }

private:
    ScriptedDialogs* dialogs_;
    std::unique_ptr<DialogService> previous_;
};
