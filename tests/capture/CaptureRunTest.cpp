#include "tests/support/FormFolder.h"
#include "tests/support/PartsFixture.h"
#include "tests/support/SampleForms.h"
#include "tests/support/ServerProcess.h"

#include "components/ServerSettings.h"
#include "toolkit/ObjectResource.h"
#include "toolkit/ScopeGuard.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

// The capture run from the press of the import button: the language check, the line count, the
// user's confirmation, the scan of every selected file, the success message and the version
// stamp; and runs that do not go to their end.
class ARun : public PartsFixture {
protected:
    void SetUp() override { open(); }

    // Puts the files of the folder straight into the selected list.
    void selectFiles(const QStringList& names) {
        view.directory = folder.path();
        for (const QString& name : names)
            view.lsbSelec.Add(folder.filePath(name));
    }
    // Writes each form text under its file name and selects it.
    void selectForms(const QList<std::pair<QString, QByteArray>>& forms) {
        for (const auto& [name, text] : forms) {
            folder.write(name, text);
            selectFiles({name});
        }
    }

    // The language box shows text, picked or typed: the window takes the module's language code
    // from it and looks at the import button again.
    void showLanguage(const QString& text) {
        view.language = text;
        languageCode = LanguageList::codeOf(text);
        files.updateImportButton();
    }
    void chooseLanguage(const QString& code) {
        for (const QString& item : languageItems)
            if (item.startsWith(code + QLatin1Char('-')))
                return showLanguage(item);
        ADD_FAILURE() << "the list holds no language " << code.toStdString();
    }

    // As the capture command runs: calls in flight, changes judged.
    void pipeline() {
        run.roomInFlight = 64 * 1024;
        run.judgeChanges = true;
    }

    // Runs the capture; hands back what failed out of it, nothing when it ended as it should.
    QStringList runCapture() {
        try {
            run.run();
        } catch (const std::exception& failure) {
            return {QString::fromUtf8(failure.what())};
        }
        return {};
    }

    FormFolder folder;
};

