#include "tests/support/FormFolder.h"
#include "tests/support/WindowFixture.h"

class DirectoryField : public WindowFixture {
protected:
    void fillFolder() {
        folder.file(QStringLiteral("b.Dfm"));
        folder.file(QStringLiteral("A.DFM"));
        folder.file(QStringLiteral("c.dfm"));
        folder.file(QStringLiteral("e.Ebf"));
        folder.file(QStringLiteral(".hidden.Dfm"));
        folder.directory(QStringLiteral("x.Dfm"));
        folder.file(QStringLiteral("nested/inner.Dfm"));
        folder.fifo(QStringLiteral("pipe.Dfm"));
    }

    // Focus leaving the field, as the window is told of it.
    void leaveField() { emit form->edtDiretorio->exited(); }

    FormFolder folder;
};

TEST_F(DirectoryField, EveryTextChangeEmptiesTheAvailableList) {
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->edtDiretorio->setText(QStringLiteral("/forms"));
    EXPECT_EQ(form->lsbDisp->Count(), 0);

    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    form->edtDiretorio->insert(QStringLiteral("2"));
    EXPECT_EQ(form->lsbDisp->Count(), 0);

    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->edtDiretorio->clear();
    EXPECT_EQ(form->lsbDisp->Count(), 0);
}

TEST_F(DirectoryField, TheSameTextAgainIsNoChange) {
    form->edtDiretorio->setText(QStringLiteral("/forms"));
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->edtDiretorio->setText(QStringLiteral("/forms"));
    EXPECT_EQ(entries(*form->lsbDisp), QStringList{QStringLiteral("a.Ebf")});
}

TEST_F(DirectoryField, EmptyingTheListLeavesTheSelectedFiles) {
    fill(*form->lsbSelec, {QStringLiteral("/forms/a.Ebf")});
    form->edtDiretorio->setText(QStringLiteral("/other"));
    EXPECT_EQ(entries(*form->lsbSelec), QStringList{QStringLiteral("/forms/a.Ebf")});
}

TEST_F(DirectoryField, LeavingItWithAnEmptyListListsTheTypedDirectorysDfmFiles) {
    fillFolder();
    form->edtDiretorio->setText(folder.path());
    leaveField();
    // Never the directory's .Ebf files; the rest as the dialog's listing leaves out.
    EXPECT_EQ(entries(*form->lsbDisp),
              (QStringList{QStringLiteral("A.DFM"), QStringLiteral("b.Dfm"), QStringLiteral("c.dfm")}));
    EXPECT_TRUE(dialogs->messages.isEmpty());
    EXPECT_TRUE(dialogs->directoryRequests.isEmpty());
}

TEST_F(DirectoryField, LeavingItWithATrailingSlashListsTheSameFiles) {
    fillFolder();
    form->edtDiretorio->setText(folder.path() + QLatin1Char('/'));
    leaveField();
    EXPECT_EQ(entries(*form->lsbDisp),
              (QStringList{QStringLiteral("A.DFM"), QStringLiteral("b.Dfm"), QStringLiteral("c.dfm")}));
}

TEST_F(DirectoryField, LeavingItWhileTheListHasEntriesChangesNothing) {
    fillFolder();
    form->edtDiretorio->setText(folder.path());
    fill(*form->lsbDisp, {QStringLiteral("e.Ebf")});
    leaveField();
    EXPECT_EQ(entries(*form->lsbDisp), QStringList{QStringLiteral("e.Ebf")});
}

TEST_F(DirectoryField, LeavingItTwiceListsTheFilesOnce) {
    fillFolder();
    form->edtDiretorio->setText(folder.path());
    leaveField();
    leaveField();
    EXPECT_EQ(form->lsbDisp->Count(), 3);
}

TEST_F(DirectoryField, LeavingItForADirectoryThatIsGoneListsNothing) {
    form->edtDiretorio->setText(folder.path() + QStringLiteral("/missing"));
    leaveField();
    EXPECT_EQ(form->lsbDisp->Count(), 0);
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(DirectoryField, AnEmptyFieldStandsForTheRootDirectory) {
    ASSERT_TRUE(form->edtDiretorio->text().isEmpty());
    leaveField();
    EXPECT_TRUE(dialogs->messages.isEmpty()) << "searching the root must not fail";

    form->lsbDisp->Clear();
    fill(*form->lsbDisp, {QStringLiteral("form.Dfm")});
    form->sbtTudoDir->click();
    EXPECT_EQ(entries(*form->lsbSelec), QStringList{QStringLiteral("/form.Dfm")});
}
