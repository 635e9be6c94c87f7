#include "tests/support/WindowFixture.h"

namespace {

const QString kAlreadySelected = QStringLiteral("Arquivo já selecionado.");

} // namespace

class MoveRight : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        form->edtDiretorio->setText(QStringLiteral("/forms"));
    }
};

TEST_F(MoveRight, AllJoinTheirNamesToTheDirectoryWithASlash) {
    fill(*form->lsbDisp, {QStringLiteral("b.Ebf"), QStringLiteral("a.Ebf")});
    form->sbtTudoDir->click();
    EXPECT_EQ(entries(*form->lsbSelec),
              (QStringList{QStringLiteral("/forms/a.Ebf"), QStringLiteral("/forms/b.Ebf")}));
    EXPECT_EQ(form->lsbDisp->Count(), 0);
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(MoveRight, ADirectoryEndingInASlashGetsNoSecondOne) {
    form->edtDiretorio->setText(QStringLiteral("/forms/"));
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->sbtTudoDir->click();
    EXPECT_EQ(entries(*form->lsbSelec), QStringList{QStringLiteral("/forms/a.Ebf")});

    form->edtDiretorio->setText(QStringLiteral("/"));
    fill(*form->lsbDisp, {QStringLiteral("r.Ebf")});
    form->sbtTudoDir->click();
    EXPECT_EQ(entries(*form->lsbSelec),
              (QStringList{QStringLiteral("/forms/a.Ebf"), QStringLiteral("/r.Ebf")}));
}

TEST_F(MoveRight, TheSelectedOnesMoveAndTheOthersStay) {
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf"), QStringLiteral("c.Ebf")});
    form->lsbDisp->SetSelected(0, true);
    form->lsbDisp->SetSelected(2, true);
    form->sbtDireita->click();
    EXPECT_EQ(entries(*form->lsbSelec),
              (QStringList{QStringLiteral("/forms/a.Ebf"), QStringLiteral("/forms/c.Ebf")}));
    EXPECT_EQ(entries(*form->lsbDisp), QStringList{QStringLiteral("b.Ebf")});
}

TEST_F(MoveRight, WithNothingSelectedNothingMoves) {
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    form->sbtDireita->click();
    EXPECT_EQ(form->lsbDisp->Count(), 2);
    EXPECT_EQ(form->lsbSelec->Count(), 0);
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(MoveRight, APathAlreadySelectedInAnyLetterCaseIsRefusedWithOneMessageEach) {
    fill(*form->lsbSelec, {QStringLiteral("/FORMS/A.EBF"), QStringLiteral("/forms/c.Ebf")});
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf"), QStringLiteral("c.Ebf")});
    form->sbtTudoDir->click();

    EXPECT_EQ(entries(*form->lsbDisp), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("c.Ebf")}));
    EXPECT_EQ(entries(*form->lsbSelec),
              (QStringList{QStringLiteral("/FORMS/A.EBF"), QStringLiteral("/forms/b.Ebf"),
                           QStringLiteral("/forms/c.Ebf")}));
    ASSERT_EQ(dialogs->messages.size(), 2);
    for (const ScriptedDialogs::Shown& shown : dialogs->messages) {
        EXPECT_EQ(shown.text, kAlreadySelected);
        EXPECT_EQ(shown.type, mtError);
    }
}