namespace {

const QString kConfirmation =
    QStringLiteral("A Tabela de tradução possui alguns registros. Serão adicionados novos "
                   "registros durante a leitura dos dfm´s. Confirma a operação?");
const QString kInvalidLanguage = QStringLiteral("Idioma inválido.");
const QString kSuccess = QStringLiteral("A importação foi realizada com sucesso!");

const AnsiString kProduto = SampleForms::labelForm("frmProduto", {"C\xF3"
                                                                  "digo",
                                                                  "Descri\xE7\xE3o"});
constexpr int kProdutoLines = 13;
// Cliente.Ebf and Produto.Ebf scanned to their end: the rows in the order they are stored.
const QStringList kClienteAndProdutoRows{
    captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do cliente"),
    captionRow("CLIENTE", "FRMCLIENTE", "CMDGRAVAR", "Gravar"),
    captionRow("PRODUTO", "FRMPRODUTO", "LBL1", QStringLiteral("Código")),
    captionRow("PRODUTO", "FRMPRODUTO", "LBL2", QStringLiteral("Descrição"))};

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

TEST_F(ARun, AConfirmedRunStoresEveryNewCaptionReportsSuccessAndStampsTheVersion) {
    selectForms({{"Produto.Ebf", kProduto}, {"Cliente.Ebf", SampleForms::kCliente}});
    // The text shown may differ from the list's item in letter case; the rows get the language it names.
    showLanguage(QStringLiteral("por-PORTUGUêS"));
    int maximumAtConfirmation = -1;
    int lookupsAtConfirmation = -1;
    view.onMessage = [&](const ViewStandIn::Shown& shown) {
        if (shown.text == kConfirmation) {
            maximumAtConfirmation = view.progressMaximum;
            lookupsAtConfirmation = callsOf(RemoteMethods::kGetPropried);
        }
    };

    const QDateTime before = QDateTime::currentDateTime();
    const QStringList failures = runCapture();
    const QDateTime after = QDateTime::currentDateTime();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(view.texts(), (QStringList{kConfirmation, kSuccess}));
    EXPECT_EQ(view.messages[0].kind, ViewStandIn::Kind::Confirmation);
    EXPECT_EQ(maximumAtConfirmation, SampleForms::kClienteLines + kProdutoLines);
    EXPECT_EQ(lookupsAtConfirmation, 0);
    // The selected list keeps its entries in alphabetical order, and the files are scanned in it.
    EXPECT_EQ(rowsOnServer(), kClienteAndProdutoRows);
    ASSERT_GE(calls.size(), 2);
    EXPECT_EQ(calls.mid(calls.size() - 2), (QStringList{"GetVersao", "SetVersao"}));
    EXPECT_EQ(callsOf(RemoteMethods::kSetVersao), 1);
    const std::optional<QDateTime> stamp = server.versionStamp();
    ASSERT_TRUE(stamp.has_value());
    EXPECT_TRUE(*stamp >= before && *stamp <= after) << stamp->toString(Qt::ISODateWithMs).toStdString();

    EXPECT_FALSE(run.running());
    EXPECT_TRUE(view.importEnabled);
    EXPECT_EQ(view.progress, 0);
    EXPECT_EQ(view.status, QString());
}

TEST_F(ARun, ADeclinedRunScansNothingButStillStampsTheVersion) {
    selectForms({{"Cliente.Ebf", SampleForms::kCliente}});
    chooseLanguage(QStringLiteral("POR"));
    view.answers = {false};

    const QStringList failures = runCapture();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(view.texts(), QStringList{kConfirmation});
    EXPECT_EQ(callsOf(RemoteMethods::kGetPropried), 0);
    EXPECT_TRUE(rowsOnServer().isEmpty());
    EXPECT_EQ(calls.mid(calls.size() - 2), (QStringList{"GetVersao", "SetVersao"}));
    EXPECT_TRUE(server.versionStamp().has_value());
    EXPECT_TRUE(view.importEnabled);
}

TEST_F(ARun, ALanguageTheListDoesNotHoldIsReportedAndNothingElseHappens) {
    // The server also lists a language with a two-character code, which never passes the check.
    server.storage().addLanguage({QStringLiteral("PT"), QStringLiteral("Portugues"), QStringLiteral("PT")});
    languageItems = languages.load();
    ASSERT_TRUE(languageItems.contains(QStringLiteral("PT-Portugues")));
    selectForms({{"Cliente.Ebf", SampleForms::kCliente}});
    // A text the code page cannot hold names no language either.
    for (const QString& shown :
         {QStringLiteral("XYZ-Nada"), QStringLiteral("POR-Portugues"), QStringLiteral("POR"),
          QStringLiteral("PT-Portugues"), QStringLiteral("ΩΩΩ-Grego")}) {
        SCOPED_TRACE(shown.toStdString());
        view.messages.clear();
        showLanguage(shown);
        view.progressMaximum = 77;
        view.languageFocused = 0;
        forgetCalls();

        const QStringList failures = runCapture();

        EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
        ASSERT_EQ(view.texts(), QStringList{kInvalidLanguage});
        EXPECT_EQ(view.messages[0].kind, ViewStandIn::Kind::Error);
        EXPECT_TRUE(calls.isEmpty()) << calls.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(view.progressMaximum, 77) << "no line was counted";
        EXPECT_EQ(view.languageFocused, 1);
    }
    EXPECT_TRUE(rowsOnServer().isEmpty());
    EXPECT_FALSE(server.versionStamp().has_value());
}

TEST_F(ARun, AnEmptySelectionStillAsksReportsSuccessAndStamps) {
    chooseLanguage(QStringLiteral("POR"));
    view.progressMaximum = 77;
    ASSERT_FALSE(view.importEnabled);

    const QStringList failures = runCapture();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(view.texts(), (QStringList{kConfirmation, kSuccess}));
    EXPECT_EQ(view.progressMaximum, 0);
    EXPECT_EQ(callsOf(RemoteMethods::kGetPropried), 0);
    EXPECT_TRUE(server.versionStamp().has_value());
}

TEST_F(ARun, AFileThatCannotBeReadOrStoredFailsTheRunBeforeTheConfirmation) {
    folder.write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    const QString gone = folder.write(QStringLiteral("Produto.Ebf"), kProduto);
    ASSERT_TRUE(QFile::remove(gone));
    // A form text saved as UTF-8 with a character outside the module's code page.
    const QString greek =
        folder.write(QStringLiteral("Grego.Ebf"),
                     QByteArray("\xEF\xBB\xBF") + QStringLiteral("VERSION 5.00\r\n"
                                                                 "Begin VB.Form frmGrego\r\n"
                                                                 "   Begin VBCE.Label lblOhm\r\n"
                                                                 "      Caption = \"Ω\"\r\n")
                                                      .toUtf8());
    // Program codes that cannot be stored: longer than the row's field, or outside the code page.
    const QString longCode =
        folder.write(QStringLiteral("ProgramaComNomeComprido.Ebf"), SampleForms::kCliente);
    const QString greekName = folder.write(QStringLiteral("Ωmega.Ebf"), SampleForms::kCliente);
    // Names longer than the row's fields, found wherever they stand in the file.
    const AnsiString longName(51, 'N');
    const QString longForm =
        folder.write(QStringLiteral("Longo.Ebf"), SampleForms::labelForm("frm" + longName, {"Um"}));
    const QString longComponent =
        folder.write(QStringLiteral("Rotulo.Ebf"),
                     SampleForms::labelForm("frmRotulo", {"Um", "Dois"}).replace("lbl2", "lbl" + longName));
    // Sparse: two gigabytes that take no room, and must not be read to be refused.
    QFile huge(folder.write(QStringLiteral("Enorme.Ebf"), SampleForms::kCliente));
    ASSERT_TRUE(huge.resize(qint64(2) << 30));
    chooseLanguage(QStringLiteral("POR"));
    using Case = std::pair<QString, QString>; // the file, what the failure says
    for (const bool check : {false, true})
        for (const auto& [unreadable, says] :
             {Case{gone, gone}, Case{greek, QStringLiteral("Line 4 of ") + greek},
              Case{longCode, longCode + QStringLiteral(" has 23 characters; at most 20 fit")},
              Case{greekName, QStringLiteral("\"Ωmega\" of ") + greekName},
              Case{longForm, longForm + QStringLiteral(":5 has 54 characters; at most 50 fit")},
              Case{longComponent, longComponent + QStringLiteral(":9 has 54 characters; at most 50 fit")},
              Case{huge.fileName(), huge.fileName() + QStringLiteral(" has more than 64 MiB")}}) {
            SCOPED_TRACE(unreadable.toStdString() + (check ? " check" : " run"));
            run.checkOnly = check;
            view.lsbSelec.Clear();
            selectFiles({QStringLiteral("Cliente.Ebf"), QFileInfo(unreadable).fileName()});
            files.updateImportButton();
            forgetCalls();

            const QStringList failures = runCapture();

            ASSERT_EQ(failures.size(), 1);
            EXPECT_TRUE(failures[0].contains(says)) << failures[0].toStdString();
            EXPECT_TRUE(view.texts().isEmpty()) << view.texts().join(QLatin1Char('\n')).toStdString();
            EXPECT_TRUE(calls.isEmpty()) << calls.join(QLatin1Char(' ')).toStdString();
            EXPECT_TRUE(rowsOnServer().isEmpty());
            EXPECT_FALSE(server.versionStamp().has_value());
            EXPECT_FALSE(run.running());
            EXPECT_TRUE(view.importEnabled);
            EXPECT_TRUE(view.selectionEnabled);
        }
}

TEST_F(ARun, TheBusyCursorShowsWhileTheRunScansOrTalksToTheServerAndNotWhileItAsks) {
    selectForms({{"Cliente.Ebf", SampleForms::kCliente}});
    chooseLanguage(QStringLiteral("POR"));
    QStringList busyAt;
    view.onMessage = [&](const ViewStandIn::Shown& shown) {
        busyAt.append(shown.text + (view.busy ? QStringLiteral(": busy") : QString()));
    };
    view.onProcessMessages = [&] {
        busyAt.append(view.busy ? QStringLiteral("scan: busy") : QStringLiteral("scan"));
    };
    connection.onCall = [&, logged = connection.onCall](const QString& method, const QJsonArray& params) {
        logged(method, params);
        busyAt.append(method + (view.busy ? QStringLiteral(": busy") : QString()));
    };

    runCapture();

    busyAt.removeDuplicates();
    EXPECT_EQ(busyAt,
              (QStringList{kConfirmation, QStringLiteral("scan: busy"), QStringLiteral("GetPropried: busy"),
                           QStringLiteral("SetPropried: busy"), kSuccess, QStringLiteral("GetVersao: busy"),
                           QStringLiteral("SetVersao: busy")}));
    EXPECT_FALSE(view.busy);
}

TEST_F(ARun, TheSelectionHoldsStillFromThePressUntilTheRunHasEndedHoweverItEnds) {
    const QString gone = folder.write(QStringLiteral("Produto.Ebf"), kProduto);
    ASSERT_TRUE(QFile::remove(gone));
    enum class Ending { Yes, No, Cancel, Failure, UnknownLanguage };
    for (Ending ending :
         {Ending::Yes, Ending::No, Ending::Cancel, Ending::Failure, Ending::UnknownLanguage}) {
        SCOPED_TRACE(static_cast<int>(ending));
        view.lsbSelec.Clear();
        selectForms({{"Cliente.Ebf", SampleForms::kCliente}});
        if (ending == Ending::Failure)
            selectFiles({QStringLiteral("Produto.Ebf")});
        chooseLanguage(QStringLiteral("POR"));
        if (ending == Ending::UnknownLanguage)
            showLanguage(QStringLiteral("XYZ-Nada"));
        view.selectionChanges.clear();
        view.answers = {ending != Ending::No};
        // What the user could touch at the confirmation and while the scan lets events through.
        QList<bool> touchable;
        view.onMessage = [&](const ViewStandIn::Shown& shown) {
            if (shown.text == kConfirmation)
                touchable.append(view.selectionEnabled);
        };
        view.onProcessMessages = [&] {
            touchable.append(view.selectionEnabled);
            if (ending == Ending::Cancel)
                run.requestCancel();
        };

        runCapture();

        EXPECT_FALSE(touchable.contains(true));
        ASSERT_FALSE(view.selectionChanges.isEmpty());
        EXPECT_FALSE(view.selectionChanges.first()) << "from the press on";
        EXPECT_TRUE(view.selectionEnabled) << "once the run has ended";
    }
}

TEST_F(ARun, AFormTextSavedAsUtf8IsReadInTheModulesCodePage) {
    selectForms(
        {{"Pessoa.Ebf", QByteArray("\xEF\xBB\xBF") + QStringLiteral("VERSION 5.00\r\n"
                                                                    "Begin VB.Form frmPessoa\r\n"
                                                                    "   Begin VBCE.OptionButton optFísica\r\n"
                                                                    "      Caption = \"Física à vista\"\r\n"
                                                                    "   End\r\n"
                                                                    "End\r\n")
                                                         .toUtf8()}});
    chooseLanguage(QStringLiteral("POR"));
    int maximumAtConfirmation = -1;
    view.onMessage = [&](const ViewStandIn::Shown&) { maximumAtConfirmation = view.progressMaximum; };

    const QStringList failures = runCapture();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(maximumAtConfirmation, 6);
    const QList<QJsonArray> lookups = paramsOf(RemoteMethods::kGetPropried);
    ASSERT_EQ(lookups.size(), 1);
    EXPECT_EQ(lookups[0].at(2).toString(), QStringLiteral("optFísica"));
    EXPECT_EQ(rowsOnServer(), QStringList{captionRow("PESSOA", "FRMPESSOA", QStringLiteral("OPTFíSICA"),
                                                     QStringLiteral("Física à vista"))});
}

TEST_F(ARun, BinaryFormsListedByTypingTheDirectoryAreCountedAndScannedAsTheirText) {
    const QDir corpus(QStringLiteral(VDR_CORPUS_DIR "/dfm-binary"));
    const QFileInfoList originals = corpus.entryInfoList(QDir::Files, QDir::Name);
    if (originals.isEmpty())
        GTEST_SKIP() << "no binary forms in " << corpus.path().toStdString();
    int expectedLines = 0;
    for (const QFileInfo& original : originals) {
        // Stored as owner__repository__name; the file goes back under its own name.
        const QString name = original.fileName().section(QStringLiteral("__"), 2);
        ASSERT_TRUE(QFile::copy(original.filePath(), folder.filePath(name))) << name.toStdString();
        expectedLines += convertedLines(folder.filePath(name));
    }

    view.directory = folder.path();
    files.directoryLeft();
    ASSERT_EQ(view.lsbDisp.Count(), originals.size());
    files.moveRight(false);
    ASSERT_EQ(view.lsbSelec.Count(), originals.size());
    chooseLanguage(QStringLiteral("POR"));
    int maximumAtConfirmation = -1;
    view.onMessage = [&](const ViewStandIn::Shown& shown) {
        if (shown.text == kConfirmation)
            maximumAtConfirmation = view.progressMaximum;
    };

    const QStringList failures = runCapture();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(view.texts(), (QStringList{kConfirmation, kSuccess}));
    EXPECT_EQ(maximumAtConfirmation, expectedLines);
    ASSERT_FALSE(view.progressSteps.isEmpty());
    EXPECT_EQ(*std::max_element(view.progressSteps.begin(), view.progressSteps.end()), expectedLines)
        << "every line counted is visited";
    // They hold no controls of the captured kinds.
    EXPECT_EQ(callsOf(RemoteMethods::kGetPropried), 0);
    EXPECT_TRUE(rowsOnServer().isEmpty());
}

TEST_F(ARun, ACancelDuringTheSecondOfThreeFilesEndsTheScanThereAndTheRunAsUsual) {
    selectForms({{"Cliente.Ebf", SampleForms::kCliente}, {"Produto.Ebf", kProduto}, {"Venda.Ebf", kProduto}});
    chooseLanguage(QStringLiteral("POR"));
    // Asked for while the second file's second caption has just been stored, where a click on
    // Cancel lands: while the scan lets events through.
    const int cancelAt = SampleForms::kClienteLines + SampleForms::labelCaptionLine(1);
    view.onProcessMessages = [&] {
        if (view.progress == cancelAt)
            run.requestCancel();
    };

    const QStringList failures = runCapture();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(view.progressSteps.last(), cancelAt) << "no line is visited after the cancel";
    EXPECT_EQ(rowsOnServer(), kClienteAndProdutoRows);
    EXPECT_EQ(callsOf(RemoteMethods::kGetPropried), 4);
    EXPECT_EQ(view.texts().last(), kSuccess);
    EXPECT_EQ(calls.mid(calls.size() - 2), (QStringList{"GetVersao", "SetVersao"}));
    EXPECT_TRUE(server.versionStamp().has_value());
    EXPECT_FALSE(run.running());
    EXPECT_FALSE(run.cancelRequested());
}

TEST_F(ARun, APacedScanStillStopsWhereTheCancelReachedIt) {
    // A short interval, so that the scan lets events through many times before it could end.
    run.progressInterval = std::chrono::milliseconds(1);
    QList<AnsiString> captions;
    for (int k = 1; k <= 300; ++k)
        captions.append("Rotulo " + AnsiString::number(k));
    selectForms({{"Longo.Ebf", SampleForms::labelForm("frmLongo", captions)}});
    chooseLanguage(QStringLiteral("POR"));
    // Asked for at the first pause past the first caption.
    view.onProcessMessages = [&] {
        if (view.progress >= SampleForms::labelCaptionLine(0))
            run.requestCancel();
    };

    const QStringList failures = runCapture();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(view.texts().last(), kSuccess) << "a cancelled run ends as usual";
    // The rows are those of the captions up to the line the scan had reached, and no more.
    const int furthest = view.progressSteps.last();
    int scanned = 0;
    while (scanned < captions.size() && SampleForms::labelCaptionLine(scanned) <= furthest)
        ++scanned;
    ASSERT_GT(scanned, 0);
    ASSERT_LT(scanned, captions.size()) << "the cancel did not reach the scan";
    const QStringList rows = rowsOnServer();
    ASSERT_EQ(rows.size(), scanned);
    for (int k = 0; k < scanned; ++k)
        EXPECT_EQ(rows[k], captionRow("LONGO", "FRMLONGO", QStringLiteral("LBL%1").arg(k + 1),
                                      QStringLiteral("Rotulo %1").arg(k + 1)));
}

TEST_F(ARun, TheServerFailingMidRunKeepsWhatWasStoredAndResetsTheView) {
    // A server that goes away shows only over a socket: the run talks to a process of its own.
    ServerProcess remote;
    connection.Close();
    connection.transport = nullptr;
    // The connection takes the server's address from the settings, as the window's does.
    ServerSettings::setOverride({.host = remote.host(), .port = remote.port()});
    const ScopeExit forgetAddress([] { ServerSettings::clearOverride(); });
    open();
    selectForms({{"Cliente.Ebf", SampleForms::kCliente}, {"Produto.Ebf", kProduto}});
    chooseLanguage(QStringLiteral("POR"));
    QString statusAtStop;
    view.onProcessMessages = [&] {
        if (view.progress == SampleForms::kCmdGravarLine && remote.running()) {
            statusAtStop = view.status;
            remote.stop(true);
        }
    };

    const QStringList failures = runCapture();

    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("127.0.0.1:%1").arg(remote.port())))
        << failures[0].toStdString();
    EXPECT_FALSE(view.texts().contains(kSuccess));
    EXPECT_FALSE(statusAtStop.isEmpty());
    EXPECT_EQ(view.status, QString());
    EXPECT_EQ(view.progress, 0);
    EXPECT_TRUE(view.importEnabled);
    EXPECT_FALSE(run.running());
    EXPECT_FALSE(run.cancelRequested());

    EXPECT_EQ(describeRows(exportedRows(remote)), kClienteAndProdutoRows.mid(0, 2));
}

