#include "tests/support/FormFolder.h"
#include "tests/support/WindowFixture.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

// Presses key in widget as the keyboard would; returns whether the widget accepted the press.
bool press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           const QString& text = QString()) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

} // namespace

class DirectoryDialog : public WindowFixture {
protected:
    // What a user finds in a form directory: form files of every letter case and things that only
    // look like them.
    void fillFolder() {
        folder.file(QStringLiteral("b.ebf"));
        folder.file(QStringLiteral("a.EBF"));
        folder.file(QStringLiteral("C.Ebf"));
        folder.file(QStringLiteral(".hidden.Ebf"));
        folder.file(QStringLiteral("notes.txt"));
        folder.file(QStringLiteral("form.Dfm"));
        folder.file(QStringLiteral("a.Ebf.bak"));
        folder.directory(QStringLiteral("x.Ebf"));
        folder.file(QStringLiteral("nested/inner.Ebf"));
        folder.fifo(QStringLiteral("pipe.Ebf"));
    }

    FormFolder folder;
};

TEST_F(DirectoryDialog, OpensWithNoStartingDirectoryHelpContextZeroAndOnlyAllowCreate) {
    form->sbtDiretorio->click();
    ASSERT_EQ(dialogs->directoryRequests.size(), 1);
    EXPECT_EQ(dialogs->directoryRequests.first(), TSelectDirOpts{sdAllowCreate})
        << "never sdPerformCreate or sdPrompt";
    EXPECT_EQ(dialogs->initialDirectories, QStringList{QString()});
    EXPECT_EQ(dialogs->helpContexts, QList<int>{0});
}

TEST_F(DirectoryDialog, StartsEmptyEvenWhenTheFieldShowsADirectory) {
    form->edtDiretorio->setText(folder.path());
    form->sbtDiretorio->click();
    EXPECT_EQ(dialogs->initialDirectories, QStringList{QString()});
}

