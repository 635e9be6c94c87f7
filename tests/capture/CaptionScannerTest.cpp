#include "capture/CaptionScanner.h"
#include "tests/support/SampleForms.h"

#include <gtest/gtest.h>

namespace {

// What the scanner held when a line asked for a look-up.
struct LookUp {
    int line; // 1-based
    AnsiString form;
    AnsiString component;
    AnsiString property;
    AnsiString value;

    bool operator==(const LookUp&) const = default;
};

void PrintTo(const LookUp& l, std::ostream* os) {
    *os << "line " << l.line << ": " << l.form.toStdString() << " / " << l.component.toStdString() << " / "
        << l.property.toStdString() << " / \"" << l.value.toStdString() << "\"";
}

QList<LookUp> scan(CaptionScanner& scanner, const QList<AnsiString>& lines,
                   const AnsiString& language = "POR") {
    QList<LookUp> found;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (scanner.readLine(lines[i], language))
            found.append({static_cast<int>(i + 1), scanner.formName, scanner.componentName,
                          scanner.propertyName, scanner.value});
    return found;
}

QList<AnsiString> scan(const AnsiString& program, const QList<AnsiString>& lines) {
    CaptionScanner scanner(program);
    QList<AnsiString> values;
    for (const LookUp& found : scan(scanner, lines))
        values.append(found.value);
    return values;
}

QList<AnsiString> splitLines(const AnsiString& text) {
    const TStringList lines = SampleForms::linesOf(text);
    QList<AnsiString> out;
    for (int i = 0; i < lines.Count(); ++i)
        out.append(lines[i]);
    return out;
}

const AnsiString kFormLine = "Begin VB.Form frmCliente";

} // namespace

TEST(CaptionScannerForm, TheClientFormLooksUpTheLabelAndTheButtonOnly) {
    CaptionScanner scanner("Cliente");
    const QList<AnsiString> lines = splitLines(SampleForms::kCliente);
    ASSERT_EQ(lines.size(), SampleForms::kClienteLines);

    const QList<LookUp> found = scan(scanner, lines);
    const QList<LookUp> expected = {
        {SampleForms::kLblNomeLine, "frmCliente", "lblNome", "CAPTION", "Nome do cliente"},
        {SampleForms::kCmdGravarLine, "frmCliente", "cmdGravar", "CAPTION", "Gravar"},
    };
    EXPECT_EQ(found, expected) << "neither the form's own caption nor the one set in its code is captured";
    EXPECT_TRUE(scanner.formEnded());
}

TEST(CaptionScannerForm, FormAndControlNamesAreTheRestOfTheirLinesTrimmedWhateverTheLetterCase) {
    CaptionScanner scanner("Pedido");
    const QList<LookUp> found = scan(scanner, {"\t begin vb.form   frmPedido  \t",
                                               "BEGIN VBCE.COMMANDBUTTON   cmdOk \t", "caption=\"Ok\""});
    const QList<LookUp> expected = {{3, "frmPedido", "cmdOk", "CAPTION", "Ok"}};
    EXPECT_EQ(found, expected);
}

TEST(CaptionScannerForm, AFrameAndTheOptionButtonsInsideItAreCapturedInTurn) {
    CaptionScanner scanner("Cliente");
    const QList<LookUp> found = scan(scanner, {
                                                  kFormLine,
                                                  "   Begin VBCE.Frame fraTipo",
                                                  "      Caption = \"Tipo de pessoa\"",
                                                  "      Begin VBCE.OptionButton optFisica",
                                                  "         Caption = \"F\xEDsica\"",
                                                  "      End",
                                                  "      Begin VBCE.OptionButton optJuridica",
                                                  "         Caption = \"Jur\xED"
                                                  "dica\"",
                                                  "      End",
                                                  "   End",
                                              });
    const QList<LookUp> expected = {
        {3, "frmCliente", "fraTipo", "CAPTION", "Tipo de pessoa"},
        {5, "frmCliente", "optFisica", "CAPTION", "F\xEDsica"},
        {8, "frmCliente", "optJuridica", "CAPTION",
         "Jur\xED"
         "dica"},
    };
    EXPECT_EQ(found, expected);
}

