#include "tests/support/ServerRows.h"

#include "tests/support/ServerProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <gtest/gtest.h>

QList<QJsonObject> exportedRows(const ServerProcess& server) {
    int exitCode = -1;
    const QString out = server.admin(
        {QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("json")}, &exitCode);
    EXPECT_EQ(exitCode, 0) << "appserver export failed";
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(out.toUtf8(), &error);
    EXPECT_TRUE(document.isArray()) << "export is not a JSON array: " << error.errorString().toStdString();
    QList<QJsonObject> rows;
    for (const QJsonValue& row : document.array())
        rows.append(row.toObject());
    return rows;
}

std::optional<QDateTime> versionStamp(const ServerProcess& server) {
    int exitCode = -1;
    const QString out = server.admin({QStringLiteral("version")}, &exitCode);
    EXPECT_EQ(exitCode, 0) << "appserver version failed";
    static const QRegularExpression stampLine(QStringLiteral("^DTGERARQTRAD: (.*)$"),
                                              QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = stampLine.match(out);
    EXPECT_TRUE(match.hasMatch()) << out.toStdString();
    const QDateTime stamp = QDateTime::fromString(match.captured(1).trimmed(), Qt::ISODateWithMs);
    if (!stamp.isValid())
        return std::nullopt;
    return stamp;
}

QString describeRow(const QJsonObject& row) {
    const auto text = [&row](const char* field) { return row.value(QLatin1String(field)).toString(); };
    // Joined, not formatted: captions may hold "%1".
    return QStringList{text("CDPROGRAMA"),
                       text("NMFORMULARIO"),
                       text("NMCOMPONENTE"),
                       text("NMPROPRIEDADE"),
                       QString::number(row.value(QLatin1String("NRVALORPROP")).toDouble()),
                       text("IDSITTRADUCAO"),
                       text("IDIDIOMA"),
                       QLatin1Char('[') + text("STVALORPROP") + QLatin1Char(']'),
                       QLatin1Char('[') + text("STAGRVALPROP") + QLatin1Char(']')}
        .join(QLatin1Char(' '));
}

QStringList describeRows(const QList<QJsonObject>& rows) {
    QStringList described;
    for (const QJsonObject& row : rows)
        described.append(describeRow(row));
    return described;
}

QString captionRow(const QString& program, const QString& form, const QString& component,
                   const QString& value, const QString& language) {
    const QString quoted = QLatin1Char('[') + value + QLatin1Char(']');
    return QStringList{program, form, component, QStringLiteral("CAPTION 0 N"), language, quoted, quoted}
        .join(QLatin1Char(' '));
}
