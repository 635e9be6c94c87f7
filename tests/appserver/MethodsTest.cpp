#include "tests/appserver/ServerFixture.h"
#include "tests/appserver/TranslationRows.h"

#include "appserver/ImpPocketObject.h"
#include "appserver/Storage.h"
#include "wire/RecordLayouts.h"

#include <QJsonDocument>

// Round trips of the remote methods, with the layouts their packets carry.

namespace {

QStringList fieldNames(const QJsonObject& response) {
    QStringList names;
    for (const QJsonValue& field : resultOf(response).value("data").toObject().value("fields").toArray())
        names.append(field.toObject().value("name").toString());
    return names;
}

QStringList fieldNames(const Layout& layout) {
    QStringList names;
    for (const FieldDef& field : layout)
        names.append(field.name);
    return names;
}

} // namespace

class MethodsTest : public ServerFixture {};
INSTANTIATE_FOR_EACH_STORAGE(MethodsTest);

TEST_P(MethodsTest, GetIdiLeDfmListsTheSeededLanguagesInOrder) {
    const QJsonObject response = client.call("GetIdiLeDfm");
    EXPECT_EQ(fieldNames(response), fieldNames(Layouts::languageEntry()));
    const QJsonArray rows = rowsOf(response);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.at(0).toArray(), (QJsonArray{"POR", "Português", "POR"}));
    EXPECT_EQ(rows.at(1).toArray(), (QJsonArray{"ENG", "English", "ENG"}));
    EXPECT_EQ(rows.at(2).toArray(), (QJsonArray{"SPA", "Español", "SPA"}));
    const QJsonArray fields = resultOf(response).value("data").toObject().value("fields").toArray();
    EXPECT_EQ(fields.at(1).toObject().value("size").toInt(), 30);
    EXPECT_EQ(fields.at(0).toObject().value("type").toString(), "string");
}

TEST_P(MethodsTest, GetPropriedReturnsTheLayoutEvenWithoutRows) {
    const QJsonObject response =
        client.call("GetPropried", lookupArgs("CLIENTE", "frmCliente", "lblNome", "Nome"));
    EXPECT_TRUE(resultOf(response).value("ok").toBool());
    EXPECT_TRUE(rowsOf(response).isEmpty());
    EXPECT_EQ(resultOf(response).value("data").toObject().value("fields").toArray(), translationFields());
}

TEST_P(MethodsTest, ARowSentWithSetPropriedComesBackWhole) {
    const QJsonArray row{"CLIENTE",
                         "FRMCLIENTE",
                         "LBLNOME",
                         "CAPTION",
                         0,
                         "N",
                         "Nome do cliente",
                         "Nome do cliente",
                         "2026-12-07T08:01:44.123",
                         "POR"};
    const QJsonObject applied = client.call("SetPropried", QJsonArray{translationDelta({insertChange(row)})});
    EXPECT_TRUE(resultOf(applied).value("ok").toBool())
        << resultOf(applied).value("message").toString().toStdString();
    EXPECT_TRUE(resultOf(applied).value("data").toObject().contains("fields"));

    const QJsonObject found =
        client.call("GetPropried", lookupArgs("CLIENTE", "frmCliente", "lblNome", "Nome do cliente"));
    ASSERT_EQ(rowsOf(found).size(), 1);
    EXPECT_EQ(rowsOf(found).at(0).toArray(), row);
}

TEST_P(MethodsTest, NullsOutsideTheKeyAreKept) {
    const QJsonArray row{
        "P", "F", "C", "CAPTION", 0, QJsonValue::Null, "V", QJsonValue::Null, QJsonValue::Null, "POR"};
    ASSERT_TRUE(resultOf(client.call("SetPropried", QJsonArray{translationDelta({insertChange(row)})}))
                    .value("ok")
                    .toBool());
    const QJsonArray rows = rowsOf(client.call("GetPropried", lookupArgs("P", "F", "C", "V")));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0).toArray(), row);
}

