#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class ServerProcess;

// What the server's database holds, read with the server's own administrative commands rather
// than through the client under test.

// Every translation row in stored order ("export --format json").
QList<QJsonObject> exportedRows(const ServerProcess& server);
// DTGERARQTRAD of the version record ("version"); nothing while it is not set.
std::optional<QDateTime> versionStamp(const ServerProcess& server);

// A row as "CDPROGRAMA NMFORMULARIO NMCOMPONENTE NMPROPRIEDADE NRVALORPROP IDSITTRADUCAO IDIDIOMA
// [STVALORPROP] [STAGRVALPROP]": easy to compare, easy to read in a failure.
QString describeRow(const QJsonObject& row);
QStringList describeRows(const QList<QJsonObject>& rows);
// The description of a row the capture creates for a caption.
QString captionRow(const QString& program, const QString& form, const QString& component,
                   const QString& value, const QString& language = QStringLiteral("POR"));
