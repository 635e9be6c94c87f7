#include "tests/support/WindowFixture.h"

#include "toolkit/ObjectResource.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <algorithm>

// The capture run behind the import button: the language check, the line count, the user's
// confirmation, the scan of every selected file, the success message and the version stamp.
using CaptureRunTest = WindowFixture;

namespace {

const QString kConfirmation =
    QStringLiteral("A Tabela de tradução possui alguns registros. Serão adicionados novos "
                   "registros durante a leitura dos dfm´s. Confirma a operação?");
const QString kInvalidLanguage = QStringLiteral("Idioma inválido.");

const AnsiString kProduto = SampleForms::labelForm("frmProduto", {"C\xF3"
                                                                  "digo",
                                                                  "Descri\xE7\xE3o"});
constexpr int kProdutoLines = 13;

// Lines of a converted form text, whose line ends are CR LF.
int convertedLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    TStreamOriginalFormat format = sofText;
    ObjectResourceToText(file, text, format, path);
    const QByteArray bytes = text.data();
    return static_cast<int>(bytes.count("\r\n")) + (bytes.isEmpty() || bytes.endsWith("\r\n") ? 0 : 1);
}

} // namespace

TEST_F(CaptureRunTest, AConfirmedRunStoresEveryNewCaptionReportsSuccessAndStampsTheVersion) {
    FormFolder folder;
    folder.write(QStringLiteral("Produto.Ebf"), kProduto);
    folder.write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    selectFiles(folder, {QStringLiteral("Produto.Ebf"), QStringLiteral("Cliente.Ebf")});
    chooseLanguage(QStringLiteral("POR"));
    int maximumAtConfirmation = -1;
    int lookupsAtConfirmation = -1;
    dialogs->onMessage = [&](const ScriptedDialogs::Shown& shown) {
        if (shown.text == kConfirmation) {
            maximumAtConfirmation = form->pgbProgresso->maximum();
            lookupsAtConfirmation = callsOf(QStringLiteral("GetPropried"));
        }
    };

    const QDateTime before = QDateTime::currentDateTime();
    clickImport();
    const QDateTime after = QDateTime::currentDateTime();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(dialogs->texts(), (QStringList{kConfirmation, kSuccess}));
    EXPECT_EQ(dialogs->messages[0].buttons, mbYes | mbNo);
    EXPECT_EQ(maximumAtConfirmation, SampleForms::kClienteLines + kProdutoLines);
    EXPECT_EQ(lookupsAtConfirmation, 0);
    // The selected list keeps its entries in alphabetical order, and the files are scanned in it.
    EXPECT_EQ(rowsOnServer(),
              (QStringList{captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do cliente"),
                           captionRow("CLIENTE", "FRMCLIENTE", "CMDGRAVAR", "Gravar"),
                           captionRow("PRODUTO", "FRMPRODUTO", "LBL1", QStringLiteral("Código")),
                           captionRow("PRODUTO", "FRMPRODUTO", "LBL2", QStringLiteral("Descrição"))}));
    ASSERT_GE(calls.size(), 2);
    EXPECT_EQ(calls.mid(calls.size() - 2), (QStringList{"GetVersao", "SetVersao"}));
    EXPECT_EQ(callsOf(QStringLiteral("SetVersao")), 1);
    const std::optional<QDateTime> stamp = versionStamp(server);
    ASSERT_TRUE(stamp.has_value());
    EXPECT_TRUE(*stamp >= before && *stamp <= after) << stamp->toString(Qt::ISODateWithMs).toStdString();

    EXPECT_FALSE(form->Running());
    EXPECT_TRUE(form->sbtImportExport->isEnabled());
    EXPECT_EQ(form->pgbProgresso->value(), 0);
    EXPECT_EQ(form->lblStatus->text(), QString());
}

TEST_F(CaptureRunTest, ADeclinedRunScansNothingButStillStampsTheVersion) {
    FormFolder folder;
    folder.write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    selectFiles(folder, {QStringLiteral("Cliente.Ebf")});
    chooseLanguage(QStringLiteral("POR"));
    dialogs->answers = {mrNo};

    clickImport();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dialogs->texts(), QStringList{kConfirmation});
    EXPECT_EQ(callsOf(QStringLiteral("GetPropried")), 0);
    EXPECT_TRUE(rowsOnServer().isEmpty());
    EXPECT_EQ(calls.mid(calls.size() - 2), (QStringList{"GetVersao", "SetVersao"}));
    EXPECT_TRUE(versionStamp(server).has_value());
    EXPECT_TRUE(form->sbtImportExport->isEnabled());
}