namespace {

// What the run told, each recorded caption as its place and its row, changed and removed
// captions as the command prints them.
struct ToldRun : CaptureObserver {
    QStringList started;
    QStringList lookups;
    QStringList recorded;
    QStringList recordedRows;
    QStringList changes;
    QString storing;

    void fileScanStarted(const QString& path, int lines) override {
        started.append(QStringLiteral("%1 %2").arg(QFileInfo(path).fileName()).arg(lines));
    }
    void captionLookedUp(const LookedUpCaption& caption) override {
        lookups.append(QStringLiteral("%1:%2").arg(QFileInfo(caption.file).fileName()).arg(caption.line));
    }
    void captionRecorded(const RecordedCaption& caption) override {
        recorded.append(QStringLiteral("%1:%2").arg(QFileInfo(caption.file).fileName()).arg(caption.line));
        recordedRows.append(captionRow(Ansi::toUnicode(caption.program), Ansi::toUnicode(caption.form),
                                       Ansi::toUnicode(caption.component), Ansi::toUnicode(caption.value),
                                       Ansi::toUnicode(caption.language)));
        changes.append(QStringLiteral("%1 %2.%3 \"%4\"")
                           .arg(caption.replaced ? QStringLiteral("changed") : QStringLiteral("new"),
                                Ansi::toUnicode(caption.form), Ansi::toUnicode(caption.component),
                                Ansi::toUnicode(caption.value).left(20)) +
                       (caption.replaced
                            ? QStringLiteral(" was \"%1\"").arg(Ansi::toUnicode(caption.replaced->value))
                            : QString()));
    }
    void rowStoring(const QString& path, int line) override {
        storing = QStringLiteral("%1:%2").arg(QFileInfo(path).fileName()).arg(line);
    }
    void captionRemoved(const QString&, const StoredCaption& stored) override {
        changes.append(QStringLiteral("removed %1.%2 \"%3\"")
                           .arg(Ansi::toUnicode(stored.form), Ansi::toUnicode(stored.component),
                                Ansi::toUnicode(stored.value).left(20)));
    }
};

} // namespace

