#include "tests/support/PartsFixture.h"
#include "tests/support/SampleForms.h"

#include <algorithm>

// The scan of one form text: look-ups, new rows, status line and progress.
class Import : public PartsFixture {
protected:
    void SetUp() override { open(); }
};

namespace {

const QString kLblNomeStatus = QStringLiteral("CLIENTE - frmCliente - lblNome - CAPTION - Nome do cliente");
const QString kCmdGravarStatus = QStringLiteral("CLIENTE - frmCliente - cmdGravar - CAPTION - Gravar");

QJsonArray strings(const QStringList& values) {
    return QJsonArray::fromStringList(values);
}

} // namespace

TEST_F(Import, EachCaptionIsLookedUpWithSevenStringsWhenTheScanReachesIt) {
    languageCode = "por";
    QList<int> lookupsAfterLine;
    view.onProcessMessages = [&] { lookupsAfterLine.append(callsOf(QStringLiteral("GetPropried"))); };

    run.Import(SampleForms::linesOf(SampleForms::kCliente), "Cliente");
    const QStringList& statusAfterLine = view.statusAtStep;

    ASSERT_EQ(lookupsAfterLine.size(), SampleForms::kClienteLines);
    for (int line = 1; line <= SampleForms::kClienteLines; ++line) {
        SCOPED_TRACE(line);
        const int expected = (line >= SampleForms::kLblNomeLine) + (line >= SampleForms::kCmdGravarLine);
        EXPECT_EQ(lookupsAfterLine[line - 1], expected);
        const QString status = line < SampleForms::kLblNomeLine     ? QString()
                               : line < SampleForms::kCmdGravarLine ? kLblNomeStatus
                                                                    : kCmdGravarStatus;
        EXPECT_EQ(statusAfterLine[line - 1], status);
    }
    const QList<QJsonArray> lookups = paramsOf(QStringLiteral("GetPropried"));
    ASSERT_EQ(lookups.size(), 2);
    // The language goes out as the module holds it; names keep their letter case.
    EXPECT_EQ(lookups[0],
              strings({"CLIENTE", "frmCliente", "lblNome", "CAPTION", "0", "Nome do cliente", "por"}));
    EXPECT_EQ(lookups[1], strings({"CLIENTE", "frmCliente", "cmdGravar", "CAPTION", "0", "Gravar", "por"}));
}

TEST_F(Import, ANewCaptionBecomesOneRowOnTheServerBeforeTheScanGoesOn) {
    languageCode = "por";
    const QDateTime before = QDateTime::currentDateTime();
    run.Import(SampleForms::linesOf(SampleForms::kCliente), "Cliente");
    const QDateTime after = QDateTime::currentDateTime();

    EXPECT_EQ(calls, (QStringList{"GetPropried", "SetPropried", "GetPropried", "SetPropried"}));
    const QList<QJsonObject> rows = server.rows();
    EXPECT_EQ(describeRows(rows),
              (QStringList{captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do cliente"),
                           captionRow("CLIENTE", "FRMCLIENTE", "CMDGRAVAR", "Gravar")}));
    for (const QJsonObject& row : rows) {
        const QDateTime stamped =
            QDateTime::fromString(row.value(QLatin1String("DTULTATUTRAD")).toString(), Qt::ISODateWithMs);
        EXPECT_TRUE(stamped >= before && stamped <= after)
            << stamped.toString(Qt::ISODateWithMs).toStdString() << " is not the time of the scan";
    }
}

TEST_F(Import, AKnownCaptionInsertsNothingAndLeavesTheStatusLineAlone) {
    data.cdsPropried.CreateDataSet();
    postRow(data.cdsPropried, "CLIENTE", "LBLNOME", "Nome do cliente");
    forgetCalls();
    languageCode = "POR";
    view.status = QStringLiteral("antes");

    run.Import(SampleForms::linesOf(SampleForms::kCliente), "Cliente");
    const QStringList& statusAfterLine = view.statusAtStep;

    EXPECT_EQ(callsOf(QStringLiteral("GetPropried")), 2);
    EXPECT_EQ(callsOf(QStringLiteral("SetPropried")), 1);
    ASSERT_EQ(statusAfterLine.size(), SampleForms::kClienteLines);
    EXPECT_EQ(statusAfterLine[SampleForms::kLblNomeLine - 1], QStringLiteral("antes"));
    EXPECT_EQ(statusAfterLine[SampleForms::kCmdGravarLine - 1], kCmdGravarStatus);
    EXPECT_EQ(server.rows().size(), 2);

    // Scanned again, every caption is known.
    forgetCalls();
    run.Import(SampleForms::linesOf(SampleForms::kCliente), "Cliente");
    EXPECT_EQ(calls, (QStringList{"GetPropried", "GetPropried"}));
    EXPECT_EQ(server.rows().size(), 2);
}

