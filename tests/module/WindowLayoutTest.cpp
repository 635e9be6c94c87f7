#include "window/ControlNames.h"
#include "window/LeituraPocket.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

// What a user sees of the window before it talks to any server.
class WindowLayout : public testing::Test {
protected:
    TfrmLeituraPocket form{nullptr};

    static QRect placeIn(const QWidget* control, const QWidget* ancestor) {
        return QRect(control->mapTo(ancestor, QPoint(0, 0)), control->size());
    }
};

TEST_F(WindowLayout, WindowCaptionSizeAndBorder) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Leitura dos Arquivos Pocket (ebf´s)"));
    EXPECT_EQ(form.size(), QSize(555, 294));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the border does not resize";
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(form.pos(), QPoint(263, 199));
}

TEST_F(WindowLayout, CaptionsAndTexts) {
    EXPECT_EQ(form.Label3->text(), QStringLiteral("Gravar com o Idioma"));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Selecione o Diretório"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("Arquivos Selecionados"));
    EXPECT_EQ(form.lblCodTela->text(), QStringLiteral("VDR00200"));
    EXPECT_EQ(form.btnArquivo->text(), QStringLiteral("C:\\"));
    EXPECT_EQ(form.sbtImportExport->toolTip(), QStringLiteral("Importar"));
    EXPECT_TRUE(form.Label1->font().bold());
    EXPECT_TRUE(form.lblStatus->text().isEmpty());
}

TEST_F(WindowLayout, ControlsStandWhereTheUserExpectsThem) {
    EXPECT_EQ(placeIn(form.Panel1, &form), QRect(0, 0, 500, 254));
    EXPECT_EQ(placeIn(form.panMenu, &form), QRect(500, 0, 55, 254));
    EXPECT_EQ(placeIn(form.panProgresso, &form), QRect(0, 254, 555, 40));
    EXPECT_EQ(form.pgbProgresso->geometry().top(), 21);
    EXPECT_EQ(form.pgbProgresso->width(), 553);
    EXPECT_EQ(form.lblStatus->geometry(), QRect(5, 3, 494, 15));
    EXPECT_EQ(form.panCabec->height(), 49);
    EXPECT_EQ(form.Panel3->height(), 26);
    EXPECT_EQ(form.cbbIdioma->geometry(), QRect(141, 2, 134, 21));
    EXPECT_EQ(form.edtDiretorio->geometry(), QRect(3, 3, 153, 21));
    EXPECT_EQ(form.sbtDiretorio->geometry(), QRect(158, 3, 21, 22));
    EXPECT_EQ(form.panDisp->width(), 187);
    EXPECT_EQ(form.panBotao->width(), 24);
    EXPECT_EQ(form.panBotao->x(), form.panDisp->x() + 187) << "the arrow column stands right of the files";
    EXPECT_EQ(form.sbtTudoDir->geometry(), QRect(1, 68, 22, 21));
    EXPECT_EQ(form.sbtTudoEsq->geometry(), QRect(1, 110, 22, 21));
    EXPECT_EQ(form.panSelec->geometry().left(), form.panBotao->geometry().right() + 1);
    EXPECT_EQ(form.lsbSelec->geometry(), form.panSelec->rect());
    EXPECT_EQ(form.Panel2->height(), 3);
    EXPECT_EQ(form.Panel2->geometry().bottom(), form.Panel1->height() - 2) << "inside the lowered bevel";
    EXPECT_GT(form.btnArquivo->x(), form.panCabec->width()) << "the drive button lies beyond the header";
}

TEST_F(WindowLayout, OnlyTheMoveAllArrowsAreVisibleAndImportStartsDisabled) {
    form.show();
    EXPECT_FALSE(form.sbtDireita->isVisible());
    EXPECT_FALSE(form.sbtEsquerda->isVisible());
    EXPECT_TRUE(form.sbtTudoDir->isVisible());
    EXPECT_TRUE(form.sbtTudoEsq->isVisible());
    EXPECT_FALSE(form.sbtImportExport->isEnabled());
    EXPECT_FALSE(form.running());
    EXPECT_FALSE(form.cancelRequested());
    form.hide();
}