TEST_F(CaptureRunTest, AnUnknownLanguageIsReportedAndNothingElseHappens) {
    FormFolder folder;
    folder.write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    selectFiles(folder, {QStringLiteral("Cliente.Ebf")});
    for (const QString& typed :
         {QStringLiteral("XYZ-Nada"), QStringLiteral("POR-Portugues"), QStringLiteral("POR")}) {
        SCOPED_TRACE(typed.toStdString());
        dialogs->messages.clear();
        form->cbbIdioma->setEditText(typed);
        form->edtDiretorio->setFocus();
        form->pgbProgresso->setMaximum(77);
        forgetCalls();

        clickImport();

        EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
        ASSERT_EQ(dialogs->texts(), QStringList{kInvalidLanguage});
        EXPECT_EQ(dialogs->messages[0].type, mtError);
        EXPECT_TRUE(calls.isEmpty()) << calls.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(form->pgbProgresso->maximum(), 77) << "no line was counted";
        QWidget* focused = form->focusWidget();
        EXPECT_TRUE(focused == form->cbbIdioma || focused == form->cbbIdioma->lineEdit());
    }
    EXPECT_TRUE(rowsOnServer().isEmpty());
    EXPECT_FALSE(versionStamp(server).has_value());
}

TEST_F(CaptureRunTest, TheLanguageTextMayDifferInLetterCase) {
    FormFolder folder;
    folder.write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    selectFiles(folder, {QStringLiteral("Cliente.Ebf")});
    chooseLanguage(QStringLiteral("POR"));
    form->cbbIdioma->setEditText(QStringLiteral("por-PORTUGUêS"));
    dialogs->answers = {mrYes};

    clickImport();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dialogs->texts(), (QStringList{kConfirmation, kSuccess}));
    EXPECT_EQ(exportedRows(server).size(), 2) << "the rows are stored under the language the text names";
}

// A server that also lists a language with a two-character code.
class CaptureRunWithShortCode : public WindowFixture {
protected:
    void SetUp() override {
        int exitCode = -1;
        server.admin({QStringLiteral("languages"), QStringLiteral("add"), QStringLiteral("PT"),
                      QStringLiteral("Portugues")},
                     &exitCode);
        ASSERT_EQ(exitCode, 0);
        WindowFixture::SetUp();
    }
};

TEST_F(CaptureRunWithShortCode, AnItemWithATwoCharacterCodeFailsTheCheck) {
    ASSERT_GE(form->cbbIdioma->findText(QStringLiteral("PT-Portugues")), 0);
    FormFolder folder;
    folder.write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    selectFiles(folder, {QStringLiteral("Cliente.Ebf")});
    chooseLanguage(QStringLiteral("PT"));
    forgetCalls();

    clickImport();

    EXPECT_EQ(dialogs->texts(), QStringList{kInvalidLanguage});
    EXPECT_TRUE(calls.isEmpty()) << calls.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(rowsOnServer().isEmpty());
}

TEST_F(CaptureRunTest, AnEmptySelectionStillAsksReportsSuccessAndStamps) {
    chooseLanguage(QStringLiteral("POR"));
    form->pgbProgresso->setMaximum(77);
    ASSERT_FALSE(form->sbtImportExport->isEnabled());

    form->RunHandler([this] { form->sbtImportExportClick(form->sbtImportExport); });

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dialogs->texts(), (QStringList{kConfirmation, kSuccess}));
    EXPECT_EQ(form->pgbProgresso->maximum(), 0);
    EXPECT_EQ(callsOf(QStringLiteral("GetPropried")), 0);
    EXPECT_TRUE(versionStamp(server).has_value());
}

TEST_F(CaptureRunTest, AFileGoneAfterItWasListedFailsTheRunBeforeTheConfirmation) {
    FormFolder folder;
    folder.write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    const QString gone = folder.write(QStringLiteral("Produto.Ebf"), kProduto);
    selectFiles(folder, {QStringLiteral("Cliente.Ebf"), QStringLiteral("Produto.Ebf")});
    chooseLanguage(QStringLiteral("POR"));
    ASSERT_TRUE(QFile::remove(gone));
    forgetCalls();

    clickImport();

    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(gone)) << failures[0].toStdString();
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(calls.isEmpty()) << calls.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(rowsOnServer().isEmpty());
    EXPECT_FALSE(versionStamp(server).has_value());
    EXPECT_FALSE(form->Running());
    EXPECT_TRUE(form->sbtImportExport->isEnabled());
}

