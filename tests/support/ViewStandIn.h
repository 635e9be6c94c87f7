#pragma once

#include "capture/CaptureView.h"
#include "selection/SelectionView.h"
#include "server/LinkActivity.h"
#include "window/ListBoxControl.h"

#include "widgets/ListBox.h"

#include <QList>
#include <QStringList>

#include <functional>

// Stands in for the capture window where the plain classes reach it: two real list boxes, the
// texts of the directory field and the language box, and a record of everything the classes did
// to the rest (import button, status line, progress bar, focus, busy animation).
class ViewStandIn : public CaptureView, public SelectionView, public LinkActivity {
public:
    ViewStandIn() {
        lsbDisp.SetSorted(true);
        lsbSelec.SetSorted(true);
    }

    TListBox lsbDisp;
    TListBox lsbSelec;
    QString directory;
    QString language;

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

    int SelectedCount() const override { return lsbSelec.Count(); }
    QString SelectedFile(int index) const override { return lsbSelec.Items(index); }
    QString LanguageText() const override { return language; }
    void FocusLanguage() override { ++languageFocused; }
    void SetImportEnabled(bool enabled) override { importEnabled = enabled; }
    void SetSelectionEnabled(bool enabled) override {
        selectionEnabled = enabled;
        selectionChanges.append(enabled);
    }
    void SetStatus(const QString& text) override {
        status = text;
        statusHistory.append(text);
    }
    void SetProgressMaximum(int maximum) override { progressMaximum = maximum; }
    void SetProgress(int position) override { progress = position; }
    void AdvanceProgress(int lines) override { progress += lines; }
    void ShowBusy(bool shown) override { busy = shown; }
    void ProcessMessages() override {
        progressSteps.append(progress);
        statusAtStep.append(status);
        if (onProcessMessages)
            onProcessMessages();
    }

    QString DirectoryText() const override { return directory; }
    void SetDirectoryText(const QString& text) override { directory = text; }
    ListControl& Available() override { return available_; }
    ListControl& Selected() override { return selected_; }

    void Begin(Wait wait) override { waits.append(wait); }
    void End() override { ++waitsEnded; }

private:
    ListBoxControl available_{&lsbDisp};
    ListBoxControl selected_{&lsbSelec};
};
