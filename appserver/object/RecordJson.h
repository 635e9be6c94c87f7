#pragma once

#include "appserver/storage/Records.h"

#include <QJsonArray>
#include <QJsonObject>

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