TEST_P(MethodsTest, GetVersaoHasOneRowThatSetVersaoStampsAndClears) {
    QJsonObject response = client.call("GetVersao");
    EXPECT_EQ(fieldNames(response), fieldNames(Layouts::versionRecord()));
    ASSERT_EQ(rowsOf(response).size(), 1);
    EXPECT_TRUE(rowsOf(response).at(0).toArray().at(0).isNull()) << "never stamped yet";

    const QString stamp = "2026-12-07T18:30:05.250";
    const QJsonObject edited = client.call(
        "SetVersao",
        QJsonArray{versionDelta({updateChange(QJsonArray{QJsonValue::Null}, QJsonArray{stamp})})});
    EXPECT_TRUE(resultOf(edited).value("ok").toBool());
    response = client.call("GetVersao");
    ASSERT_EQ(rowsOf(response).size(), 1);
    EXPECT_EQ(rowsOf(response).at(0).toArray().at(0).toString(), stamp);

    // An insert stamps the same single row.
    const QString later = "2026-12-08T09:00:00.000";
    EXPECT_TRUE(
        resultOf(client.call("SetVersao", QJsonArray{versionDelta({insertChange(QJsonArray{later})})}))
            .value("ok")
            .toBool());
    response = client.call("GetVersao");
    ASSERT_EQ(rowsOf(response).size(), 1);
    EXPECT_EQ(rowsOf(response).at(0).toArray().at(0).toString(), later);

    // A delete clears the stamp; the row stays.
    EXPECT_TRUE(
        resultOf(client.call("SetVersao", QJsonArray{versionDelta({deleteChange(QJsonArray{later})})}))
            .value("ok")
            .toBool());
    response = client.call("GetVersao");
    ASSERT_EQ(rowsOf(response).size(), 1);
    EXPECT_TRUE(rowsOf(response).at(0).toArray().at(0).isNull());
}

TEST_P(MethodsTest, SetVersaoRefusesWhatIsNotALocalDateTime) {
    for (const QJsonValue& bad :
         {QJsonValue("yesterday"), QJsonValue(12.5), QJsonValue("2026-12-07T08:01:44.123Z")}) {
        const QJsonObject result =
            resultOf(client.call("SetVersao", QJsonArray{versionDelta({insertChange(QJsonArray{bad})})}));
        EXPECT_FALSE(result.value("ok").toBool());
        EXPECT_TRUE(result.value("message").toString().contains("DTGERARQTRAD"));
    }
    EXPECT_TRUE(rowsOf(client.call("GetVersao")).at(0).toArray().at(0).isNull());
}

TEST_P(MethodsTest, SetVerPropDeletesLikeSetPropriedButAMissingRowCountsAsApplied) {
    const QJsonArray row = captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome");
    ASSERT_TRUE(resultOf(client.call("SetVerProp", QJsonArray{translationDelta({insertChange(row)})}))
                    .value("ok")
                    .toBool());
    ASSERT_EQ(
        rowsOf(client.call("GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome"))).size(), 1);

    EXPECT_TRUE(resultOf(client.call("SetVerProp", QJsonArray{translationDelta({deleteChange(row)})}))
                    .value("ok")
                    .toBool());
    EXPECT_TRUE(
        rowsOf(client.call("GetPropried", lookupArgs("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome"))).isEmpty());

    // Deleting it again: already gone.
    EXPECT_TRUE(resultOf(client.call("SetVerProp", QJsonArray{translationDelta({deleteChange(row)})}))
                    .value("ok")
                    .toBool());
    const QJsonObject strict =
        resultOf(client.call("SetPropried", QJsonArray{translationDelta({deleteChange(row)})}));
    EXPECT_FALSE(strict.value("ok").toBool());
    EXPECT_TRUE(strict.value("message").toString().contains("not stored"));
}

