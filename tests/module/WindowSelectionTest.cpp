#include "tests/support/WindowFixture.h"

#include "selection/NameList.h"
#include "widgets/WindowsFonts.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace {

const QStringList kListedInServerOrder{QStringLiteral("POR-Português"), QStringLiteral("ENG-English"),
                                       QStringLiteral("SPA-Español"), QStringLiteral("PT-Portugues"),
                                       QStringLiteral("AA-Afar")};

// Presses key in widget as the keyboard would; returns whether the widget accepted the press.
bool press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           const QString& text = QString()) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

} // namespace

// The selection's controls in a created window. The server's list holds, after the three it starts
// with, a two-letter code and one that sorts first.
class WindowSelection : public WindowFixture {
protected:
    void beforeWindow() override {
        for (const QStringList& language : {QStringList{QStringLiteral("PT"), QStringLiteral("Portugues")},
                                            QStringList{QStringLiteral("AA"), QStringLiteral("Afar")}}) {
            int exitCode = -1;
            const QString output = server.admin(
                QStringList{QStringLiteral("languages"), QStringLiteral("add")} + language, &exitCode);
            ASSERT_EQ(exitCode, 0) << "the server refused a language: " << output.toStdString();
        }
        stIdiLeDfm = "XYZ";
        showsBefore = BusyAnimation::ShowCount();
        hidesBefore = BusyAnimation::HideCount();
    }

    QStringList items() const {
        QStringList all;
        for (int i = 0; i < form->cbbIdioma->count(); ++i)
            all.append(form->cbbIdioma->itemText(i));
        return all;
    }

    bool importEnabled() const { return form->sbtImportExport->isEnabled(); }

    // Three form files of different letter case.
    void writeForms() {
        for (const char* name : {"b.ebf", "a.EBF", "C.Ebf"})
            folder.file(QString::fromLatin1(name));
    }

    FormFolder folder;
    int showsBefore = 0;
    int hidesBefore = 0;
};

TEST_F(WindowSelection,
       ANewWindowListsTheServersLanguagesChoosesNoneKeepsTheEarlierCodeAndShowsTheImportPicture) {
    EXPECT_EQ(items(), kListedInServerOrder);
    EXPECT_EQ(form->cbbIdioma->currentIndex(), -1);
    EXPECT_TRUE(form->cbbIdioma->currentText().isEmpty());
    EXPECT_EQ(stIdiLeDfm, AnsiString("XYZ"));
    EXPECT_FALSE(importEnabled());
    EXPECT_TRUE(dialogs->messages.isEmpty());
    // Connecting, then reading the list: the reading comes last.
    EXPECT_EQ(BusyAnimation::ShowCount() - showsBefore, 2);
    EXPECT_EQ(BusyAnimation::HideCount() - hidesBefore, 2);
    EXPECT_EQ(BusyAnimation::Kind(), saRead);
    EXPECT_FALSE(BusyAnimation::IsShown());
    // The import button gets the import picture.
    const QPixmap picture = form->imgImportExport->pixmap();
    ASSERT_FALSE(picture.isNull());
    EXPECT_FALSE(form->sbtImportExport->Glyph().isNull());
    EXPECT_EQ(form->sbtImportExport->Glyph().toImage(), picture.toImage());
    EXPECT_FALSE(form->sbtImportExport->icon().isNull());

    chooseLanguage(QStringLiteral("SPA"));
    form.reset();
    form = createWindow();
    EXPECT_EQ(form->cbbIdioma->currentIndex(), -1);
    EXPECT_TRUE(form->cbbIdioma->currentText().isEmpty());
    EXPECT_EQ(items(), kListedInServerOrder);
    EXPECT_EQ(stIdiLeDfm, AnsiString("SPA"));
}

TEST_F(WindowSelection, AFailedConnectShowsOnlyTheConnectingAnimationAndHidesIt) {
    form.reset();
    server.stop();
    const int shows = BusyAnimation::ShowCount();
    const int hides = BusyAnimation::HideCount();
    EXPECT_THROW(createWindow(), ESocketError);
    EXPECT_EQ(BusyAnimation::ShowCount() - shows, 1);
    EXPECT_EQ(BusyAnimation::HideCount() - hides, 1);
    EXPECT_EQ(BusyAnimation::Kind(), saConnect);
    EXPECT_FALSE(BusyAnimation::IsShown());
    EXPECT_EQ(stIdiLeDfm, AnsiString("XYZ"));
}

