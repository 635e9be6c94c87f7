#include "wire/CsvWriter.h"

namespace {

QString csvField(const QString& field) {
    const bool needsQuotes = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
                             field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'));
    if (!needsQuotes)
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString csvRecord(const QStringList& fields) {
    QStringList encoded;
    for (const QString& field : fields)
        encoded.append(csvField(field));
    return encoded.join(QLatin1Char(',')) + QLatin1String("\r\n");
}