TEST_F(ARun, ACheckStoresNothingAndRecordsOnceEachRowTheRunThenStoresAtTheSameLine) {
    // Two files of one program: a run stores the first one's captions and finds them at the second.
    selectForms({{"Cliente.Ebf", SampleForms::kCliente},
                 {"Produto.Ebf", kProduto},
                 {"cliente.ebf", SampleForms::kCliente}});
    chooseLanguage(QStringLiteral("POR"));
    ToldRun check;
    run.observer = &check;
    run.checkOnly = true;

    const QStringList checkFailures = runCapture();

    EXPECT_TRUE(checkFailures.isEmpty()) << checkFailures.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(view.texts().isEmpty()) << "a check asks nothing and reports no success";
    EXPECT_EQ(callsOf(RemoteMethods::kGetPropried), 6);
    EXPECT_EQ(calls.count(), 6) << calls.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(rowsOnServer().isEmpty());
    EXPECT_FALSE(server.versionStamp().has_value());
    const QString line = QStringLiteral("%1:%2");
    EXPECT_EQ(check.started, (QStringList{QStringLiteral("Cliente.Ebf %1").arg(SampleForms::kClienteLines),
                                          QStringLiteral("cliente.ebf %1").arg(SampleForms::kClienteLines),
                                          QStringLiteral("Produto.Ebf %1").arg(kProdutoLines)}));
    EXPECT_EQ(check.recorded, (QStringList{line.arg("Cliente.Ebf").arg(SampleForms::kLblNomeLine),
                                           line.arg("Cliente.Ebf").arg(SampleForms::kCmdGravarLine),
                                           line.arg("Produto.Ebf").arg(SampleForms::labelCaptionLine(0)),
                                           line.arg("Produto.Ebf").arg(SampleForms::labelCaptionLine(1))}));
    EXPECT_EQ(check.recordedRows, kClienteAndProdutoRows);
    EXPECT_FALSE(run.running());
    EXPECT_TRUE(view.importEnabled);

    ToldRun stored;
    run.observer = &stored;
    run.checkOnly = false;
    const QStringList runFailures = runCapture();

    EXPECT_TRUE(runFailures.isEmpty()) << runFailures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rowsOnServer(), check.recordedRows);
    EXPECT_EQ(stored.recorded, check.recorded);
    EXPECT_EQ(stored.lookups, check.lookups);
    EXPECT_TRUE(server.versionStamp().has_value());
}

