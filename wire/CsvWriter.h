#pragma once

#include <QString>
#include <QStringList>

// RFC 4180 CSV: fields holding a comma, a quote or a line break are quoted, quotes doubled, and
// records end with CRLF.
QString csvRecord(const QStringList& fields);