TEST_F(WindowLayout, ButtonGlyphsHoldANormalAndADisabledImage) {
    for (const TButtonFlat* button :
         {form.sbtDiretorio, form.sbtDireita, form.sbtTudoDir, form.sbtEsquerda, form.sbtTudoEsq}) {
        const QImage glyph = button->Glyph().toImage();
        EXPECT_EQ(glyph.size(), QSize(32, 16)) << button->objectName().toStdString();
        EXPECT_NE(glyph.copy(0, 0, 16, 16), glyph.copy(16, 0, 16, 16)) << button->objectName().toStdString();
        EXPECT_LE(glyph.colorCount(), 16);
    }
    EXPECT_NE(form.sbtTudoDir->Glyph().toImage(), form.sbtTudoEsq->Glyph().toImage());
    EXPECT_NE(form.sbtTudoDir->Glyph().toImage(), form.sbtDireita->Glyph().toImage());
}

TEST_F(WindowLayout, TheMessageTableHoldsItsEntriesInOrder) {
    const QList<AnsiString> keys = [this] {
        QList<AnsiString> found;
        for (const AnsiString& entry : form.msgPadrao.Entries())
            found.append(entry.left(entry.indexOf('|')));
        return found;
    }();
    EXPECT_EQ(keys, (QList<AnsiString>{"Sair", "sucesso", "Alias_Exist", "CONF_SUBS", "Arq_Ja",
                                       "DEL_TRADUCAO", "Idi_Inv"}));
    EXPECT_EQ(Ansi::toUnicode(form.msgPadrao.Msg("Arq_Ja")), QStringLiteral("Arquivo já selecionado."));
    EXPECT_EQ(Ansi::toUnicode(form.msgPadrao.Msg("IDI_INV")), QStringLiteral("Idioma inválido."));
    EXPECT_EQ(form.msgPadrao.Msg("Arq_Ja").at(9), '\xE1') << "texts are held in the Windows-1252 code page";
}

// The layouts themselves are held to the protocol's description and the server's answers in the
// wire tests; here, the window's own data sets and connection.
TEST_F(WindowLayout, DataSetsAndConnectionAreTheWindows) {
    EXPECT_EQ(form.data.cdsPropriedNRVALORPROP->DataType(), TFieldType::Number);
    EXPECT_EQ(form.data.cdsVersaoDTGERARQTRAD->DataType(), TFieldType::DateTime);
    EXPECT_EQ(form.data.dtsIdiomaOri.DataSet(), &form.data.cdsIdiLeDfm);
    EXPECT_EQ(form.data.dtsPropried.DataSet(), nullptr);
    EXPECT_EQ(form.NetTradutor.ServerName, QStringLiteral("Vdr04000.rdmImpPocket"));
}

// The capture command and the tests reach the controls by these names: each names exactly the
// control the window holds.
TEST_F(WindowLayout, EachDeclaredNameFindsItsControl) {
    const std::pair<const QString&, const QWidget*> named[] = {
        {ControlNames::edtDiretorio, form.edtDiretorio},
        {ControlNames::sbtDiretorio, form.sbtDiretorio},
        {ControlNames::lsbDisp, form.lsbDisp},
        {ControlNames::lsbSelec, form.lsbSelec},
        {ControlNames::sbtDireita, form.sbtDireita},
        {ControlNames::sbtTudoDir, form.sbtTudoDir},
        {ControlNames::sbtEsquerda, form.sbtEsquerda},
        {ControlNames::sbtTudoEsq, form.sbtTudoEsq},
        {ControlNames::cbbIdioma, form.cbbIdioma},
        {ControlNames::lblStatus, form.lblStatus},
        {ControlNames::sbtImportExport, form.sbtImportExport},
        {ControlNames::sbtCancel, form.sbtCancel},
        {ControlNames::pgbProgresso, form.pgbProgresso},
    };
    for (const auto& [name, control] : named) {
        EXPECT_EQ(form.findChildren<QWidget*>(name), QList<QWidget*>{const_cast<QWidget*>(control)})
            << name.toStdString();
    }
    EXPECT_EQ(form.objectName(), ControlNames::frmLeituraPocket);
}