TEST_F(DirectoryDialog, CancellingChangesNothing) {
    chooseLanguage(QStringLiteral("POR"));
    form->edtDiretorio->setText(QStringLiteral("/forms"));
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    fill(*form->lsbSelec, {QStringLiteral("/forms/c.Ebf")});
    form->Files.UpdateImportButton();
    ASSERT_TRUE(form->sbtImportExport->isEnabled());

    dialogs->directories.append(std::nullopt);
    form->sbtDiretorio->click();

    EXPECT_EQ(dialogs->directoryRequests.size(), 1);
    EXPECT_EQ(form->edtDiretorio->text(), QStringLiteral("/forms"));
    EXPECT_EQ(entries(*form->lsbDisp), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")}));
    EXPECT_EQ(entries(*form->lsbSelec), QStringList{QStringLiteral("/forms/c.Ebf")});
    EXPECT_TRUE(form->sbtImportExport->isEnabled());
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(DirectoryDialog, AChoiceListsThePlainEbfFilesByNameInCaseInsensitiveOrder) {
    fillFolder();
    form->edtDiretorio->setText(QStringLiteral("/somewhere/else"));
    fill(*form->lsbDisp, {QStringLiteral("old.Ebf")});

    dialogs->directories.append(folder.path());
    form->sbtDiretorio->click();

    EXPECT_EQ(form->edtDiretorio->text(), folder.path());
    // Hidden files, directories, pipes, other patterns and sub-directories' contents stay out.
    EXPECT_EQ(entries(*form->lsbDisp),
              (QStringList{QStringLiteral("a.EBF"), QStringLiteral("b.ebf"), QStringLiteral("C.Ebf")}));
    EXPECT_TRUE(form->lsbSelec->Count() == 0);
    EXPECT_FALSE(form->sbtImportExport->isEnabled());
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(DirectoryDialog, AChoiceEndingInASlashStillFindsTheFiles) {
    fillFolder();
    dialogs->directories.append(folder.path() + QLatin1Char('/'));
    form->sbtDiretorio->click();
    EXPECT_EQ(form->edtDiretorio->text(), folder.path() + QLatin1Char('/'));
    EXPECT_EQ(entries(*form->lsbDisp),
              (QStringList{QStringLiteral("a.EBF"), QStringLiteral("b.ebf"), QStringLiteral("C.Ebf")}));
}

TEST_F(DirectoryDialog, ADirectoryWithoutFormFilesOrThatIsGoneListsNothing) {
    folder.file(QStringLiteral("form.Dfm"));
    dialogs->directories = {folder.path(), folder.path() + QStringLiteral("/missing")};
    fill(*form->lsbDisp, {QStringLiteral("old.Ebf")});

    form->sbtDiretorio->click();
    EXPECT_EQ(form->lsbDisp->Count(), 0);
    form->sbtDiretorio->click();
    EXPECT_EQ(form->edtDiretorio->text(), folder.path() + QStringLiteral("/missing"));
    EXPECT_EQ(form->lsbDisp->Count(), 0);
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(DirectoryDialog, ChoosingAnotherDirectoryReplacesTheList) {
    FormFolder second;
    second.file(QStringLiteral("z.Ebf"));
    fillFolder();
    dialogs->directories = {folder.path(), second.path()};
    form->sbtDiretorio->click();
    form->sbtDiretorio->click();
    EXPECT_EQ(entries(*form->lsbDisp), QStringList{QStringLiteral("z.Ebf")});
}

TEST_F(DirectoryDialog, ChoosingTheDirectoryAlreadyShownListsItsFilesAgain) {
    fillFolder();
    dialogs->directories = {folder.path(), folder.path()};
    form->sbtDiretorio->click();
    form->sbtDiretorio->click();
    EXPECT_EQ(entries(*form->lsbDisp),
              (QStringList{QStringLiteral("a.EBF"), QStringLiteral("a.EBF"), QStringLiteral("b.ebf"),
                           QStringLiteral("b.ebf"), QStringLiteral("C.Ebf"), QStringLiteral("C.Ebf")}));
}

TEST_F(DirectoryDialog, F9InTheFieldOpensItWhateverTheModifiers) {
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
          Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers(Qt::AltModifier),
          Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier}) {
        int key = 120;
        form->edtDiretorioKeyDown(form->edtDiretorio, key, modifiers);
    }
    EXPECT_EQ(dialogs->directoryRequests.size(), 5);
}

TEST_F(DirectoryDialog, OtherKeysInTheFieldDoNotOpenIt) {
    for (int key : {119, 121, 88, 13, 27, 9, 0})
        form->edtDiretorioKeyDown(form->edtDiretorio, key, Qt::ShiftModifier);
    EXPECT_TRUE(dialogs->directoryRequests.isEmpty());
}

TEST_F(DirectoryDialog, F9PressedInTheFieldOpensItAndStillReachesTheField) {
    fillFolder();
    dialogs->directories.append(folder.path());
    // The line edit ignores a key it has no use for: an ignored F9 shows it got there.
    EXPECT_FALSE(press(form->edtDiretorio, Qt::Key_F9));
    EXPECT_EQ(dialogs->directoryRequests.size(), 1);
    EXPECT_EQ(form->edtDiretorio->text(), folder.path());
    EXPECT_EQ(form->lsbDisp->Count(), 3);

    EXPECT_FALSE(press(form->edtDiretorio, Qt::Key_F9, Qt::ShiftModifier));
    EXPECT_FALSE(press(form->edtDiretorio, Qt::Key_F9, Qt::ControlModifier));
    EXPECT_FALSE(press(form->edtDiretorio, Qt::Key_F9, Qt::AltModifier));
    EXPECT_EQ(dialogs->directoryRequests.size(), 4);
    EXPECT_EQ(form->edtDiretorio->text(), folder.path()) << "cancelled dialogs leave the field alone";
}

TEST_F(DirectoryDialog, OtherKeysPressedInTheFieldAreTypedAndOpenNothing) {
    EXPECT_TRUE(press(form->edtDiretorio, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
    EXPECT_TRUE(press(form->edtDiretorio, Qt::Key_Slash, Qt::NoModifier, QStringLiteral("/")));
    EXPECT_FALSE(press(form->edtDiretorio, Qt::Key_F8));
    EXPECT_FALSE(press(form->edtDiretorio, Qt::Key_F10));
    EXPECT_EQ(form->edtDiretorio->text(), QStringLiteral("a/"));
    EXPECT_TRUE(dialogs->directoryRequests.isEmpty());
}
