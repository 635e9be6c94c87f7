#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// The three record kinds the server object hands out and takes back.

struct LanguageEntry {
    QString code;        // IDIDIOMA
    QString description; // DSIDIOMA
    QString prop;        // IDIPROP
};

struct TranslationRow {
    QString program;                // CDPROGRAMA
    QString form;                   // NMFORMULARIO
    QString component;              // NMCOMPONENTE
    QString property;               // NMPROPRIEDADE
    double number = 0;              // NRVALORPROP
    std::optional<QString> state;   // IDSITTRADUCAO
    QString value;                  // STVALORPROP
    std::optional<QString> value2;  // STAGRVALPROP
    std::optional<QString> updated; // DTULTATUTRAD, as DateTimeText::format writes it
    QString language;               // IDIDIOMA
};

class JsonWriter;

// Rows in the field order of Layouts::languageEntry() / translationRow(): as Qt JSON values, or
// written straight to an answer.
QJsonArray toJsonRow(const LanguageEntry& entry);
QJsonArray toJsonRow(const TranslationRow& row);
void writeRow(JsonWriter& out, const LanguageEntry& entry);
void writeRow(JsonWriter& out, const TranslationRow& row);
// The row keyed by field name, as "export --format json" writes it.
QJsonObject toJsonObject(const TranslationRow& row);

// From a row already checked against Layouts::translationRow(). The key fields (all but
// IDSITTRADUCAO, STAGRVALPROP and DTULTATUTRAD) cannot be null: returns the reason when one is.
std::optional<TranslationRow> translationRowFromJson(const QJsonArray& values, QString* whyNot);