TEST_F(CaptureRunTest, AFormTextSavedAsUtf8IsReadInTheModulesCodePage) {
    FormFolder folder;
    folder.write(QStringLiteral("Pessoa.Ebf"),
                 QByteArray("\xEF\xBB\xBF") + QStringLiteral("VERSION 5.00\r\n"
                                                             "Begin VB.Form frmPessoa\r\n"
                                                             "   Begin VBCE.OptionButton optFísica\r\n"
                                                             "      Caption = \"Física à vista\"\r\n"
                                                             "   End\r\n"
                                                             "End\r\n")
                                                  .toUtf8());
    selectFiles(folder, {QStringLiteral("Pessoa.Ebf")});
    chooseLanguage(QStringLiteral("POR"));
    int maximumAtConfirmation = -1;
    dialogs->onMessage = [&](const ScriptedDialogs::Shown&) {
        maximumAtConfirmation = form->pgbProgresso->maximum();
    };

    clickImport();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(maximumAtConfirmation, 6);
    const QList<QJsonArray> lookups = paramsOf(QStringLiteral("GetPropried"));
    ASSERT_EQ(lookups.size(), 1);
    EXPECT_EQ(lookups[0].at(2).toString(), QStringLiteral("optFísica"));
    EXPECT_EQ(rowsOnServer(), QStringList{captionRow("PESSOA", "FRMPESSOA", QStringLiteral("OPTFíSICA"),
                                                     QStringLiteral("Física à vista"))});
}

TEST_F(CaptureRunTest, AUtf8FormTextWithACharacterOutsideTheCodePageFailsBeforeTheConfirmation) {
    FormFolder folder;
    folder.write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    const QString path =
        folder.write(QStringLiteral("Grego.Ebf"),
                     QByteArray("\xEF\xBB\xBF") + QStringLiteral("VERSION 5.00\r\n"
                                                                 "Begin VB.Form frmGrego\r\n"
                                                                 "   Begin VBCE.Label lblOhm\r\n"
                                                                 "      Caption = \"Ω\"\r\n")
                                                      .toUtf8());
    selectFiles(folder, {QStringLiteral("Cliente.Ebf"), QStringLiteral("Grego.Ebf")});
    chooseLanguage(QStringLiteral("POR"));
    forgetCalls();

    clickImport();

    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("Line 4 of ") + path)) << failures[0].toStdString();
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(calls.isEmpty()) << calls.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(rowsOnServer().isEmpty());
}

TEST_F(CaptureRunTest, BinaryFormsListedByTypingTheDirectoryAreCountedAndScannedAsTheirText) {
    const QDir corpus(QStringLiteral(VDR_CORPUS_DIR "/dfm-binary"));
    const QFileInfoList originals = corpus.entryInfoList(QDir::Files, QDir::Name);
    if (originals.isEmpty())
        GTEST_SKIP() << "no binary forms in " << corpus.path().toStdString();
    FormFolder folder;
    int expectedLines = 0;
    for (const QFileInfo& original : originals) {
        // Stored as owner__repository__name; the file goes back under its own name.
        const QString name = original.fileName().section(QStringLiteral("__"), 2);
        ASSERT_TRUE(QFile::copy(original.filePath(), folder.filePath(name))) << name.toStdString();
        expectedLines += convertedLines(folder.filePath(name));
    }

    form->edtDiretorio->setText(folder.path());
    form->edtDiretorioExit(form->edtDiretorio);
    ASSERT_EQ(form->lsbDisp->Count(), originals.size());
    form->sbtTudoDirClick(form->sbtTudoDir);
    ASSERT_EQ(form->lsbSelec->Count(), originals.size());
    chooseLanguage(QStringLiteral("POR"));
    int maximumAtConfirmation = -1;
    dialogs->onMessage = [&](const ScriptedDialogs::Shown& shown) {
        if (shown.text == kConfirmation)
            maximumAtConfirmation = form->pgbProgresso->maximum();
    };
    int furthest = 0;
    onProgress([&](int value) { furthest = std::max(furthest, value); });

    clickImport();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dialogs->texts(), (QStringList{kConfirmation, kSuccess}));
    EXPECT_EQ(maximumAtConfirmation, expectedLines);
    EXPECT_EQ(furthest, expectedLines) << "every line counted is visited";
    // They hold no controls of the captured kinds.
    EXPECT_EQ(callsOf(QStringLiteral("GetPropried")), 0);
    EXPECT_TRUE(rowsOnServer().isEmpty());
}
