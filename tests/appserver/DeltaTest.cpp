#include "tests/appserver/ServerFixture.h"
#include "tests/appserver/TranslationRows.h"

#include <QJsonDocument>

// Deltas of translation rows: all of a delta or none of it, duplicates taken as applied, updates
// and deletes by the original row's key, every value checked against the layout.

class DeltaTest : public ServerFixture {
protected:
    QJsonObject apply(const QJsonArray& changes, const QString& method = QStringLiteral("SetPropried")) {
        return resultOf(client.call(method, QJsonArray{translationDelta(changes)}));
    }

    QJsonArray lookup(const QJsonArray& row) {
        return rowsOf(client.call("GetPropried",
                                  QJsonArray{row.at(0), row.at(1), row.at(2), row.at(3),
                                             QString::number(row.at(4).toDouble()), row.at(6), row.at(9)}));
    }

    const QJsonArray first = captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome");
    const QJsonArray second = captionRow("CLIENTE", "FRMCLIENTE", "LBLFONE", "Telefone");
    const QJsonArray third = captionRow("CLIENTE", "FRMCLIENTE", "BTNOK", "OK");
};
INSTANTIATE_FOR_EACH_STORAGE(DeltaTest);

TEST_P(DeltaTest, SeveralInsertsAreAppliedTogether) {
    const QJsonObject result = apply({insertChange(first), insertChange(second), insertChange(third)});
    EXPECT_TRUE(result.value("ok").toBool()) << result.value("message").toString().toStdString();
    EXPECT_EQ(lookup(first).size(), 1);
    EXPECT_EQ(lookup(second).size(), 1);
    EXPECT_EQ(lookup(third).size(), 1);
    EXPECT_EQ(database->translationCount(), 3);
}

TEST_P(DeltaTest, AValueTooLongInTheMiddleRefusesTheWholeDelta) {
    const QJsonArray tooLong = withField(second, 6, QString(4001, QLatin1Char('x')));
    const QJsonObject result = apply({insertChange(first), insertChange(tooLong), insertChange(third)});
    EXPECT_FALSE(result.value("ok").toBool());
    EXPECT_TRUE(result.value("message").toString().contains("change 2"))
        << result.value("message").toString().toStdString();
    EXPECT_TRUE(result.value("message").toString().contains("STVALORPROP"));
    EXPECT_EQ(database->translationCount(), 0);
}

