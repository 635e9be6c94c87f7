#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// Test data in the wire form of docs/protocol.md, on the record layouts of wire/.

// The translation row layout as a "fields" array.
QJsonArray translationFields();

// A captured row: property CAPTION, number 0, state "N", the value twice, a fixed time.
QJsonArray captionRow(const QString& program, const QString& form, const QString& component,
                      const QString& value, const QString& language = QStringLiteral("POR"));

// The seven GetPropried arguments for a caption, number "0".
QJsonArray lookupArgs(const QString& program, const QString& form, const QString& component,
                      const QString& value, const QString& language = QStringLiteral("POR"));

QJsonObject insertChange(const QJsonArray& values);
QJsonObject updateChange(const QJsonArray& original, const QJsonArray& values);
QJsonObject deleteChange(const QJsonArray& original);
QJsonObject translationDelta(const QJsonArray& changes);
QJsonObject versionDelta(const QJsonArray& changes);

// The value at a field position of a row, changed.
QJsonArray withField(QJsonArray row, int index, const QJsonValue& value);