TEST_P(MethodsTest, GetFormRowsReturnsEveryRowOfTheFormInTheLanguageInStoredOrder) {
    const QJsonArray stored[] = {
        captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome"),
        captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Name", "ENG"),
        captionRow("CLIENTE", "FRMPEDIDO", "LBLNUMERO", "Número"),
        withField(captionRow("cliente", "FrmCliente", "lblCidade", "Cidade  "), 4, 2.5),
        captionRow("OUTRO", "FRMCLIENTE", "LBLNOME", "Nome"),
    };
    QJsonArray inserts;
    for (const QJsonArray& row : stored)
        inserts.append(insertChange(row));
    const QJsonArray moved = withField(stored[2], 1, "FRMCLIENTE");
    const struct {
        QJsonObject delta; // applied first
        QJsonArray args;
        QList<QJsonArray> rows;
    } cases[] = {
        {translationDelta(inserts), {"CLIENTE", "FRMCLIENTE", "POR"}, {stored[0], stored[3]}},
        {{}, {"cliente", "frmCliente", "por"}, {stored[0], stored[3]}},
        {{}, {"CLIENTE", "FRMCLIENTE", "ENG"}, {stored[1]}},
        {{}, {"OUTRO", "FRMCLIENTE", "POR"}, {stored[4]}},
        // Moved to the form it names now, where it keeps its place in stored order.
        {translationDelta({updateChange(stored[2], moved)}),
         {"CLIENTE", "FRMCLIENTE", "POR"},
         {stored[0], moved, stored[3]}},
        {{}, {"CLIENTE", "FRMPEDIDO", "POR"}, {}},
    };
    for (const auto& [delta, args, rows] : cases) {
        SCOPED_TRACE(QJsonDocument(args).toJson(QJsonDocument::Compact).toStdString());
        if (!delta.isEmpty()) {
            ASSERT_TRUE(resultOf(client.call("SetPropried", QJsonArray{delta})).value("ok").toBool());
        }
        const QJsonObject response = client.call("GetFormRows", args);
        EXPECT_EQ(resultOf(response).value("data").toObject().value("fields").toArray(), translationFields());
        QJsonArray expected; // appended: QJsonArray{row} would copy the row itself
        for (const QJsonArray& row : rows)
            expected.append(row);
        EXPECT_EQ(rowsOf(response), expected);
    }
}

TEST_P(MethodsTest, GetFormRowsAnswersAFormWholeOrNotAtAll) {
    Storage storage(database->location()); // quicker than deltas
    const auto add = [&storage](const QString& form, int count, const QString& value) {
        Storage::Transaction transaction(storage);
        for (int i = 0; i < count; ++i)
            storage.insertTranslation(
                {"CLIENTE", form, QStringLiteral("LBL%1").arg(i), "CAPTION", 0, {}, value, value, {}, "POR"});
        transaction.commit();
    };
    const auto expectRefused = [this](const QString& form, const char* reason) {
        const QJsonObject error =
            client.call("GetFormRows", QJsonArray{"CLIENTE", form, "POR"}).value("error").toObject();
        EXPECT_EQ(error.value("code").toInt(), -32603);
        EXPECT_TRUE(error.value("message").toString().contains(reason))
            << error.value("message").toString().toStdString();
    };
    add("FRMGRANDE", ImpPocketObject::kMaxFormRows, "Valor");
    EXPECT_EQ(rowsOf(client.call("GetFormRows", QJsonArray{"CLIENTE", "FRMGRANDE", "POR"})).size(),
              ImpPocketObject::kMaxFormRows);
    add("FRMGRANDE", 1, "Mais um");
    expectRefused("FRMGRANDE", "at most 10000 rows");
    add("FRMLARGO", 800, QString(4000, QChar(u'€'))); // 12,000 bytes in UTF-8
    expectRefused("FRMLARGO", "at most 16 MiB of rows");
}