TEST(CaptionScannerForm, AnyOtherControlEndsTheCurrentOneSoItsCaptionIsNeverRecorded) {
    const QList<AnsiString> others = {"Begin VBCE.CheckBox chkAtivo", "Begin VBCE.TextBox txtNome",
                                      "Begin VB.Menu mnuArquivo",     "Begin GRIDLibCtl.GridCtrl grdItens",
                                      "Begin VBCE.LabelX lblOutro",   "Begin VBCE.Label"};
    for (const AnsiString& other : others) {
        SCOPED_TRACE(other.toStdString());
        CaptionScanner scanner("Cliente");
        EXPECT_EQ(scan(scanner, {kFormLine, "Begin VBCE.Label lblNome", "Caption = \"Nome\""}).size(), 1);

        EXPECT_FALSE(scanner.readLine(other, "POR"));
        EXPECT_EQ(scanner.componentName, AnsiString());
        EXPECT_EQ(scanner.value, AnsiString());
        EXPECT_FALSE(scanner.readLine("Caption = \"Marcar\"", "POR"));
        EXPECT_FALSE(scanner.readLine("End", "POR"));
        // The next captured control is looked up again.
        EXPECT_EQ(scan(scanner, {"Begin VBCE.Label lblDepois", "Caption = \"Marcar\""}).size(), 1);
    }
}