TEST_F(Import, TheProgressBarMovesOneStepPerLineVisited) {
    languageCode = "POR";
    const TStringList lines = SampleForms::linesOf(SampleForms::kCliente);
    view.progress = 100;

    run.Import(lines, "Cliente");
    const QList<int>& positions = view.progressSteps;

    QList<int> expected;
    for (int line = 1; line <= lines.Count(); ++line)
        expected.append(100 + line);
    EXPECT_EQ(positions, expected) << "the lines after the end of the form count too";
}

TEST_F(Import, WhenPacedTheBarMovesInGatheredStepsAndEndsOnTheLastLine) {
    run.progressInterval = std::chrono::milliseconds(20);
    languageCode = "POR";
    // A form of many lines and no captions at all: nothing but scanning.
    AnsiString text = "VERSION 5.00\r\nBegin VB.Form frmLongo\r\n";
    for (int k = 1; k <= 2000; ++k)
        text += "   Begin VBCE.TextBox txt" + AnsiString::number(k) + "\r\n      Height = 255\r\n   End\r\n";
    const TStringList lines = SampleForms::linesOf(text + "End\r\nAttribute VB_Name = \"frmLongo\"\r\n");
    view.progress = 100;

    run.Import(lines, "Longo");
    const QList<int>& positions = view.progressSteps;

    ASSERT_FALSE(positions.isEmpty());
    EXPECT_EQ(positions.last(), 100 + lines.Count());
    EXPECT_LT(positions.size(), lines.Count() / 10) << "the bar was moved for nearly every line";
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(Import, WithACancelRequestedTheScanReturnsAtOnceTouchingNothing) {
    languageCode = "POR";
    view.onProcessMessages = [&] {
        if (view.progress == SampleForms::kLblNomeLine)
            run.requestCancel();
    };
    run.Import(SampleForms::linesOf(SampleForms::kCliente), "Cliente");
    EXPECT_EQ(rowsOnServer(), QStringList{captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do cliente")});

    // While the request stands, a further scan touches nothing.
    const qsizetype callsBefore = calls.size();
    const int positionBefore = view.progress;
    const QString statusBefore = view.status;
    run.Import(SampleForms::linesOf(SampleForms::labelForm("frmOutro", {"Um", "Dois"})), "Outro");
    EXPECT_EQ(calls.size(), callsBefore);
    EXPECT_EQ(view.progress, positionBefore);
    EXPECT_EQ(view.status, statusBefore);
}

TEST_F(Import, CharactersBeyondAsciiTravelAsTheyAreAndOnlyAToZIsUpperCased) {
    languageCode = "POR";
    const AnsiString text =
        "VERSION 5.00\r\nBegin VB.Form frmPessoa\r\n   Begin VBCE.OptionButton optF\xEDsica\r\n"
        "      Caption = \"F\xEDsica \xE0 vista\"\r\n   End\r\nEnd\r\n";
    run.Import(SampleForms::linesOf(text), "Pessoa");

    const QList<QJsonArray> lookups = paramsOf(QStringLiteral("GetPropried"));
    ASSERT_EQ(lookups.size(), 1);
    EXPECT_EQ(lookups[0], strings({"PESSOA", "frmPessoa", QStringLiteral("optFísica"), "CAPTION", "0",
                                   QStringLiteral("Física à vista"), "POR"}));
    EXPECT_EQ(rowsOnServer(), QStringList{captionRow("PESSOA", "FRMPESSOA", QStringLiteral("OPTFíSICA"),
                                                     QStringLiteral("Física à vista"))});
    EXPECT_EQ(view.status, QStringLiteral("PESSOA - frmPessoa - optFísica - CAPTION - Física à vista"));
}

TEST_F(Import, ALongCaptionIsLookedUpTrimmedAndStoredCutSoThatItIsFoundAgain) {
    languageCode = "POR";
    const AnsiString head(3998, 'x');
    const AnsiString text = "Begin VB.Form frmLongo\r\nBegin VBCE.Label lblLongo\r\nCaption = \"" + head +
                            "  " + AnsiString(100, 'y') + "\"\r\nEnd\r\n";
    run.Import(SampleForms::linesOf(text), "Longo");

    const QList<QJsonArray> lookups = paramsOf(QStringLiteral("GetPropried"));
    ASSERT_EQ(lookups.size(), 1);
    EXPECT_EQ(lookups[0].at(5).toString(), QString::fromLatin1(head));
    const QList<QJsonObject> rows = server.rows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].value(QLatin1String("STVALORPROP")).toString(), QString::fromLatin1(head + "  "));
    EXPECT_EQ(rows[0].value(QLatin1String("STAGRVALPROP")).toString(), QString::fromLatin1(head + "  "));

    forgetCalls();
    run.Import(SampleForms::linesOf(text), "Longo");
    EXPECT_EQ(calls, QStringList{"GetPropried"}) << "the stored row answers the trimmed look-up";
}