TEST_F(WindowSelection, TheLanguageTextShownDecidesTheCodeAndTheImportButton) {
    chooseLanguage(QStringLiteral("ENG"));
    EXPECT_EQ(stIdiLeDfm, AnsiString("ENG"));
    EXPECT_FALSE(importEnabled()) << "no file is selected";

    fill(*form->lsbSelec, {QStringLiteral("/forms/a.Ebf")});
    chooseLanguage(QStringLiteral("SPA"));
    EXPECT_TRUE(importEnabled());
    // The import checks the text shown; the rows must get the language that text names.
    form->cbbIdioma->lineEdit()->setText(QStringLiteral("ENG-English"));
    EXPECT_EQ(stIdiLeDfm, AnsiString("ENG"));
    form->cbbIdioma->lineEdit()->clear();
    EXPECT_TRUE(stIdiLeDfm.isEmpty());
    EXPECT_FALSE(importEnabled());
    form->cbbIdioma->lineEdit()->insert(QStringLiteral("E"));
    EXPECT_TRUE(importEnabled()) << "any text counts; the import itself checks it";
    form->cbbIdioma->lineEdit()->setText(QStringLiteral("日本語"));
    EXPECT_TRUE(stIdiLeDfm.isEmpty());
    EXPECT_TRUE(dialogs->messages.isEmpty()) << "typing is no failure";
}

TEST_F(WindowSelection, TheArrowsMoveTheChosenOrAllFilesAndDecideTheImportButton) {
    form->edtDiretorio->setText(QStringLiteral("/forms"));
    chooseLanguage(QStringLiteral("POR"));
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    form->lsbDisp->SetSelected(1, true);
    form->sbtDireita->click();
    EXPECT_EQ(entries(*form->lsbSelec), QStringList{QStringLiteral("/forms/b.Ebf")});
    EXPECT_TRUE(importEnabled());

    form->sbtTudoDir->click();
    ASSERT_EQ(form->lsbSelec->Count(), 2);
    form->lsbSelec->SetSelected(0, true);
    form->sbtEsquerda->click();
    EXPECT_EQ(form->lsbSelec->Count(), 1);
    EXPECT_TRUE(importEnabled());

    form->sbtTudoEsq->click();
    EXPECT_EQ(entries(*form->lsbDisp), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")}));
    EXPECT_FALSE(importEnabled());
}

// Every caption at the window's own font and sizes, the server's languages in the box and form
// names in both lists, as a user sees them: none is cut by its control.
TEST_F(WindowSelection, EveryTextFitsItsControl) {
    ASSERT_TRUE(WindowsFonts::IsMapped(QStringLiteral("MS Sans Serif")));
    ASSERT_TRUE(WindowsFonts::IsMapped(QStringLiteral("MS Sans Serif"), true));
    form->show();
    const QStringList names{QStringLiteral("frmCliente.ebf"), QStringLiteral("frmPedidoItens.ebf"),
                            QStringLiteral("frmConfiguracoes.ebf")};
    form->edtDiretorio->setText(folder.path());
    fill(*form->lsbDisp, names);
    form->sbtTudoDir->click();
    fill(*form->lsbDisp, names);
    ASSERT_EQ(form->lsbSelec->Count(), 3);

    const auto fits = [](const QWidget* control, const QString& text, int room) {
        const int needed = control->fontMetrics().horizontalAdvance(text);
        EXPECT_LE(needed, room) << control->objectName().toStdString() << ": \"" << text.toStdString()
                                << "\" needs " << needed << " pixels";
    };
    int captions = 0;
    for (const QLabel* label : form->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        ++captions;
        fits(label, label->text(), label->contentsRect().width());
    }
    for (const QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty())
            continue;
        ++captions;
        fits(button, button->text(), button->width() - 4);
    }
    EXPECT_GE(captions, 5) << "three headings, the screen's code and the drive button";

    QStyleOptionComboBox box;
    box.initFrom(form->cbbIdioma);
    box.editable = true;
    const int boxRoom =
        form->style()
            ->subControlRect(QStyle::CC_ComboBox, &box, QStyle::SC_ComboBoxEditField, form->cbbIdioma)
            .width();
    ASSERT_GE(form->cbbIdioma->count(), 5);
    for (int i = 0; i < form->cbbIdioma->count(); ++i)
        fits(form->cbbIdioma, form->cbbIdioma->itemText(i), boxRoom);
    for (const TListBox* list : {form->lsbDisp, form->lsbSelec}) {
        for (const QString& text : entries(*list))
            fits(list, text, list->viewport()->width());
    }
    form->hide();
}