// The capture command's way: calls go out without waiting for each answer, across files. It must
// store and tell what one call at a time does.
TEST_F(ARun, PipelinedItStoresAndTellsOverTheCorpusWhatOneCallAtATimeDoes) {
    const QDir corpus(QStringLiteral(VDR_CORPUS_DIR "/ebf"));
    const QFileInfoList originals = corpus.entryInfoList(QDir::Files, QDir::Name);
    if (originals.isEmpty())
        GTEST_SKIP() << "no forms in " << corpus.path().toStdString();
    for (const QFileInfo& original : originals) {
        // Stored as owner__repository__name; the file goes back under its own name.
        const QString name = original.fileName().section(QStringLiteral("__"), -1);
        QFile form(original.filePath());
        ASSERT_TRUE(form.open(QIODevice::ReadOnly));
        // A program code longer than its field fails any run before it starts.
        if (!QFileInfo::exists(folder.filePath(name)) && name.section(QLatin1Char('.'), 0, 0).size() <= 20)
            selectForms({{name, form.readAll()}});
    }
    chooseLanguage(QStringLiteral("POR"));
    run.checkOnly = true;
    ToldRun sequential;
    run.observer = &sequential;
    ASSERT_EQ(runCapture(), QStringList());
    const int lookups = callsOf(RemoteMethods::kGetPropried);
    ASSERT_GT(sequential.recorded.size(), 400) << "the corpus holds hundreds of captions";
    forgetCalls();

    pipeline();
    ToldRun check;
    run.observer = &check;
    ASSERT_EQ(runCapture(), QStringList());
    EXPECT_EQ(check.started, sequential.started);
    EXPECT_EQ(check.lookups, sequential.lookups);
    EXPECT_EQ(check.recorded, sequential.recorded);
    EXPECT_EQ(check.recordedRows, sequential.recordedRows);
    EXPECT_EQ(callsOf(RemoteMethods::kGetPropried), lookups);
    EXPECT_GE(callsOf(RemoteMethods::kGetProgramRows), 1);
    EXPECT_TRUE(check.changes.filter(QStringLiteral("changed")).isEmpty());
    EXPECT_TRUE(check.changes.filter(QStringLiteral("removed")).isEmpty());

    run.checkOnly = false;
    ToldRun stored;
    run.observer = &stored;
    ASSERT_EQ(runCapture(), QStringList());
    EXPECT_EQ(rowsOnServer(), sequential.recordedRows);
    EXPECT_EQ(stored.recorded, sequential.recorded);

    run.checkOnly = true;
    ToldRun again;
    run.observer = &again;
    ASSERT_EQ(runCapture(), QStringList());
    EXPECT_EQ(again.lookups, sequential.lookups);
    EXPECT_EQ(again.changes, QStringList()) << again.changes.join(QLatin1Char('\n')).toStdString();
}

