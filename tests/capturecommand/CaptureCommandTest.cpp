#include "tests/support/CaptureProcess.h"
#include "tests/support/SampleForms.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/ServerRows.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

// The capture command as scripts use it: a directory of form files, a language and a server, on
// each storage.
class TheCaptureCommand : public EachStorageTest {
protected:
    void SetUp() override {
        EachStorageTest::SetUp();
        if (!IsSkipped())
            server = std::make_unique<ServerProcess>(GetParam());
    }

    void write(const QString& name, const QByteArray& bytes) {
        QFile file(forms.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QStringList runArguments(const QStringList& extra = {QStringLiteral("--yes")}) const {
        return QStringList{QStringLiteral("--language"), QStringLiteral("POR")} + serverOption(*server) +
               extra + QStringList{forms.path()};
    }

    std::unique_ptr<ServerProcess> server;
    QTemporaryDir forms;
};

namespace {

const QString kSuccess = QStringLiteral("A importação foi realizada com sucesso!");

// LF line ends, Windows-1252 text, a check box whose caption is not captured.
const QByteArray kPedido = "VERSION 5.00\n"
                           "Begin VB.Form frmPedido\n"
                           "   Begin VBCE.Frame fraPagamento\n"
                           "      Caption = \"Pagamento\"\n"
                           "      Begin VBCE.OptionButton optAVista\n"
                           "         Caption = \"\xC0 vista\"\n"
                           "      End\n"
                           "      Begin VBCE.CheckBox chkNota\n"
                           "         Caption = \"Emitir nota\"\n"
                           "      End\n"
                           "   End\n"
                           "End\n"
                           "Attribute VB_Name = \"frmPedido\"";

const QStringList kClienteRows = {captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do cliente"),
                                  captionRow("CLIENTE", "FRMCLIENTE", "CMDGRAVAR", "Gravar")};
const QStringList kPedidoRows = {captionRow("PEDIDO", "FRMPEDIDO", "FRAPAGAMENTO", "Pagamento"),
                                 captionRow("PEDIDO", "FRMPEDIDO", "OPTAVISTA", QStringLiteral("À vista"))};

std::string explain(const CaptureResult& result) {
    return ("exit " + QString::number(result.exitCode) + "\nstdout:\n" + result.out + "\nstderr:\n" +
            result.err)
        .toStdString();
}

} // namespace

TEST_P(TheCaptureCommand, ARunCapturesTheCaptionsOfTheDirectorysFormsAndASecondRunAddsNothing) {
    write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    write(QStringLiteral("Pedido.ebf"), kPedido);
    write(QStringLiteral("Tela.Dfm"), SampleForms::kCliente);
    write(QStringLiteral("leia-me.txt"), "Begin VB.Form frmNada\n");

    const CaptureResult first = runCapture(runArguments());
    ASSERT_TRUE(first.finished) << explain(first);
    EXPECT_EQ(first.exitCode, 0) << explain(first);
    EXPECT_TRUE(first.out.contains(kSuccess)) << explain(first);
    const std::optional<CaptureSummary> summary = summaryOf(first.out);
    ASSERT_TRUE(summary) << explain(first);
    EXPECT_EQ(summary->files, 2);
    EXPECT_EQ(summary->lines, 15 + 13);
    EXPECT_EQ(summary->lookups, 4);
    EXPECT_EQ(summary->inserted, 4);
    EXPECT_EQ(describeRows(exportedRows(*server)), kClienteRows + kPedidoRows);
    EXPECT_TRUE(versionStamp(*server).has_value());
    // What it says is its own: the confirmation it answered, nothing from the platform underneath.
    EXPECT_EQ(first.err.trimmed().split(QLatin1Char('\n')).size(), 1) << explain(first);
    EXPECT_TRUE(first.err.contains(QStringLiteral("Confirma a operação?"))) << explain(first);

    const CaptureResult second = runCapture(runArguments());
    EXPECT_EQ(second.exitCode, 0) << explain(second);
    const std::optional<CaptureSummary> again = summaryOf(second.out);
    ASSERT_TRUE(again) << explain(second);
    EXPECT_EQ(again->lookups, 4);
    EXPECT_EQ(again->inserted, 0);
    EXPECT_EQ(exportedRows(*server).size(), 4);
}

TEST_P(TheCaptureCommand, TypedTheDirectoryGivesItsDfmFilesInstead) {
    write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    write(QStringLiteral("Pedido.Dfm"), kPedido);
    write(QStringLiteral("pedido2.dfm"), QByteArray(kPedido).replace("frmPedido", "frmPedido2"));

    const CaptureResult result =
        runCapture(runArguments({QStringLiteral("--yes"), QStringLiteral("--typed")}));
    EXPECT_EQ(result.exitCode, 0) << explain(result);
    const std::optional<CaptureSummary> summary = summaryOf(result.out);
    ASSERT_TRUE(summary) << explain(result);
    EXPECT_EQ(summary->files, 2);
    EXPECT_EQ(summary->lines, 13 + 13);
    EXPECT_EQ(summary->inserted, 4);
    const QStringList pedido2Rows = {
        captionRow("PEDIDO2", "FRMPEDIDO2", "FRAPAGAMENTO", "Pagamento"),
        captionRow("PEDIDO2", "FRMPEDIDO2", "OPTAVISTA", QStringLiteral("À vista"))};
    EXPECT_EQ(describeRows(exportedRows(*server)), kPedidoRows + pedido2Rows);
}

TEST_P(TheCaptureCommand, UsageErrorsExitWithTwoAndTouchNothing) {
    write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    const QString address = QStringLiteral("127.0.0.1:%1").arg(server->port());
    QFile victim(forms.filePath(QStringLiteral("victim.json")));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.write("kept");
    victim.close();
    ASSERT_TRUE(victim.link(forms.filePath(QStringLiteral("link.json"))));
    ASSERT_TRUE(victim.link(forms.filePath(QStringLiteral("link.sarif"))));
    const QString untouched = forms.filePath(QStringLiteral("first.html"));
    QList<QStringList> usages = {
        {},
        {QStringLiteral("--yes"), forms.path()},
        {QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--server"), address},
        {QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--report"),
         forms.filePath(QStringLiteral("report.txt")), forms.path()},
        {QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--report"),
         forms.filePath(QStringLiteral("nada/report.json")), forms.path()},
        // A link another user placed would choose the file the report replaces.
        {QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--report"),
         forms.filePath(QStringLiteral("link.json")), forms.path()},
        // Every report is checked before the run: the first one is not written either.
        {QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--report"), untouched,
         QStringLiteral("--report"), forms.filePath(QStringLiteral("link.sarif")), forms.path()},
        {QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--annotations"),
         QStringLiteral("gitlab"), forms.path()},
        {QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--server"),
         QStringLiteral("127.0.0.1"), forms.path()},
        {QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--server"),
         QStringLiteral("127.0.0.1:0"), forms.path()},
        {QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--sever"), address,
         forms.path()},
    };
    // A directory the user cannot write holds no report; root writes anywhere.
    QTemporaryDir readOnly;
    ASSERT_TRUE(QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::ExeOwner));
    if (geteuid() != 0)
        usages.append({QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--report"),
                       readOnly.filePath(QStringLiteral("report.json")), forms.path()});
    for (const QStringList& usage : usages) {
        SCOPED_TRACE(usage.join(QLatin1Char(' ')).toStdString());
        const CaptureResult result = runCapture(usage);
        EXPECT_EQ(result.exitCode, 2) << explain(result);
        EXPECT_TRUE(result.err.contains(QStringLiteral("capture --help"))) << explain(result);
        EXPECT_FALSE(summaryOf(result.out)) << explain(result);
    }
    // A directory argument that names no directory says what is wrong with it.
    const QString missing = forms.filePath(QStringLiteral("nada"));
    const QString file = forms.filePath(QStringLiteral("Cliente.Ebf"));
    for (const auto& [directory, says] : {std::pair{missing, QStringLiteral("does not exist")},
                                          std::pair{file, QStringLiteral("is not a directory")}}) {
        SCOPED_TRACE(directory.toStdString());
        const CaptureResult result =
            runCapture(runArguments().mid(0, runArguments().size() - 1) << directory);
        EXPECT_EQ(result.exitCode, 2) << explain(result);
        EXPECT_TRUE(result.err.contains(directory + QLatin1Char(' ') + says)) << explain(result);
    }
    EXPECT_TRUE(exportedRows(*server).isEmpty());
    EXPECT_FALSE(versionStamp(*server).has_value());
    ASSERT_TRUE(victim.open(QIODevice::ReadOnly));
    EXPECT_EQ(victim.readAll(), "kept");
    EXPECT_FALSE(QFile::exists(untouched));
    QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_P(TheCaptureCommand, ARowTheServerRefusesIsNotCountedAsInserted) {
    write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    // The database refuses the second caption of the form.
    server->database().withConnection([kind = GetParam()](const QSqlDatabase& db) {
        const QStringList statements =
            kind == StorageKind::Sqlite
                ? QStringList{QStringLiteral(
                      "CREATE TRIGGER refuse_gravar BEFORE INSERT ON translations "
                      "WHEN NEW.STVALORPROP = 'Gravar' BEGIN SELECT RAISE(ABORT, 'refused'); END")}
                : QStringList{
                      QStringLiteral("CREATE FUNCTION refuse_gravar() RETURNS trigger AS $$ BEGIN "
                                     "IF NEW.STVALORPROP = 'Gravar' THEN RAISE EXCEPTION 'refused'; END IF; "
                                     "RETURN NEW; END $$ LANGUAGE plpgsql"),
                      QStringLiteral("CREATE TRIGGER refuse_gravar BEFORE INSERT ON translations "
                                     "FOR EACH ROW EXECUTE FUNCTION refuse_gravar()")};
        for (const QString& statement : statements) {
            QSqlQuery query(db);
            ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
        }
    });

    const CaptureResult result = runCapture(runArguments());

    EXPECT_EQ(result.exitCode, 1) << explain(result);
    const std::optional<CaptureSummary> summary = summaryOf(result.out);
    ASSERT_TRUE(summary) << explain(result);
    EXPECT_EQ(summary->lookups, 2);
    EXPECT_EQ(summary->inserted, 1) << "the refused row is not counted";
    EXPECT_TRUE(result.out.contains(QStringLiteral("stopped at ") +
                                    forms.filePath(QStringLiteral("Cliente.Ebf")) + QStringLiteral(":9")))
        << explain(result);
    EXPECT_EQ(describeRows(exportedRows(*server)), kClienteRows.mid(0, 1));
}

TEST_P(TheCaptureCommand, ALanguageTheServerDoesNotKnowFailsNamingIt) {
    write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    const CaptureResult result =
        runCapture(QStringList{QStringLiteral("--language"), QStringLiteral("XYZ")} + serverOption(*server) +
                   QStringList{QStringLiteral("--yes"), forms.path()});
    ASSERT_TRUE(result.finished) << explain(result);
    EXPECT_NE(result.exitCode, 0) << explain(result);
    EXPECT_TRUE(result.err.contains(QStringLiteral("XYZ"))) << explain(result);
    EXPECT_TRUE(exportedRows(*server).isEmpty());
    EXPECT_FALSE(versionStamp(*server).has_value());
}

TEST_P(TheCaptureCommand, WithoutAServerItFailsNamingTheAddressItTried) {
    write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    int deadPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        deadPort = static_cast<int>(probe.serverPort());
    }
    const QString address = QStringLiteral("127.0.0.1:%1").arg(deadPort);
    for (const QString& mode : {QStringLiteral("--yes"), QStringLiteral("--check")}) {
        SCOPED_TRACE(mode.toStdString());
        const CaptureResult result = runCapture({QStringLiteral("--language"), QStringLiteral("POR"),
                                                 QStringLiteral("--server"), address, mode, forms.path()});
        ASSERT_TRUE(result.finished) << explain(result);
        EXPECT_EQ(result.exitCode, 1) << explain(result);
        EXPECT_TRUE(result.err.contains(address)) << explain(result);
        EXPECT_FALSE(summaryOf(result.out)) << explain(result);
    }
}

namespace {

QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// The records of a CSV report whose first field is kind, each as its fields joined by "|". The
// values written here hold no comma, quote or line break.
QStringList csvRecords(const QString& path, const QString& kind) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList records;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n")))
        if (line.startsWith(kind + QLatin1Char(',')))
            records.append(line.split(QLatin1Char(',')).join(QLatin1Char('|')));
    return records;
}

} // namespace

// Any answer but yes, the end of the input included, stores nothing and fails, so that a build
// that forgets --yes does not pass having stored nothing; the version is stamped all the same.
TEST_P(TheCaptureCommand, WithoutYesTheAnswerIsReadFromStandardInputAndOnlyYesStores) {
    write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    QTemporaryDir reports;
    const QString json = reports.filePath(QStringLiteral("run.json"));
    const struct {
        const char* name;
        QByteArray input;
        int exitCode;
        int inserted;
    } rows[] = {
        {"no", "n\n", 1, 0},
        {"the end of the input", "", 1, 0},
        {"anything else", "talvez\n", 1, 0},
        {"yes", "s\n", 0, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const CaptureResult result = runCapture(runArguments({QStringLiteral("--report"), json}), row.input);
        EXPECT_EQ(result.exitCode, row.exitCode) << explain(result);
        EXPECT_TRUE(result.err.contains(QStringLiteral("Confirma a operação?"))) << explain(result);
        EXPECT_EQ(result.out.contains(kSuccess), row.exitCode == 0) << explain(result);
        EXPECT_EQ(result.err.contains(QStringLiteral("nothing was stored")), row.exitCode != 0)
            << explain(result);
        const std::optional<CaptureSummary> summary = summaryOf(result.out);
        ASSERT_TRUE(summary) << explain(result);
        EXPECT_EQ(summary->inserted, row.inserted);
        const QJsonObject report = readJson(json);
        EXPECT_EQ(report["completed"].toBool(), row.exitCode == 0);
        EXPECT_EQ(exportedRows(*server).size(), row.inserted);
        EXPECT_TRUE(versionStamp(*server).has_value()) << "every answer stamps the version";
    }
    EXPECT_EQ(describeRows(exportedRows(*server)), kClienteRows);
}

TEST_P(TheCaptureCommand, ACheckNamesOnceWhereEachRowARunWouldInsertStandsAndStoresNothing) {
    write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    write(QStringLiteral("Pedido.ebf"), kPedido);
    // The client form again in a second directory, listed after the first: a run stores its rows
    // from the first one.
    const QString copy = forms.filePath(QStringLiteral("zcopy"));
    ASSERT_TRUE(QDir(forms.path()).mkdir(QStringLiteral("zcopy")));
    ASSERT_TRUE(
        QFile::copy(forms.filePath(QStringLiteral("Cliente.Ebf")), copy + QStringLiteral("/Cliente.Ebf")));
    QTemporaryDir reports;
    const QString checkReport = reports.filePath(QStringLiteral("check.json"));
    // The first directory named twice, in another spelling: its files are refused the second time
    // and the run goes on.
    // The language in any case, as the window takes it.
    const QStringList check =
        QStringList{QStringLiteral("--language"), QStringLiteral("por")} + serverOption(*server) +
        QStringList{
            QStringLiteral("--check"),           QStringLiteral("--report"), checkReport, forms.path(), copy,
            forms.path() + QStringLiteral("/./")};

    const CaptureResult checked = runCapture(check);

    EXPECT_EQ(checked.exitCode, 3) << explain(checked);
    const QString cliente = forms.filePath(QStringLiteral("Cliente.Ebf"));
    const QString pedido = forms.filePath(QStringLiteral("Pedido.ebf"));
    const QStringList named = {
        cliente + QStringLiteral(":5: FRMCLIENTE.LBLNOME: new caption \"Nome do cliente\""),
        cliente + QStringLiteral(":9: FRMCLIENTE.CMDGRAVAR: new caption \"Gravar\""),
        pedido + QStringLiteral(":4: FRMPEDIDO.FRAPAGAMENTO: new caption \"Pagamento\""),
        pedido + QStringLiteral(":6: FRMPEDIDO.OPTAVISTA: new caption \"À vista\"")};
    QStringList printed = checked.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(printed.isEmpty());
    const QString summaryLine = printed.takeLast();
    const QString changesLine = printed.takeLast();
    EXPECT_EQ(printed.join('\n'), named.join('\n')) << explain(checked);
    EXPECT_EQ(changesLine, QStringLiteral("changed captions: 0, stored captions no longer in the forms: 0"));
    EXPECT_TRUE(summaryLine.contains(QStringLiteral("rows it would insert: 4"))) << explain(checked);
    const std::optional<CaptureSummary> summary = summaryOf(checked.out);
    ASSERT_TRUE(summary) << explain(checked);
    EXPECT_EQ(summary->files, 3);
    EXPECT_EQ(summary->lookups, 6);
    for (const QString& file : {cliente, pedido})
        EXPECT_TRUE(checked.err.contains(file + QStringLiteral(": Arquivo já selecionado.")))
            << explain(checked);
    EXPECT_FALSE(checked.err.contains(QStringLiteral("Confirma"))) << explain(checked);
    EXPECT_TRUE(exportedRows(*server).isEmpty());
    EXPECT_FALSE(versionStamp(*server).has_value());

    const QJsonObject report = readJson(checkReport);
    EXPECT_EQ(report.value(QLatin1String("mode")).toString(), QStringLiteral("check"));
    EXPECT_TRUE(report.value(QLatin1String("completed")).toBool());
    EXPECT_TRUE(report.value(QLatin1String("stopped")).isNull());
    const QJsonArray files = report.value(QLatin1String("files")).toArray();
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(files[2].toObject(),
              (QJsonObject{{QStringLiteral("file"), copy + QStringLiteral("/Cliente.Ebf")},
                           {QStringLiteral("lines"), SampleForms::kClienteLines},
                           {QStringLiteral("lookups"), 2},
                           {QStringLiteral("rows"), 0},
                           {QStringLiteral("changed"), 0},
                           {QStringLiteral("removed"), 0}}));
    QStringList reported;
    for (const QJsonValue& row : report.value(QLatin1String("rows")).toArray())
        reported.append(QStringLiteral("%1:%2: %3.%4: new caption \"%5\"")
                            .arg(row[QLatin1String("file")].toString())
                            .arg(row[QLatin1String("line")].toInt())
                            .arg(row[QLatin1String("form")].toString(),
                                 row[QLatin1String("component")].toString(),
                                 row[QLatin1String("value")].toString()));
    EXPECT_EQ(reported.join('\n'), named.join('\n'));

    // The run inserts exactly those rows, where the check said; then a check finds nothing new.
    const QString runReport = reports.filePath(QStringLiteral("run.csv"));
    const CaptureResult ran = runCapture(
        QStringList{QStringLiteral("--language"), QStringLiteral("POR")} + serverOption(*server) +
        QStringList{QStringLiteral("--yes"), QStringLiteral("--report"), runReport, forms.path(), copy});
    EXPECT_EQ(ran.exitCode, 0) << explain(ran);
    EXPECT_EQ(describeRows(exportedRows(*server)), kClienteRows + kPedidoRows);
    QStringList inserted;
    for (const QString& record : csvRecords(runReport, QStringLiteral("inserted"))) {
        const QStringList fields = record.split(QLatin1Char('|'));
        inserted.append(QStringLiteral("%1:%2: %3.%4: new caption \"%5\"")
                            .arg(fields[1], fields[2], fields[7], fields[8], fields[10]));
    }
    EXPECT_EQ(inserted.join('\n'), named.join('\n'));
    EXPECT_EQ(csvRecords(runReport, QStringLiteral("completed")).join('\n'),
              QStringLiteral("completed|||43|6|4||||||POR||"));

    const CaptureResult again = runCapture(check);
    EXPECT_EQ(again.exitCode, 0) << explain(again);
    EXPECT_FALSE(again.out.contains(QStringLiteral("new caption"))) << explain(again);
    EXPECT_TRUE(again.out.contains(QStringLiteral("rows it would insert: 0"))) << explain(again);
}

// After a form was edited, a check names the changed and the removed captions; the reports hold
// them; only --fail-on-removed makes a check with nothing new but something removed fail.
// The report names the language by the code the rows are written with, however it was given.
TEST_P(TheCaptureCommand, TheReportNamesTheLanguageByItsCode) {
    write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    QTemporaryDir reports;
    const QString json = reports.filePath(QStringLiteral("check.json"));
    for (const QString& given :
         {QStringLiteral("por"), QStringLiteral("POR"), QStringLiteral("por-PORTUGUÊS")}) {
        SCOPED_TRACE(given.toStdString());
        const CaptureResult result =
            runCapture(QStringList{QStringLiteral("--language"), given, QStringLiteral("--check"),
                                   QStringLiteral("--report"), json} +
                       serverOption(*server) + QStringList{forms.path()});
        EXPECT_EQ(result.exitCode, 3) << explain(result);
        EXPECT_EQ(readJson(json)["language"].toString(), QStringLiteral("POR"));
    }
}

// A program whose stored rows pass what one answer could hold is checked and captured again: the
// stored rows are read in pages.
TEST_P(TheCaptureCommand, AProgramOfManyStoredRowsIsCheckedAndCapturedAgain) {
    if (GetParam() != StorageKind::Sqlite)
        GTEST_SKIP() << "one storage is enough for the client's paging; the server's is tested on both";
    constexpr int kCaptions = 10050;
    QList<AnsiString> captions;
    for (int i = 0; i < kCaptions; ++i)
        captions.append("Legenda " + AnsiString::number(i));
    write(QStringLiteral("Grande.Ebf"), SampleForms::labelForm("frmGrande", captions));
    ASSERT_EQ(runCapture(runArguments()).exitCode, 0);
    for (const QStringList& extra :
         {QStringList{QStringLiteral("--check")}, QStringList{QStringLiteral("--yes")}}) {
        const CaptureResult again = runCapture(runArguments(extra));
        EXPECT_EQ(again.exitCode, 0) << explain(again).substr(0, 2000);
        const std::optional<CaptureSummary> summary = summaryOf(again.out);
        ASSERT_TRUE(summary) << explain(again).substr(0, 2000);
        EXPECT_EQ(summary->lookups, kCaptions);
        EXPECT_EQ(summary->inserted, 0);
        EXPECT_TRUE(again.out.contains("changed captions: 0, stored captions no longer in the forms: 0"));
    }
}

TEST_P(TheCaptureCommand, ACheckAfterAnEditNamesChangedAndRemovedCaptions) {
    write(QStringLiteral("Pedido.ebf"), kPedido);
    ASSERT_EQ(runCapture(runArguments()).exitCode, 0);
    const QString pedido = forms.filePath(QStringLiteral("Pedido.ebf"));
    QTemporaryDir reports;
    const QString json = reports.filePath(QStringLiteral("check.json"));
    const QString csv = reports.filePath(QStringLiteral("check.csv"));
    const auto check = [&](const QStringList& extra) {
        return runCapture(runArguments(QStringList{"--check"} + extra));
    };

    QByteArray edited = kPedido;
    write(QStringLiteral("Pedido.ebf"),
          edited.replace("\"Pagamento\"", "\"Forma de pagamento\"").replace("\xC0 vista", "\xC0 prazo"));
    const CaptureResult changed = check({QStringLiteral("--report"), json});
    EXPECT_EQ(changed.exitCode, 3) << explain(changed);
    EXPECT_TRUE(changed.out.startsWith(
        pedido +
        ":4: FRMPEDIDO.FRAPAGAMENTO: changed caption \"Forma de pagamento\" (the table holds "
        "\"Pagamento\")\n" +
        pedido + ":6: FRMPEDIDO.OPTAVISTA: changed caption \"À prazo\" (the table holds \"À vista\")\n"))
        << explain(changed);
    EXPECT_TRUE(changed.out.contains("changed captions: 2, stored captions no longer in the forms: 0"))
        << explain(changed);
    const QJsonObject report = readJson(json);
    EXPECT_EQ(report["totals"]["changed"].toInt(), 2);
    EXPECT_EQ(report["rows"][1]["change"].toString(), QStringLiteral("changed"));
    EXPECT_EQ(report["rows"][1]["old"].toString(), QStringLiteral("À vista"));

    write(QStringLiteral("Pedido.ebf"),
          QByteArray(kPedido).replace(
              "      Begin VBCE.OptionButton optAVista\n         Caption = \"\xC0 vista\"\n      End\n", ""));
    const CaptureResult removed = check({QStringLiteral("--report"), csv});
    EXPECT_EQ(removed.exitCode, 0) << explain(removed);
    EXPECT_TRUE(removed.out.startsWith(
        pedido + ": FRMPEDIDO.OPTAVISTA: caption \"À vista\" is no longer in the form\n"))
        << explain(removed);
    EXPECT_EQ(csvRecords(csv, QStringLiteral("removed")),
              QStringList{"removed|" + pedido + "|||||PEDIDO|FRMPEDIDO|OPTAVISTA|CAPTION|À vista|POR||"});
    EXPECT_EQ(check({QStringLiteral("--fail-on-removed")}).exitCode, 3);
    EXPECT_EQ(describeRows(exportedRows(*server)).size(), 2) << "nothing stored is changed or deleted";
}

namespace {

// The capture run with parent + "/forms-\xFF" as its last argument. QProcess hands its arguments
// on as UTF-8, which cannot carry that byte, so a shell prints it in.
CaptureResult runCaptureOverFormsFF(const QStringList& arguments, const QString& parent) {
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(
        QStringLiteral("/bin/sh"),
        QStringList{QStringLiteral("-c"),
                    QStringLiteral(R"(c=$0 d=$(printf '%s/forms-\377' "$1"); shift; exec "$c" "$@" "$d")"),
                    QStringLiteral(CAPTURE_PATH), parent} +
            arguments);
    process.closeWriteChannel();
    CaptureResult result;
    result.finished = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    if (!result.finished)
        process.kill();
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

} // namespace

// A directory's name is the platform's own bytes, UTF-8 or not: found, listed and read.
TEST_P(TheCaptureCommand, ACheckReadsTheFormsOfADirectoryWhoseNameIsNotUtf8) {
    // Qt cannot make it, so it is made through the C library.
    const QByteArray directory = QFile::encodeName(forms.path()) + "/forms-\xFF";
    ASSERT_EQ(::mkdir(directory.constData(), 0700), 0);
    FILE* file = std::fopen((directory + "/Cliente.Ebf").constData(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs(SampleForms::kCliente.constData(), file);
    std::fclose(file);

    const CaptureResult checked = runCaptureOverFormsFF(
        QStringList{QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--check")} +
            serverOption(*server),
        forms.path());

    ASSERT_TRUE(checked.finished) << explain(checked);
    EXPECT_EQ(checked.exitCode, 3) << explain(checked);
    EXPECT_TRUE(
        checked.out.contains(QStringLiteral("/Cliente.Ebf:9: FRMCLIENTE.CMDGRAVAR: new caption \"Gravar\"")))
        << explain(checked);
    const std::optional<CaptureSummary> summary = summaryOf(checked.out);
    ASSERT_TRUE(summary) << explain(checked);
    EXPECT_EQ(summary->files, 1);
    EXPECT_EQ(summary->lines, SampleForms::kClienteLines);
    EXPECT_EQ(summary->inserted, 2);
    EXPECT_TRUE(exportedRows(*server).isEmpty());
}

INSTANTIATE_FOR_EACH_STORAGE(TheCaptureCommand);