TEST(CaptionScannerCaption, TheValueIsTheQuotedTextAfterTheFirstEqualsSign) {
    struct Case {
        AnsiString line;
        AnsiString value; // empty: nothing is looked up
    };
    const QList<Case> cases = {
        {"Caption = \"Sair\"", "Sair"},
        {"caption=\"Sair\"", "Sair"},
        {"  CAPTION\t=\t\"Sair\"\t", "Sair"},
        {"Caption         =   \"  Sair  \"  ", "Sair"},
        {"Caption = \"Diga \"\"sim\"\"\"", "Diga \"\"sim\"\""},
        {"Caption = \"\"Sair\"\"", "\"Sair\""},
        {"Caption = \"a = b\"", "a = b"},
        {"Caption = \"\"", ""},
        {"Caption = \"   \"", ""},
        {"Caption = \"", ""},
        {"Caption = Sair", ""},
        {"Caption = $\"frmMain.frx\":0000", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        CaptionScanner scanner("Cliente");
        scan(scanner, {kFormLine, "Begin VBCE.Label lblNome"});
        EXPECT_EQ(scanner.readLine(c.line, "POR"), !c.value.isEmpty());
        EXPECT_EQ(scanner.propertyName, AnsiString("CAPTION"));
        EXPECT_EQ(scanner.value, c.value);
    }
}

TEST(CaptionScannerCaption, OnlyAPropertyNamedCaptionIsACaption) {
    const QList<AnsiString> notCaptions = {"ToolTipText = \"Caption\"", "Captions = \"Sair\"",
                                           "lblNome.Caption = \"Sair\"", "Caption \"Sair\"", "Caption"};
    for (const AnsiString& line : notCaptions) {
        SCOPED_TRACE(line.toStdString());
        CaptionScanner scanner("Cliente");
        EXPECT_TRUE(
            scan(scanner, {kFormLine, "Begin VBCE.Label lblCaption", line, "Height = 255"}).isEmpty());
        EXPECT_EQ(scanner.componentName, AnsiString("lblCaption"))
            << "a control named after the property is an ordinary control";
        EXPECT_EQ(scanner.propertyName, AnsiString());
        EXPECT_EQ(scanner.value, AnsiString());
    }
}

TEST(CaptionScannerCaption, KeywordsInsideACaptionChangeNeitherFormNorControl) {
    CaptionScanner scanner("Cliente");
    const QList<LookUp> found =
        scan(scanner, {kFormLine, "Begin VBCE.Label lblAjuda", "Caption = \"Begin VB.Form frmOutro\"",
                       "Caption = \"Begin VBCE.CheckBox chkOutro\"", "Height = 255"});
    const QList<LookUp> expected = {
        {3, "frmCliente", "lblAjuda", "CAPTION", "Begin VB.Form frmOutro"},
        {4, "frmCliente", "lblAjuda", "CAPTION", "Begin VBCE.CheckBox chkOutro"},
    };
    EXPECT_EQ(found, expected);
    EXPECT_FALSE(scanner.formEnded());
}

TEST(CaptionScannerFormEnd, NoLineAfterTheNameAttributeIsScanned) {
    for (const AnsiString& attribute : {AnsiString("Attribute VB_Name = \"frmCliente\""),
                                        AnsiString("  attribute vb_name=\"frmCliente\"")}) {
        SCOPED_TRACE(attribute.toStdString());
        CaptionScanner scanner("Cliente");
        scan(scanner, {kFormLine, "Begin VBCE.Label lblNome", "Caption = \"Nome\"", "End", "End"});
        EXPECT_FALSE(scanner.formEnded());
        EXPECT_FALSE(scanner.readLine(attribute, "POR"));
        EXPECT_TRUE(scanner.formEnded());
        EXPECT_TRUE(scan(scanner, {"Caption = \"Depois\"", "Begin VB.Form frmOutro",
                                   "Begin VBCE.Label lblOutro", "Caption = \"Outro\""})
                        .isEmpty());
        EXPECT_EQ(scanner.formName, AnsiString("frmCliente"));
        EXPECT_EQ(scanner.componentName, AnsiString("lblNome"));
        EXPECT_EQ(scanner.value, AnsiString("Nome"));
    }
}

TEST(CaptionScannerFormEnd, WithoutTheNameAttributeTheWholeTextIsScanned) {
    QList<AnsiString> lines = {kFormLine};
    for (int i = 1; i <= 200; ++i) {
        lines.append("Begin VBCE.Label lbl" + AnsiString::number(i));
        lines.append("Caption = \"Texto " + AnsiString::number(i) + "\"");
        lines.append("End");
    }
    CaptionScanner scanner("Cliente");
    const QList<LookUp> found = scan(scanner, lines);
    ASSERT_EQ(found.size(), 200);
    EXPECT_EQ(found.last().line, 200 * 3);
    EXPECT_EQ(found.last().value, AnsiString("Texto 200"));
    EXPECT_FALSE(scanner.formEnded());
}

TEST(CaptionScannerGate, ALookUpNeedsProgramFormControlPropertyAndValue) {
    EXPECT_TRUE(scan("", splitLines(SampleForms::kCliente)).isEmpty()) << "empty program code";
    EXPECT_TRUE(scan(" \t", splitLines(SampleForms::kCliente)).isEmpty()) << "blank program code";
    EXPECT_TRUE(scan("Cliente", {"Begin VBCE.Label lblNome", "Caption = \"Nome\""}).isEmpty()) << "no form";
    EXPECT_TRUE(scan("Cliente", {kFormLine, "Caption = \"Clientes\"", "Height = 255"}).isEmpty())
        << "no control";
    EXPECT_TRUE(scan("Cliente", {kFormLine, "Begin VBCE.Label lblNome", "Height = 255"}).isEmpty())
        << "no caption";
    EXPECT_EQ(scan("Cliente", {kFormLine, "Begin VBCE.Label lblNome", "Caption = \"Nome\""}),
              QList<AnsiString>{"Nome"});
}

TEST(CaptionScannerGate, OnlyTheKeyOfThePreviousLookUpIsRemembered) {
    const AnsiString label = "Begin VBCE.Label lblNome";
    EXPECT_EQ(scan("Cliente", {kFormLine, label, "Caption = \"A\"", "Caption = \"A\"", "Height = 1"}),
              QList<AnsiString>{"A"});
    EXPECT_EQ(scan("Cliente", {kFormLine, label, "Caption = \"A\"", "Caption = \"B\"", "Caption = \"A\""}),
              (QList<AnsiString>{"A", "B", "A"}));
    EXPECT_EQ(scan("Cliente", {kFormLine, label, "Caption = \"Sair\"", "Caption = \"SAIR\""}),
              QList<AnsiString>{"Sair"})
        << "the key holds the value upper-cased";
    EXPECT_EQ(scan("Cliente", {kFormLine, label, "Caption = \"A\"", "End", label, "Caption = \"A\""}),
              QList<AnsiString>{"A"})
        << "a second control of the same name and caption has the same key";
    EXPECT_EQ(scan("Cliente", {kFormLine, label, "Caption = \"A\"", "End", "Begin VBCE.Label lblOutro",
                               "Caption = \"A\""}),
              (QList<AnsiString>{"A", "A"}));

    // The language is part of the key.
    CaptionScanner scanner("Cliente");
    scan(scanner, {kFormLine, label});
    EXPECT_TRUE(scanner.readLine("Caption = \"A\"", "POR"));
    EXPECT_FALSE(scanner.readLine("Caption = \"A\"", "por"));
    EXPECT_TRUE(scanner.readLine("Caption = \"A\"", "ENG"));
}

TEST(CaptionScannerGate, NamesChangedByTheLookUpMakeANewKeyOnTheNextLineOfAnyKind) {
    CaptionScanner scanner("Cliente");
    scan(scanner, {kFormLine, "Begin VBCE.Label lblNome"});
    EXPECT_TRUE(scanner.readLine("Caption = \"Nome\"", "POR"));
    EXPECT_FALSE(scanner.readLine("Height = 255", "POR"));
    // As a look-up may hand back a name the server spells differently.
    scanner.componentName = "LBLNOME2";
    EXPECT_TRUE(scanner.readLine("Height = 255", "POR"));
    EXPECT_FALSE(scanner.readLine("Width = 1000", "POR"));
    scanner.componentName = "lblnome2";
    EXPECT_FALSE(scanner.readLine("Width = 1000", "POR")) << "the same key in other letter case";
}

TEST(CaptionScannerKey, TheKeyJoinsTheUpperCasedPartsWithTheValueNumberZero) {
    CaptionScanner scanner("Cliente");
    scan(scanner, splitLines(SampleForms::kCliente).mid(0, SampleForms::kLblNomeLine));
    EXPECT_EQ(scanner.captureKey("por"), AnsiString("CLIENTEFRMCLIENTELBLNOMECAPTION0NOME DO CLIENTEPOR"));
}

TEST(CaptionScannerKey, OnlyLettersAToZAreUpperCased) {
    CaptionScanner scanner("Cliente");
    scan(scanner, {kFormLine, "Begin VBCE.OptionButton optF\xEDsica", "Caption = \"F\xEDsica \xE0 vista\""});
    EXPECT_EQ(scanner.captureKey("POR"),
              AnsiString("CLIENTEFRMCLIENTEOPTF\xEDSICACAPTION0F\xEDSICA \xE0 VISTAPOR"));
    EXPECT_EQ(scanner.lookupValue(), AnsiString("F\xEDsica \xE0 vista"));
    EXPECT_EQ(scanner.storedValue(), AnsiString("F\xEDsica \xE0 vista"));
}

TEST(CaptionScannerKey, ALongCaptionIsCutTo4000CharactersForKeyLookUpAndRow) {
    const AnsiString head = AnsiString(3998, 'x');
    const AnsiString caption = head + "  " + AnsiString(1000, 'y');
    CaptionScanner scanner("Cliente");
    const QList<LookUp> found =
        scan(scanner, {kFormLine, "Begin VBCE.Label lblLongo", "Caption = \"" + caption + "\""});
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(scanner.value, caption) << "the scan keeps the whole caption";
    EXPECT_EQ(scanner.lookupValue(), head) << "cut, then right-trimmed";
    EXPECT_EQ(scanner.storedValue(), head + "  ") << "cut, not trimmed";
    EXPECT_EQ(scanner.captureKey("POR"), "CLIENTEFRMCLIENTELBLLONGOCAPTION0" + AnsiString(3998, 'X') + "POR");

    // A caption that differs only past the cut has the same key.
    EXPECT_FALSE(scanner.readLine("Caption = \"" + head + "  " + AnsiString(1000, 'z') + "\"", "POR"));
    EXPECT_TRUE(scanner.readLine("Caption = \"" + head + "z" + "\"", "POR"));
}