namespace {

const AnsiString kPedido = "VERSION 5.00\r\n"
                           "Begin VB.Form frmPedido\r\n"
                           "   Begin VBCE.Label lblNome\r\n"
                           "      Caption = \"Nome\"\r\n"
                           "   End\r\n"
                           "   Begin VBCE.Label lblObs\r\n"
                           "      Caption = \"" +
                           AnsiString(4100, 'o') +
                           "\"\r\n"
                           "   End\r\n"
                           "   Begin VBCE.CommandButton cmdGravar\r\n"
                           "      Caption = \"Gravar\"\r\n"
                           "   End\r\n"
                           "End\r\n"
                           "Attribute VB_Name = \"frmPedido\"\r\n";

AnsiString edited(AnsiString text, const AnsiString& from, const AnsiString& to) {
    return text.replace(from, to);
}

} // namespace

// A form stored by a run, then edited: a check tells each edit as new, changed or removed
// captions, as the server's matching judges them.
TEST_F(ARun, PipelinedACheckTellsWhatEachEditOfAStoredFormChanged) {
    const AnsiString cmdGravar =
        "   Begin VBCE.CommandButton cmdGravar\r\n      Caption = \"Gravar\"\r\n   End\r\n";
    const AnsiString cmdSair =
        "   Begin VBCE.CommandButton cmdSair\r\n      Caption = \"Sair\"\r\n   End\r\n";
    const struct {
        const char* edit;
        AnsiString text;
        QStringList told;
    } rows[] = {
        {"nothing", kPedido, {}},
        {"a caption edited",
         edited(kPedido, "\"Nome\"", "\"Nome completo\""),
         {"changed FRMPEDIDO.LBLNOME \"Nome completo\" was \"Nome\""}},
        {"a control removed", edited(kPedido, cmdGravar, ""), {"removed FRMPEDIDO.CMDGRAVAR \"Gravar\""}},
        {"a control renamed",
         edited(kPedido, "cmdGravar", "cmdSalvar"),
         {"new FRMPEDIDO.CMDSALVAR \"Gravar\"", "removed FRMPEDIDO.CMDGRAVAR \"Gravar\""}},
        {"a form renamed",
         edited(kPedido, "Form frmPedido", "Form frmPedidoNovo"),
         {"new FRMPEDIDONOVO.LBLNOME \"Nome\"", "new FRMPEDIDONOVO.LBLOBS \"oooooooooooooooooooo\"",
          "new FRMPEDIDONOVO.CMDGRAVAR \"Gravar\"", "removed FRMPEDIDO.LBLNOME \"Nome\"",
          "removed FRMPEDIDO.LBLOBS \"oooooooooooooooooooo\"", "removed FRMPEDIDO.CMDGRAVAR \"Gravar\""}},
        {"a case-only change of names",
         edited(edited(kPedido, "lblNome", "LBLNOME"), "VB.Form frmPedido", "VB.Form FrmPedido"),
         {}},
        {"a case-only change of a caption",
         edited(kPedido, "\"Gravar\"", "\"GRAVAR\""),
         {"changed FRMPEDIDO.CMDGRAVAR \"GRAVAR\" was \"Gravar\""}},
        {"a trailing blank added", edited(kPedido, "\"Nome\"", "\"Nome \""), {}},
        {"a long caption edited past what is stored",
         edited(kPedido, AnsiString(4100, 'o'), AnsiString(4050, 'o') + AnsiString(50, 'x')),
         {}},
        {"a long caption edited within what is stored",
         edited(kPedido, AnsiString(4100, 'o'), "x" + AnsiString(4099, 'o')),
         {"changed FRMPEDIDO.LBLOBS \"xooooooooooooooooooo\" was \"" + QString(4000, QLatin1Char('o')) +
          "\""}},
        {"a caption met twice",
         edited(edited(kPedido, "   Begin VBCE.Label lblNome", cmdSair + "   Begin VBCE.Label lblNome"),
                "End\r\nAttribute", cmdSair + "End\r\nAttribute"),
         {"new FRMPEDIDO.CMDSAIR \"Sair\""}},
    };
    selectForms({{"Pedido.Ebf", kPedido}});
    chooseLanguage(QStringLiteral("POR"));
    pipeline();
    ASSERT_EQ(runCapture(), QStringList());
    ASSERT_EQ(rowsOnServer().size(), 3);
    run.checkOnly = true;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edit);
        folder.write(QStringLiteral("Pedido.Ebf"), row.text);
        ToldRun told;
        run.observer = &told;
        ASSERT_EQ(runCapture(), QStringList());
        EXPECT_EQ(told.changes, row.told) << told.changes.join(QLatin1Char('\n')).toStdString();
    }
    EXPECT_EQ(rowsOnServer().size(), 3) << "a check stores nothing";
}