TEST_P(DeltaTest, AFailureWhileApplyingRollsBackTheChangesBeforeIt) {
    // Both changes are well-formed; the second fails only against the stored data.
    const QJsonArray missing = captionRow("OUTRO", "FRMOUTRO", "LBLX", "Nada");
    QJsonObject result = apply({insertChange(first), updateChange(missing, withField(missing, 5, "S"))});
    EXPECT_FALSE(result.value("ok").toBool());
    EXPECT_TRUE(result.value("message").toString().contains("change 2 (update)"));
    EXPECT_TRUE(lookup(first).isEmpty());

    result = apply(
        {insertChange(first), insertChange(captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome", "XYZ"))});
    EXPECT_FALSE(result.value("ok").toBool());
    EXPECT_TRUE(result.value("message").toString().contains("language list"));
    EXPECT_EQ(database->translationCount(), 0);
}

TEST_P(DeltaTest, AnInsertOfARowAlreadyStoredCountsAsApplied) {
    ASSERT_TRUE(apply({insertChange(first)}).value("ok").toBool());
    // Same key: other letter case in the names, trailing blanks, other non-key values.
    QJsonArray again = captionRow("cliente", "frmCliente", "lblNome", "Nome   ");
    again = withField(again, 7, "outro texto");
    const QJsonObject result = apply({insertChange(again), insertChange(second)});
    EXPECT_TRUE(result.value("ok").toBool()) << result.value("message").toString().toStdString();
    EXPECT_EQ(database->translationCount(), 2);
    const QJsonArray stored = lookup(first);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.at(0).toArray(), first) << "the first row stays as it was";
}

TEST_P(DeltaTest, AnUpdateFindsTheRowByItsOriginalAndChangesIt) {
    ASSERT_TRUE(apply({insertChange(first)}).value("ok").toBool());
    const QJsonArray edited = withField(withField(first, 5, "S"), 7, "Name of the client");
    EXPECT_TRUE(apply({updateChange(first, edited)}).value("ok").toBool());
    ASSERT_EQ(lookup(first).size(), 1);
    EXPECT_EQ(lookup(first).at(0).toArray(), edited);

    // Changing the value moves the row to a new key.
    const QJsonArray renamed = withField(edited, 6, "Nome completo");
    EXPECT_TRUE(apply({updateChange(edited, renamed)}).value("ok").toBool());
    EXPECT_TRUE(lookup(first).isEmpty());
    EXPECT_EQ(lookup(renamed).size(), 1);
    EXPECT_EQ(database->translationCount(), 1);
}

TEST_P(DeltaTest, AnUpdateOntoAnotherStoredKeyIsRefused) {
    ASSERT_TRUE(apply({insertChange(first), insertChange(second)}).value("ok").toBool());
    const QJsonObject result =
        apply({updateChange(second, withField(withField(second, 2, "lblNome"), 6, "Nome"))});
    EXPECT_FALSE(result.value("ok").toBool());
    EXPECT_TRUE(result.value("message").toString().contains("another stored row"));
    EXPECT_EQ(lookup(second).size(), 1);
}

TEST_P(DeltaTest, ADeleteRemovesTheRowFoundByItsOriginal) {
    ASSERT_TRUE(apply({insertChange(first), insertChange(second)}).value("ok").toBool());
    EXPECT_TRUE(
        apply({deleteChange(captionRow("Cliente", "frmCliente", "lblNome", "Nome  "))}).value("ok").toBool());
    EXPECT_TRUE(lookup(first).isEmpty());
    EXPECT_EQ(lookup(second).size(), 1);
}

TEST_P(DeltaTest, AChangeLogInOrderIsAppliedInOrder) {
    // Inserted, then edited, then deleted, then inserted again: as a data set's change log lists them.
    const QJsonArray edited = withField(first, 5, "S");
    const QJsonObject result =
        apply({insertChange(first), updateChange(first, edited), deleteChange(edited), insertChange(second)});
    EXPECT_TRUE(result.value("ok").toBool()) << result.value("message").toString().toStdString();
    EXPECT_TRUE(lookup(first).isEmpty());
    EXPECT_EQ(lookup(second).size(), 1);
}

TEST_P(DeltaTest, ValuesMustFitTheirFields) {
    const QList<QJsonArray> badRows{
        withField(first, 0, QString(21, QLatin1Char('P'))), // CDPROGRAMA holds 20
        withField(first, 5, "NN"),                          // IDSITTRADUCAO holds 1
        withField(first, 4, "0"),                           // NRVALORPROP is a number
        withField(first, 8, "07/12/2026"),                  // DTULTATUTRAD is ISO 8601
        withField(first, 2, 17),                            // NMCOMPONENTE is a string
        withField(first, 6, QJsonValue::Null),              // STVALORPROP is part of the key
        QJsonArray{"CLIENTE", "FRMCLIENTE"},                // too few values
    };
    for (const QJsonArray& bad : badRows) {
        const QJsonObject result = apply({insertChange(bad)});
        EXPECT_FALSE(result.value("ok").toBool()) << QJsonDocument(bad).toJson().toStdString();
        EXPECT_FALSE(result.value("message").toString().isEmpty());
    }
    EXPECT_EQ(database->translationCount(), 0);
}

TEST_P(DeltaTest, FieldsAreMatchedByNameInAnyOrder) {
    QJsonArray fields = translationFields();
    QJsonObject language = fields.at(9).toObject();
    language["name"] = "ididioma";
    fields.removeAt(9);
    fields.prepend(language);
    QJsonArray values = first;
    values.removeAt(9);
    values.prepend("POR");
    const QJsonObject delta{{"fields", fields}, {"changes", QJsonArray{insertChange(values)}}};
    EXPECT_TRUE(resultOf(client.call("SetPropried", QJsonArray{delta})).value("ok").toBool());
    EXPECT_EQ(lookup(first).size(), 1);
}

TEST_P(DeltaTest, ADeltaInTheWrongLayoutIsRefused) {
    QJsonArray withoutLanguage = translationFields();
    withoutLanguage.removeLast();
    QJsonArray unknownField = translationFields();
    unknownField.append(QJsonObject{{"name", "EXTRA"}, {"type", "string"}, {"size", 3}});
    QJsonArray wrongType = translationFields();
    wrongType[4] = QJsonObject{{"name", "NRVALORPROP"}, {"type", "string"}, {"size", 10}};
    QJsonArray namedTwice = translationFields();
    namedTwice[9] = QJsonObject{{"name", "cdprograma"}, {"type", "string"}, {"size", 20}};
    for (const QJsonArray& fields : {withoutLanguage, unknownField, wrongType, namedTwice}) {
        const QJsonObject delta{{"fields", fields}, {"changes", QJsonArray{insertChange(first)}}};
        EXPECT_FALSE(resultOf(client.call("SetPropried", QJsonArray{delta})).value("ok").toBool());
    }
    const QJsonObject noChanges{{"fields", translationFields()}};
    EXPECT_FALSE(resultOf(client.call("SetPropried", QJsonArray{noChanges})).value("ok").toBool());
    const QJsonObject unknownOp{{"fields", translationFields()},
                                {"changes", QJsonArray{QJsonObject{{"op", "upsert"}, {"values", first}}}}};
    EXPECT_FALSE(resultOf(client.call("SetPropried", QJsonArray{unknownOp})).value("ok").toBool());
    EXPECT_EQ(database->translationCount(), 0);
}

TEST_P(DeltaTest, AnEmptyDeltaIsApplied) {
    EXPECT_TRUE(apply({}).value("ok").toBool());
}
