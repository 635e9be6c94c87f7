#include "tests/support/ScriptedDialogs.h"

int ScriptedDialogs::messageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                int helpContext) {
    const Shown shown{text, type, buttons, helpContext};
    messages.append(shown);
    if (onMessage)
        onMessage(shown);
    if (!answers.isEmpty())
        return answers.takeFirst();
    return (buttons & mbYes) ? mrYes : mrOk;
}

bool ScriptedDialogs::selectDirectory(QString& directory, TSelectDirOpts options, int helpContext) {
    directoryRequests.append(options);
    initialDirectories.append(directory);
    helpContexts.append(helpContext);
    if (directories.isEmpty())
        return false;
    const std::optional<QString> answer = directories.takeFirst();
    if (!answer)
        return false;
    directory = *answer;
    return true;
}

QStringList ScriptedDialogs::texts() const {
    QStringList all;
    for (const Shown& shown : messages)
        all.append(shown.text);
    return all;
}

QStringList ScriptedDialogs::errorTexts() const {
    QStringList found;
    for (const Shown& shown : messages)
        if (shown.type == mtError)
            found.append(shown.text);
    return found;
}

ScriptedDialogsGuard::ScriptedDialogsGuard() {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    previous_ = setDialogService(std::move(dialogs));
}

ScriptedDialogsGuard::~ScriptedDialogsGuard() {
    setDialogService(std::move(previous_));
}
