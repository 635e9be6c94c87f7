#include "tests/appserver/ServerFixture.h"
#include "tests/appserver/TranslationRows.h"

#include "appserver/object/ImpPocketObject.h"
#include "appserver/object/RecordJson.h"
#include "appserver/storage/Storage.h"
#include "wire/RecordLayouts.h"

#include <QJsonDocument>

#include <functional>
#include <utility>

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

class MethodsTest : public ServerFixture {
protected:
    QList<QJsonArray> programPages(const QString& program, const QString& language,
                                   const std::function<void()>& betweenPages = {});
};
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

TEST_P(MethodsTest, GetIdiLeDfmRefusesAListLongerThanOneAnswerHolds) {
    Storage storage(database->location());
    const auto add = [&storage](int number) {
        const QString code = QStringLiteral("L%1").arg(number, 2, 36, QLatin1Char('0')).toUpper();
        storage.addLanguage({code, QStringLiteral("Idioma %1").arg(number), code});
    };
    for (int number = 3; number < ImpPocketObject::kMaxLanguages; ++number) // after the 3 seeded
        add(number);
    EXPECT_EQ(rowsOf(client.call("GetIdiLeDfm")).size(), ImpPocketObject::kMaxLanguages);
    add(ImpPocketObject::kMaxLanguages);
    const QJsonObject refused = client.call("GetIdiLeDfm");
    EXPECT_EQ(errorCode(refused), -32005);
    EXPECT_EQ(refused.value("error").toObject().value("message").toString(),
              "the language list holds more than 1000 entries, more than GetIdiLeDfm answers");
    EXPECT_TRUE(server.log().contains("GetIdiLeDfm refused")) << server.log().toStdString();
    EXPECT_TRUE(resultOf(client.call("GetVersao")).value("ok").toBool()) << "the connection serves on";
    const AppserverProcess::CommandResult more = server.runCommand({"languages", "add", "ZZZ", "Demais"});
    EXPECT_EQ(more.exitCode, 1);
    EXPECT_TRUE(more.err.contains("already holds 1000 languages")) << more.err.toStdString();
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

// The rows of each page of GetProgramRows for program and language, read one after another by the
// cursor from "" as a client does, until the cursor comes back "". betweenPages runs between pages.
QList<QJsonArray> MethodsTest::programPages(const QString& program, const QString& language,
                                            const std::function<void()>& betweenPages) {
    QList<QJsonArray> pages;
    QString cursor;
    do {
        if (!pages.isEmpty() && betweenPages)
            betweenPages();
        const QJsonObject result =
            resultOf(client.call("GetProgramRows", QJsonArray{program, language, cursor}));
        EXPECT_EQ(result.value("data").toObject().value("fields").toArray(), translationFields());
        const QJsonValue next = result.value("refs").toObject().value("2");
        if (!next.isString() || pages.size() > 100) {
            ADD_FAILURE() << "not a page: " << QJsonDocument(result).toJson().left(400).toStdString();
            break;
        }
        pages.append(result.value("data").toObject().value("rows").toArray());
        cursor = next.toString();
    } while (!cursor.isEmpty());
    return pages;
}

TEST_P(MethodsTest, GetProgramRowsReturnsEveryRowOfTheProgramInTheLanguageInStoredOrder) {
    const QJsonArray stored[] = {
        captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome"),
        captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Name", "ENG"),
        captionRow("CLIENTE", "FRMPEDIDO", "LBLNUMERO", "Número"),
        withField(captionRow("cliente", "FrmCliente", "lblCidade", "Cidade  "), 4, 2.5),
        captionRow("OUTRO", "FRMCLIENTE", "LBLNOME", "Nome"),
        captionRow("física", "FRMFISICA", "LBLNOME", "Nome"),
    };
    QJsonArray inserts;
    for (const QJsonArray& row : stored)
        inserts.append(insertChange(row));
    const QJsonArray renamed = withField(stored[0], 6, "Nome completo");
    const QJsonArray translated = withField(stored[1], 9, "POR");
    const QJsonArray moved = withField(stored[4], 0, "CLIENTE");
    const struct {
        QJsonObject delta; // applied first
        QString program, language;
        QList<QJsonArray> rows;
    } cases[] = {
        {translationDelta(inserts), "CLIENTE", "POR", {stored[0], stored[2], stored[3]}},
        {{}, "cliente", "por", {stored[0], stored[2], stored[3]}},
        {{}, "CLIENTE", "ENG", {stored[1]}},
        {{}, "OUTRO", "POR", {stored[4]}},
        {{}, " CLIENTE", "POR", {}}, // nothing trimmed
        {{}, "FíSICA", "POR", {stored[5]}},
        {{}, "FÍSICA", "POR", {}}, // only a-z upper-cased
        {{}, "CLIENTE", "SPA", {}},
        // Changed rows keep their places in stored order, in the program and language they name now.
        {translationDelta({updateChange(stored[0], renamed), updateChange(stored[1], translated),
                           updateChange(stored[4], moved)}),
         "CLIENTE",
         "POR",
         {renamed, translated, stored[2], stored[3], moved}},
        {{}, "CLIENTE", "ENG", {}},
    };
    for (const auto& [delta, program, language, rows] : cases) {
        SCOPED_TRACE((program + "/" + language).toStdString());
        if (!delta.isEmpty()) {
            ASSERT_TRUE(resultOf(client.call("SetPropried", QJsonArray{delta})).value("ok").toBool());
        }
        const QList<QJsonArray> pages = programPages(program, language);
        ASSERT_EQ(pages.size(), 1);
        QJsonArray expected; // appended: QJsonArray{row} would copy the row itself
        for (const QJsonArray& row : rows)
            expected.append(row);
        EXPECT_EQ(pages.at(0), expected);
    }
}

TEST_P(MethodsTest, GetProgramRowsPagesAProgramOfAnySizeEachRowOnce) {
    Storage storage(database->location()); // quicker than deltas
    QList<TranslationRow> wanted;          // CLIENTE in POR, in the order stored
    const auto store = [&storage, &wanted](const TranslationRow& row) {
        storage.insertTranslation(row);
        if (upperAsciiLetters(row.program) == "CLIENTE" && row.language == "POR")
            wanted.append(row);
    };
    {
        Storage::Transaction transaction(storage);
        // Short values first, so the row limit ends the first page; then values of 4,000
        // characters of three bytes each, twice in each row, so the byte budget ends the others.
        for (int i = 0; i < 6400; ++i) {
            const QString value = i < 5500 ? QStringLiteral("Valor %1").arg(i) : QString(4000, QChar(u'€'));
            const QString component = QStringLiteral("LBL%1").arg(i);
            const QString form = QStringLiteral("FRM%1").arg(i % 3);
            store(
                {i % 2 ? "cliente" : "CLIENTE", form, component, "CAPTION", 0, "N", value, value, {}, "POR"});
            if (i % 5 == 0) {
                store({"CLIENTE", "FRM0", component, "CAPTION", 0, {}, value, {}, {}, "ENG"});
                store({"OUTRO", "FRM0", component, "CAPTION", 0, {}, value, {}, {}, "POR"});
                store({"CLIENTES", "FRM0", component, "CAPTION", 0, {}, value, {}, {}, "POR"});
            }
        }
        transaction.commit();
    }
    // Stored while the client pages: a new row comes in a later page; a row changed after it was
    // sent keeps its place and does not come again.
    const TranslationRow late{"CLIENTE", "FRMNOVO", "LBLNOVO", "CAPTION", 0, "N", "Novo", {}, {}, "POR"};
    const QList<QJsonArray> pages = programPages("Cliente", "por", [&, stored = false]() mutable {
        if (std::exchange(stored, true))
            return;
        Storage::Transaction transaction(storage);
        store(late);
        TranslationRow changed = wanted.first();
        changed.state = "S";
        EXPECT_EQ(storage.updateTranslation(TranslationKey::ofRow(changed), changed),
                  Storage::UpdateOutcome::Updated);
        transaction.commit();
    });
    ASSERT_GT(pages.size(), 3);
    EXPECT_EQ(pages.at(0).size(), ImpPocketObject::kMaxPageRows) << "the row limit ends the first page";
    EXPECT_LT(pages.at(1).size(), 1000) << "the byte budget ends the others";
    QJsonArray rows;
    for (const QJsonArray& page : pages) {
        EXPECT_LE(QJsonDocument(page).toJson(QJsonDocument::Compact).size(), ImpPocketObject::kMaxPageBytes);
        for (const QJsonValue& row : page)
            rows.append(row);
    }
    ASSERT_EQ(rows.size(), wanted.size());
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        // Not EXPECT_EQ: a failure would print megabytes of rows.
        if (rows.at(i).toArray() != toJsonRow(wanted.at(i))) {
            ADD_FAILURE() << "row " << i << " of the pages is not the row stored in that place";
            break;
        }
    }
}