TEST_F(MoveRight, ARefusedSelectedEntryStaysAndTheOtherSelectedOneMoves) {
    fill(*form->lsbSelec, {QStringLiteral("/forms/b.Ebf")});
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf"), QStringLiteral("c.Ebf")});
    form->lsbDisp->SetSelected(1, true);
    form->lsbDisp->SetSelected(2, true);
    form->sbtDireita->click();
    EXPECT_EQ(entries(*form->lsbDisp), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")}));
    EXPECT_EQ(entries(*form->lsbSelec),
              (QStringList{QStringLiteral("/forms/b.Ebf"), QStringLiteral("/forms/c.Ebf")}));
    EXPECT_EQ(errorTexts(), QStringList{kAlreadySelected});
}

TEST_F(MoveRight, OfTheSameNameTwiceOneMovesAndTheOtherIsRefused) {
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    form->sbtTudoDir->click();
    EXPECT_EQ(entries(*form->lsbDisp), QStringList{QStringLiteral("a.Ebf")});
    EXPECT_EQ(entries(*form->lsbSelec),
              (QStringList{QStringLiteral("/forms/a.Ebf"), QStringLiteral("/forms/b.Ebf")}));
    EXPECT_EQ(errorTexts(), QStringList{kAlreadySelected});
}

TEST_F(MoveRight, ThePathsOfOtherDirectoriesDoNotCount) {
    fill(*form->lsbSelec, {QStringLiteral("/other/a.Ebf"), QStringLiteral("/forms/a.Ebf.bak")});
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->sbtTudoDir->click();
    EXPECT_EQ(form->lsbDisp->Count(), 0);
    EXPECT_EQ(entries(*form->lsbSelec),
              (QStringList{QStringLiteral("/forms/a.Ebf"), QStringLiteral("/forms/a.Ebf.bak"),
                           QStringLiteral("/other/a.Ebf")}));
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

class MoveLeft : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        form->edtDiretorio->setText(QStringLiteral("/forms"));
        fill(*form->lsbSelec, {QStringLiteral("/forms/a.Ebf"), QStringLiteral("/other/b.Ebf"),
                               QStringLiteral("/forms2/c.Ebf"), QStringLiteral("/FORMS/d.Ebf")});
    }

    void select(const QString& path) {
        const int index = form->lsbSelec->IndexOf(path);
        ASSERT_GE(index, 0) << path.toStdString();
        form->lsbSelec->SetSelected(index, true);
    }
};

TEST_F(MoveLeft, AllLeaveAndThoseUnderTheDirectoryPrefixComeBackByName) {
    form->sbtTudoEsq->click();
    EXPECT_EQ(form->lsbSelec->Count(), 0);
    // "/forms2" starts with "/forms"; "/FORMS" does not.
    EXPECT_EQ(entries(*form->lsbDisp), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("c.Ebf")}));
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(MoveLeft, TheSelectedOnesLeaveAndTheOthersStay) {
    select(QStringLiteral("/forms/a.Ebf"));
    select(QStringLiteral("/other/b.Ebf"));
    select(QStringLiteral("/FORMS/d.Ebf"));
    form->sbtEsquerda->click();
    EXPECT_EQ(entries(*form->lsbSelec), QStringList{QStringLiteral("/forms2/c.Ebf")});
    EXPECT_EQ(entries(*form->lsbDisp), QStringList{QStringLiteral("a.Ebf")});
}

TEST_F(MoveLeft, WithNothingSelectedNothingLeaves) {
    form->sbtEsquerda->click();
    EXPECT_EQ(form->lsbSelec->Count(), 4);
    EXPECT_EQ(form->lsbDisp->Count(), 0);
}

TEST_F(MoveLeft, AnEmptyDirectoryFieldTakesEverythingBackByName) {
    form->edtDiretorio->clear();
    form->sbtTudoEsq->click();
    EXPECT_EQ(form->lsbSelec->Count(), 0);
    EXPECT_EQ(entries(*form->lsbDisp), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf"),
                                                    QStringLiteral("c.Ebf"), QStringLiteral("d.Ebf")}));
}

TEST_F(MoveLeft, ANameComingBackBesideItselfStandsTwice) {
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    select(QStringLiteral("/forms/a.Ebf"));
    form->sbtEsquerda->click();
    EXPECT_EQ(entries(*form->lsbDisp), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("a.Ebf")}));
}

TEST_F(MoveLeft, AFileMovedRightAndBackIsAvailableAgain) {
    form->lsbSelec->Clear();
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("B.Ebf")});
    form->sbtTudoDir->click();
    form->sbtTudoEsq->click();
    EXPECT_EQ(entries(*form->lsbDisp), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("B.Ebf")}));
    form->sbtTudoDir->click();
    EXPECT_EQ(entries(*form->lsbSelec),
              (QStringList{QStringLiteral("/forms/a.Ebf"), QStringLiteral("/forms/B.Ebf")}));
    EXPECT_TRUE(dialogs->messages.isEmpty());
}
