#include "tests/support/WindowFixture.h"

#include <QLineEdit>

class ImportButton : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        form->edtDiretorio->setText(QStringLiteral("/forms"));
    }

    bool enabled() const { return form->sbtImportExport->isEnabled(); }
};

TEST_F(ImportButton, ANewWindowHasItDisabled) {
    EXPECT_FALSE(enabled());
}

TEST_F(ImportButton, FilesWithoutALanguageLeaveItDisabled) {
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    form->lsbDisp->SetSelected(0, true);
    form->sbtDireita->click();
    EXPECT_FALSE(enabled());
    form->sbtTudoDir->click();
    EXPECT_EQ(form->lsbSelec->Count(), 2);
    EXPECT_FALSE(enabled());
}

TEST_F(ImportButton, ALanguageChosenWithNoFilesLeavesItDisabledButSetsTheCode) {
    chooseLanguage(QStringLiteral("ENG"));
    EXPECT_FALSE(enabled());
    EXPECT_EQ(stIdiLeDfm, AnsiString("ENG"));
}

TEST_F(ImportButton, MovingAllRightWithALanguageEnablesIt) {
    chooseLanguage(QStringLiteral("POR"));
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->sbtTudoDir->click();
    EXPECT_TRUE(enabled());
}

TEST_F(ImportButton, MovingTheSelectedRightWithALanguageEnablesIt) {
    chooseLanguage(QStringLiteral("POR"));
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    form->lsbDisp->SetSelected(1, true);
    form->sbtDireita->click();
    EXPECT_TRUE(enabled());
}

TEST_F(ImportButton, ARefusedMoveStillDecidesIt) {
    chooseLanguage(QStringLiteral("POR"));
    fill(*form->lsbSelec, {QStringLiteral("/forms/a.Ebf")});
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    ASSERT_FALSE(enabled()) << "the list was filled behind the rule's back";
    form->sbtTudoDir->click();
    EXPECT_EQ(dialogs->messages.size(), 1);
    EXPECT_TRUE(enabled());
}

TEST_F(ImportButton, MovingNothingSelectedStillDecidesIt) {
    chooseLanguage(QStringLiteral("POR"));
    fill(*form->lsbSelec, {QStringLiteral("/forms/a.Ebf")});
    ASSERT_FALSE(enabled());
    form->sbtDireita->click();
    EXPECT_TRUE(enabled());

    form->lsbSelec->Clear();
    form->sbtEsquerda->click();
    EXPECT_FALSE(enabled());
}

TEST_F(ImportButton, EachMoveWithNothingToMoveStillDisablesItWhenNoFileIsSelected) {
    chooseLanguage(QStringLiteral("POR"));
    for (TButtonFlat* move : {form->sbtDireita, form->sbtTudoDir, form->sbtEsquerda, form->sbtTudoEsq}) {
        // Enabled behind the rule's back, as the end of an import run leaves it.
        form->sbtImportExport->setEnabled(true);
        move->click();
        EXPECT_FALSE(enabled()) << move->objectName().toStdString();
    }
}

TEST_F(ImportButton, ChoosingALanguageWithFilesSelectedEnablesIt) {
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->sbtTudoDir->click();
    ASSERT_FALSE(enabled());
    chooseLanguage(QStringLiteral("SPA"));
    EXPECT_TRUE(enabled());
}

TEST_F(ImportButton, EmptyingTheLanguageTextDisablesItAndTypingOneEnablesItAgain) {
    chooseLanguage(QStringLiteral("POR"));
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->sbtTudoDir->click();
    ASSERT_TRUE(enabled());

    form->cbbIdioma->lineEdit()->clear();
    EXPECT_FALSE(enabled());
    form->cbbIdioma->lineEdit()->insert(QStringLiteral("E"));
    EXPECT_TRUE(enabled()) << "any text counts; the import itself checks it";
}

TEST_F(ImportButton, TakingSomeFilesBackKeepsItTakingAllBackDisablesIt) {
    chooseLanguage(QStringLiteral("POR"));
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    form->sbtTudoDir->click();
    ASSERT_TRUE(enabled());

    form->lsbSelec->SetSelected(0, true);
    form->sbtEsquerda->click();
    EXPECT_EQ(form->lsbSelec->Count(), 1);
    EXPECT_TRUE(enabled());

    form->sbtTudoEsq->click();
    EXPECT_EQ(entries(*form->lsbDisp), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")}));
    EXPECT_FALSE(enabled());
}

TEST_F(ImportButton, FilesThatDoNotComeBackStillLeaveItDisabled) {
    chooseLanguage(QStringLiteral("POR"));
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->sbtTudoDir->click();
    form->edtDiretorio->setText(QStringLiteral("/other"));
    form->lsbSelec->SetSelected(0, true);
    form->sbtEsquerda->click();
    EXPECT_EQ(form->lsbDisp->Count(), 0);
    EXPECT_FALSE(enabled());
}
