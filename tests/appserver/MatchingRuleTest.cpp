#include "tests/appserver/ServerFixture.h"
#include "tests/appserver/TranslationRows.h"

// Which stored rows GetPropried finds: keys equal after a-z upper-casing, the number equal, the
// stored value right-trimmed equal to the value sent.

class MatchingRuleTest : public ServerFixture {
protected:
    void store(const QJsonArray& row) {
        const QJsonObject result =
            resultOf(client.call("SetPropried", QJsonArray{translationDelta({insertChange(row)})}));
        ASSERT_TRUE(result.value("ok").toBool()) << result.value("message").toString().toStdString();
    }

    int found(const QJsonArray& args) {
        const QJsonObject response = client.call("GetPropried", args);
        EXPECT_TRUE(resultOf(response).value("ok").toBool()) << errorCode(response);
        return int(rowsOf(response).size());
    }
};
INSTANTIATE_FOR_EACH_STORAGE(MatchingRuleTest);

TEST_P(MatchingRuleTest, KeysMatchWhateverTheCaseOfTheirLetters) {
    store(captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do cliente"));
    EXPECT_EQ(found(lookupArgs("CLIENTE", "frmCliente", "lblNome", "Nome do cliente")), 1);
    EXPECT_EQ(found({"cliente", "FrmCliente", "LBLNOME", "caption", "0", "Nome do cliente", "por"}), 1);
    EXPECT_EQ(found(lookupArgs("CLIENTE", "frmCliente", "lblNome", "Nome do cliente", "ENG")), 0);
    EXPECT_EQ(found(lookupArgs("CLIENTE", "frmCliente", "lblOutro", "Nome do cliente")), 0);
    EXPECT_EQ(found({"CLIENTE", "frmCliente", "lblNome", "HINT", "0", "Nome do cliente", "POR"}), 0);
}

TEST_P(MatchingRuleTest, TheValueIsCaseSensitiveAndOnlyTheStoredOneIsTrimmed) {
    store(captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do cliente  \t"));
    EXPECT_EQ(found(lookupArgs("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do cliente")), 1);
    EXPECT_EQ(found(lookupArgs("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do Cliente")), 0);
    EXPECT_EQ(found(lookupArgs("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do cliente  ")), 0);
    EXPECT_EQ(found(lookupArgs("CLIENTE", "FRMCLIENTE", "LBLNOME", " Nome do cliente")), 0);
    EXPECT_EQ(found(lookupArgs("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do")), 0);

    // The row comes back as stored, blanks and all.
    const QJsonArray rows =
        rowsOf(client.call("GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome do cliente")));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0).toArray().at(6).toString(), "Nome do cliente  \t");
}

TEST_P(MatchingRuleTest, TheNumberIsComparedAsANumber) {
    store(captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome"));
    store(withField(captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome"), 4, 2.5));
    EXPECT_EQ(found({"CLIENTE", "FRMCLIENTE", "LBLNOME", "CAPTION", "0", "Nome", "POR"}), 1);
    EXPECT_EQ(found({"CLIENTE", "FRMCLIENTE", "LBLNOME", "CAPTION", "0.0", "Nome", "POR"}), 1);
    EXPECT_EQ(found({"CLIENTE", "FRMCLIENTE", "LBLNOME", "CAPTION", "-0", "Nome", "POR"}), 1);
    EXPECT_EQ(found({"CLIENTE", "FRMCLIENTE", "LBLNOME", "CAPTION", "1", "Nome", "POR"}), 0);
    EXPECT_EQ(found({"CLIENTE", "FRMCLIENTE", "LBLNOME", "CAPTION", "2.50", "Nome", "POR"}), 1);
    const QJsonArray rows = rowsOf(client.call(
        "GetPropried", QJsonArray{"CLIENTE", "FRMCLIENTE", "LBLNOME", "CAPTION", "2.5", "Nome", "POR"}));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0).toArray().at(4).toDouble(), 2.5);
}

TEST_P(MatchingRuleTest, ANumberThatIsNotANumberIsAnArgumentError) {
    for (const QString& notANumber :
         {QString("zero"), QString(""), QString("1,5"), QString("nan"), QString("inf")}) {
        const QJsonObject response =
            client.call("GetPropried",
                        QJsonArray{"CLIENTE", "FRMCLIENTE", "LBLNOME", "CAPTION", notANumber, "Nome", "POR"});
        EXPECT_EQ(errorCode(response), -32602) << notANumber.toStdString();
    }
}

TEST_P(MatchingRuleTest, OnlyTheLettersAToZAreUpperCased) {
    // The capture stores names upper-cased a-z only: "Física" becomes "FíSICA".
    store(captionRow("CADASTRO", "FíSICA", "LBLNOME", "Nome"));
    EXPECT_EQ(found(lookupArgs("CADASTRO", "Física", "lblNome", "Nome")), 1);
    EXPECT_EQ(found(lookupArgs("CADASTRO", "FÍSICA", "lblNome", "Nome")), 0);
    EXPECT_EQ(found(lookupArgs("CADASTRO", "física", "lblNome", "Nome")), 1);
}

TEST_P(MatchingRuleTest, AFourThousandCharacterValueIsStoredAndFoundWhole) {
    QString value;
    for (int i = 0; value.size() < 4000; ++i)
        value += QString::number(i % 10);
    value[3999] = QChar(u'é');
    store(captionRow("LONGO", "FRMLONGO", "MEMO", value));
    const QJsonArray rows =
        rowsOf(client.call("GetPropried", lookupArgs("LONGO", "frmLongo", "memo", value)));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0).toArray().at(6).toString(), value);
    EXPECT_EQ(rows.at(0).toArray().at(7).toString(), value);
    EXPECT_EQ(found(lookupArgs("LONGO", "frmLongo", "memo", value.left(3999))), 0);
}

TEST_P(MatchingRuleTest, AFourThousandCharacterValueOfMultibyteCharactersIsStoredAndFoundWhole) {
    // 4,000 characters of one to four bytes in UTF-8, quotes and backslashes among them: about
    // 8,700 bytes, three times what one index entry can hold, so only the digest can be indexed.
    const QStringList pieces{"ç", "€", "😀", "'", "\\", "ã"};
    QString value;
    for (int i = 0; i < 4000; ++i)
        value += pieces.at(i % pieces.size());
    ASSERT_GT(value.toUtf8().size(), 8000);
    store(captionRow("LONGO", "FRMLONGO", "MEMO", value));

    const QJsonArray rows =
        rowsOf(client.call("GetPropried", lookupArgs("LONGO", "frmLongo", "memo", value)));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0).toArray().at(6).toString(), value);
    EXPECT_EQ(rows.at(0).toArray().at(7).toString(), value);
    QString lastDiffers = value;
    lastDiffers.chop(1);
    lastDiffers += "õ";
    EXPECT_EQ(found(lookupArgs("LONGO", "frmLongo", "memo", lastDiffers)), 0);

    const QJsonObject tooLong = resultOf(client.call(
        "SetPropried",
        QJsonArray{translationDelta({insertChange(captionRow("LONGO", "FRMLONGO", "MEMO2", value + "ç"))})}));
    EXPECT_FALSE(tooLong.value("ok").toBool());
    EXPECT_TRUE(tooLong.value("message").toString().contains("STVALORPROP"));
}
