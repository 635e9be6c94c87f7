#pragma once

#include "components/ServerSettings.h"
#include "package/Cli_Vdr04000.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/ServerProcess.h"
#include "window/LeituraPocket.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include <memory>

// The scripted dialogs, also keeping what the window hands the directory dialog to start from.
class RecordingDialogs : public ScriptedDialogs {
public:
    QStringList initialDirectories;
    QList<int> helpContexts;

    bool selectDirectory(QString& directory, TSelectDirOpts options, int helpContext) override {
        initialDirectories.append(directory);
        helpContexts.append(helpContext);
        return ScriptedDialogs::selectDirectory(directory, options, helpContext);
    }
};

// A capture window against a server of its own, with every dialog scripted and recorded. The
// module's language code is reset around each test, because the window shares it with the next.
class SelectionFixture : public testing::Test {
protected:
    SelectionFixture() {
        auto recording = std::make_unique<RecordingDialogs>();
        dialogs = recording.get();
        previousDialogs_ = setDialogService(std::move(recording));
    }
    ~SelectionFixture() override { setDialogService(std::move(previousDialogs_)); }

    void SetUp() override {
        stIdiLeDfm.clear();
        ServerSettings::setOverride(server.host(), server.port());
        beforeWindow();
        form = createWindow();
    }
    void TearDown() override {
        form.reset();
        ServerSettings::clearOverride();
        stIdiLeDfm.clear();
    }

    // Runs before the window is created: the place to prepare the server or the module state.
    virtual void beforeWindow() {}

    static std::unique_ptr<TfrmLeituraPocket> createWindow() {
        return std::unique_ptr<TfrmLeituraPocket>(TfrmPadrImportExport::Create<TfrmLeituraPocket>(nullptr));
    }

    static QStringList entries(const TListBox& list) {
        QStringList all;
        for (int i = 0; i < list.Count(); ++i)
            all.append(list.Items(i));
        return all;
    }

    static void fill(TListBox& list, const QStringList& texts) {
        for (const QString& text : texts)
            list.Add(text);
    }

    // Picks the box's entry starting with code, as a pick from the drop-down does.
    void chooseLanguage(const QString& code) {
        const int index = form->cbbIdioma->findText(code + QLatin1Char('-'), Qt::MatchStartsWith);
        ASSERT_GE(index, 0) << "no language " << code.toStdString();
        form->cbbIdioma->setCurrentIndex(index);
    }

    QStringList errorTexts() const {
        QStringList texts;
        for (const ScriptedDialogs::Shown& shown : dialogs->messages)
            if (shown.type == mtError)
                texts.append(shown.text);
        return texts;
    }

    RecordingDialogs* dialogs;
    ServerProcess server;
    std::unique_ptr<TfrmLeituraPocket> form;

private:
    std::unique_ptr<DialogService> previousDialogs_;
};