// Of several stored values of one caption, the latest is the one a changed caption replaces; the
// others are no longer in the form.
TEST_F(ARun, PipelinedAChangedCaptionNamesTheLatestStoredValue) {
    selectForms({{"Pedido.Ebf", edited(kPedido, "\"Nome\"", "\"Nome antigo\"")}});
    chooseLanguage(QStringLiteral("POR"));
    pipeline();
    ASSERT_EQ(runCapture(), QStringList());
    folder.write(QStringLiteral("Pedido.Ebf"), kPedido);
    ASSERT_EQ(runCapture(), QStringList());
    folder.write(QStringLiteral("Pedido.Ebf"), edited(kPedido, "\"Nome\"", "\"Nome novo\""));
    run.checkOnly = true;
    ToldRun told;
    run.observer = &told;
    ASSERT_EQ(runCapture(), QStringList());
    EXPECT_EQ(told.changes, (QStringList{"changed FRMPEDIDO.LBLNOME \"Nome novo\" was \"Nome\"",
                                         "removed FRMPEDIDO.LBLNOME \"Nome antigo\""}));
}

// What changed is judged per program over every file of the run, whichever directories the files
// stand in: rows the run itself stores are never changed or removed, a check and a run over the
// same files tell the same, and a check right after a run tells nothing.
TEST_F(ARun, PipelinedChangesAreJudgedPerProgramOverEveryDirectoryOfTheRun) {
    const AnsiString sobre = SampleForms::labelForm("frmSobre", {"Vers\xE3o", "Autor"});
    const AnsiString sobreOutro = SampleForms::labelForm("frmSobre", {"Vers\xE3o 2", "Autor", "Site"});
    const struct {
        const char* name;
        QList<std::pair<QString, AnsiString>> stored; // captured first
        QList<std::pair<QString, AnsiString>> checked;
        QStringList told;
    } rows[] = {
        {"one form in two directories, nothing stored",
         {},
         {{"pa/Sobre.Ebf", sobre}, {"pb/Sobre.Ebf", sobreOutro}},
         {"new FRMSOBRE.LBL1 \"Versão\"", "new FRMSOBRE.LBL2 \"Autor\"", "new FRMSOBRE.LBL1 \"Versão 2\"",
          "new FRMSOBRE.LBL3 \"Site\""}},
        {"a caption edited in one of the two directories",
         {{"pc/Ajuda.Ebf", sobre}, {"pd/Ajuda.Ebf", sobre}},
         {{"pc/Ajuda.Ebf", sobre}, {"pd/Ajuda.Ebf", sobreOutro}},
         {"new FRMSOBRE.LBL1 \"Versão 2\"", "new FRMSOBRE.LBL3 \"Site\""}},
        {"a check over one of the program's directories",
         {{"pe/Menu.Ebf", sobre}, {"pf/Menu.Ebf", SampleForms::labelForm("frmMenu", {"Sair"})}},
         {{"pe/Menu.Ebf", sobre}},
         {"removed FRMMENU.LBL1 \"Sair\""}},
        {"a form renamed inside its file",
         {{"pg/Cliente.Ebf", SampleForms::kCliente}},
         {{"pg/Cliente.Ebf", edited(SampleForms::kCliente, "frmCliente", "frmClienteNovo")}},
         {"new FRMCLIENTENOVO.LBLNOME \"Nome do cliente\"", "new FRMCLIENTENOVO.CMDGRAVAR \"Gravar\"",
          "removed FRMCLIENTE.LBLNOME \"Nome do cliente\"", "removed FRMCLIENTE.CMDGRAVAR \"Gravar\""}},
        {"one program's caption edited among several forms",
         {{"ph/Loja.Ebf", sobre}, {"pi/Loja.Ebf", SampleForms::labelForm("frmCaixa", {"Total"})}},
         {{"ph/Loja.Ebf", sobre}, {"pi/Loja.Ebf", SampleForms::labelForm("frmCaixa", {"Total geral"})}},
         {"changed FRMCAIXA.LBL1 \"Total geral\" was \"Total\""}},
    };
    chooseLanguage(QStringLiteral("POR"));
    pipeline();
    const auto select = [&](const QList<std::pair<QString, AnsiString>>& forms) {
        view.lsbSelec.Clear();
        for (const auto& [name, text] : forms)
            view.lsbSelec.Add(folder.write(name, text));
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        select(row.stored);
        ASSERT_EQ(runCapture(), QStringList());
        select(row.checked);
        QStringList told[2];
        for (const bool checkOnly : {true, false}) {
            ToldRun observed;
            run.observer = &observed;
            run.checkOnly = checkOnly;
            ASSERT_EQ(runCapture(), QStringList());
            told[checkOnly ? 0 : 1] = observed.changes;
        }
        EXPECT_EQ(told[0], row.told) << told[0].join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(told[1], told[0]) << "a run tells what the check before it told";
        ToldRun again;
        run.observer = &again;
        run.checkOnly = true;
        ASSERT_EQ(runCapture(), QStringList());
        EXPECT_TRUE(again.changes.filter(QRegularExpression(QStringLiteral("^(new|changed)"))).isEmpty())
            << again.changes.join(QLatin1Char('\n')).toStdString();
        run.observer = nullptr;
        run.checkOnly = false;
    }
}