TEST_F(WindowSelection, OnlyF9InTheDirectoryFieldOpensTheDialogWhateverTheModifiers) {
    EXPECT_TRUE(press(form->edtDiretorio, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
    EXPECT_TRUE(press(form->edtDiretorio, Qt::Key_Slash, Qt::NoModifier, QStringLiteral("/")));
    EXPECT_FALSE(press(form->edtDiretorio, Qt::Key_F8));
    EXPECT_FALSE(press(form->edtDiretorio, Qt::Key_F10));
    EXPECT_EQ(form->edtDiretorio->text(), QStringLiteral("a/"));
    for (int key : {119, 121, 88, 13, 27, 9, 0})
        form->edtDiretorioKeyDown(form->edtDiretorio, key, Qt::ShiftModifier);
    EXPECT_TRUE(dialogs->directoryRequests.isEmpty());

    writeForms();
    dialogs->directories.append(folder.path());
    // The line edit ignores a key it has no use for: an ignored F9 shows it got there.
    EXPECT_FALSE(press(form->edtDiretorio, Qt::Key_F9));
    EXPECT_EQ(dialogs->directoryRequests, QList<TSelectDirOpts>{sdAllowCreate}) << "never create or prompt";
    EXPECT_EQ(dialogs->initialDirectories, QStringList{QString()}) << "from nothing, whatever the field shows";
    EXPECT_EQ(dialogs->helpContexts, QList<int>{0});
    EXPECT_EQ(form->edtDiretorio->text(), folder.path());
    EXPECT_EQ(form->lsbDisp->Count(), 3);

    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::KeyboardModifiers(Qt::ControlModifier),
          Qt::KeyboardModifiers(Qt::AltModifier), Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier})
        EXPECT_FALSE(press(form->edtDiretorio, Qt::Key_F9, modifiers));
    EXPECT_EQ(dialogs->directoryRequests.size(), 5);
    EXPECT_EQ(form->edtDiretorio->text(), folder.path()) << "cancelled dialogs leave the field alone";
}

TEST_F(WindowSelection, ANewDirectoryTextEmptiesTheAvailableListTheSameTextAgainDoesNot) {
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->edtDiretorio->setText(QStringLiteral("/forms"));
    EXPECT_EQ(form->lsbDisp->Count(), 0);
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    form->edtDiretorio->insert(QStringLiteral("2"));
    EXPECT_EQ(form->lsbDisp->Count(), 0);
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->edtDiretorio->clear();
    EXPECT_EQ(form->lsbDisp->Count(), 0);

    form->edtDiretorio->setText(QStringLiteral("/forms"));
    fill(*form->lsbDisp, {QStringLiteral("a.Ebf")});
    form->edtDiretorio->setText(QStringLiteral("/forms"));
    EXPECT_EQ(entries(*form->lsbDisp), QStringList{QStringLiteral("a.Ebf")});

    // Chosen in the dialog: the directory shown is listed again, another replaces the list.
    writeForms();
    FormFolder second;
    second.file(QStringLiteral("z.Ebf"));
    dialogs->directories = {folder.path(), folder.path(), second.path()};
    form->edtDiretorio->clear();
    form->sbtDiretorio->click();
    form->sbtDiretorio->click();
    EXPECT_EQ(entries(*form->lsbDisp),
              (QStringList{QStringLiteral("a.EBF"), QStringLiteral("a.EBF"), QStringLiteral("b.ebf"),
                           QStringLiteral("b.ebf"), QStringLiteral("C.Ebf"), QStringLiteral("C.Ebf")}));
    form->sbtDiretorio->click();
    EXPECT_EQ(entries(*form->lsbDisp), QStringList{QStringLiteral("z.Ebf")});
}

TEST_F(WindowSelection, TheFocusLeavingTheDirectoryFieldListsItsDfmFiles) {
    folder.file(QStringLiteral("a.Dfm"));
    folder.file(QStringLiteral("e.Ebf"));
    form->edtDiretorio->setText(folder.path());
    // The window losing activation (a dialog opening over it, say) or a popup showing is no
    // leaving of the field.
    for (const Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        QFocusEvent away(QEvent::FocusOut, reason);
        QApplication::sendEvent(form->edtDiretorio, &away);
        EXPECT_EQ(form->lsbDisp->Count(), 0) << reason;
    }
    QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(form->edtDiretorio, &leaving);
    EXPECT_EQ(entries(*form->lsbDisp), QStringList{QStringLiteral("a.Dfm")});
    EXPECT_TRUE(dialogs->messages.isEmpty());
    EXPECT_TRUE(dialogs->directoryRequests.isEmpty());
}

TEST_F(WindowSelection, TheListBoxesKeepTheOrderOfTheCommandsNameLists) {
    // The capture command lists and scans files in a name list's order; the window in its list
    // boxes'. Both must sort alike, equal names in the order they came.
    const QStringList names{QStringLiteral("b.Ebf"), QStringLiteral("A.ebf"), QStringLiteral("a.EBF"),
                            QStringLiteral("_x.Ebf"),  QStringLiteral("ç.Ebf"), QStringLiteral("Z.Ebf"),
                            QStringLiteral("a.Ebf"),  QStringLiteral("10.Ebf"), QStringLiteral("9.Ebf")};
    NameList plain;
    for (const QString& name : names) {
        plain.Add(name);
        form->lsbDisp->Add(name);
    }
    EXPECT_EQ(entries(*form->lsbDisp), plain.Texts());
    for (const QString& name : names)
        EXPECT_EQ(form->lsbDisp->IndexOf(name.toUpper()), plain.IndexOf(name.toUpper())) << name.toStdString();
}
