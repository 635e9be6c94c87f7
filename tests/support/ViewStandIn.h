#pragma once

#include "capture/CaptureView.h"
#include "selection/NameList.h"
#include "selection/SelectionView.h"
#include "server/LinkActivity.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// Stands in for the capture window where the plain classes reach it: two name lists, the texts of
// the directory field and the language box, answers queued for its questions, and a record of
// everything the classes did to the rest (import button, status line, progress bar, focus, busy
// animation, messages).
class ViewStandIn : public CaptureView, public SelectionView, public LinkActivity {
public:
    enum class Kind { Confirmation, Error, Success };
    struct Shown {
        Kind kind;
        QString text;
    };

    NameList lsbDisp;
    NameList lsbSelec;
    QString directory;
    QString language;

    // Answers to the confirmation in turn; yes when none is left.
    QList<bool> answers;
    // Directory dialog answers in turn; std::nullopt: cancelled. None left: cancelled.
    QList<std::optional<QString>> directories;
    // Runs while a message is "on screen", before it is answered.
    std::function<void(const Shown&)> onMessage;
    QList<Shown> messages;
    // Each file refused, with the message shown for it.
    QStringList refusedFiles;

    bool importEnabled = false;
    bool selectionEnabled = true;
    // Each time the selection was enabled (true) or disabled (false), in order.
    QList<bool> selectionChanges;
    QString status;
    QStringList statusHistory;
    int progressMaximum = 0;
    int progress = 0;
    // The position after each time the progress was shown, and the status line at that moment.
    QList<int> progressSteps;
    QStringList statusAtStep;
    int languageFocused = 0;
    bool busy = false;
    // Runs where the window would let events through: where a click on Cancel would land.
    std::function<void()> onProcessMessages;

    QList<Wait> waits;
    int waitsEnded = 0;
    bool waiting() const { return waits.size() > waitsEnded; }

    QStringList texts() const {
        QStringList all;
        for (const Shown& shown : messages)
            all.append(shown.text);
        return all;
    }

    int selectedCount() const override { return lsbSelec.Count(); }
    QString selectedFile(int index) const override { return lsbSelec.Items(index); }
    QString languageText() const override { return language; }
    void focusLanguage() override { ++languageFocused; }
    void setImportEnabled(bool enabled) override { importEnabled = enabled; }
    void setSelectionEnabled(bool enabled) override {
        selectionEnabled = enabled;
        selectionChanges.append(enabled);
    }
    void setStatus(const QString& text) override {
        status = text;
        statusHistory.append(text);
    }
    void setProgressMaximum(int maximum) override { progressMaximum = maximum; }
    void setProgress(int position) override { progress = position; }
    void advanceProgress(int lines) override { progress += lines; }
    void showBusy(bool shown) override { busy = shown; }
    void processMessages() override {
        progressSteps.append(progress);
        statusAtStep.append(status);
        if (onProcessMessages)
            onProcessMessages();
    }
    bool confirm(const AnsiString& question) override {
        show(Kind::Confirmation, question);
        return answers.isEmpty() || answers.takeFirst();
    }
    void showError(const AnsiString& text) override { show(Kind::Error, text); }
    void showSuccess(const AnsiString& text) override { show(Kind::Success, text); }

    QString directoryText() const override { return directory; }
    void setDirectoryText(const QString& text) override { directory = text; }
    ListControl& available() override { return lsbDisp; }
    ListControl& selected() override { return lsbSelec; }
    bool chooseDirectory(QString& chosen) override {
        const std::optional<QString> answer = directories.isEmpty() ? std::nullopt : directories.takeFirst();
        if (answer)
            chosen = *answer;
        return answer.has_value();
    }
    void refuseFile(const QString& path, const AnsiString& message) override {
        refusedFiles.append(path);
        show(Kind::Error, message);
    }

    void begin(Wait wait) override { waits.append(wait); }
    void end() override { ++waitsEnded; }

private:
    void show(Kind kind, const AnsiString& text) {
        messages.append({kind, Ansi::toUnicode(text)});
        if (onMessage)
            onMessage(messages.constLast());
    }
};