// A refused insert stops the run; rows on their way that the server confirmed, the next file's
// included, are stored and told, and the run is known to have stopped at the refused row's line.
TEST_F(ARun, PipelinedARefusedInsertStopsTheRunAtItsRow) {
    selectForms({{"Produto.Ebf", kProduto}, {"Cliente.Ebf", SampleForms::kCliente}});
    chooseLanguage(QStringLiteral("POR"));
    pipeline();
    ToldRun told;
    run.observer = &told;
    const auto serve = connection.transport;
    int inserts = 0;
    connection.transport = [&](const QByteArray& line) {
        if (!line.contains("\"SetPropried\"") || ++inserts != 2)
            return serve(line);
        const QJsonObject request = QJsonDocument::fromJson(line).object();
        return QJsonDocument(QJsonObject{{"jsonrpc", "2.0"},
                                         {"id", request.value("id")},
                                         {"result", QJsonObject{{"ok", false}, {"message", "disk full"}}}})
            .toJson(QJsonDocument::Compact);
    };

    const QStringList failures = runCapture();

    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("disk full"))) << failures[0].toStdString();
    // The list is sorted: Cliente comes first.
    EXPECT_EQ(told.storing, QStringLiteral("Cliente.Ebf:%1").arg(SampleForms::kCmdGravarLine));
    EXPECT_TRUE(told.recorded.contains(QStringLiteral("Cliente.Ebf:%1").arg(SampleForms::kLblNomeLine)));
    EXPECT_FALSE(told.recorded.contains(told.storing));
    EXPECT_EQ(rowsOnServer(), told.recordedRows);
    EXPECT_EQ(callsOf(RemoteMethods::kSetPropried), told.recorded.size() + 1)
        << "every other row sent is told";
}
