#include "appserver/net/ServerLimits.h"

#include <QCoreApplication>

#include <algorithm>

std::optional<qint64> parseLimit(const QString& text, qint64 minimum, qint64 maximum, QString* whyNot) {
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < minimum || value > maximum) {
        *whyNot = QCoreApplication::translate("ServerLimits", "\"%1\" is not a whole number from %2 to %3")
                      .arg(text, QString::number(minimum), QString::number(maximum));
        return std::nullopt;
    }
    return value;
}

int ServerLimits::tlsHandshakeTimeoutMs() const {
    const int seconds =
        idleTimeoutSeconds > 0 ? std::min(idleTimeoutSeconds, authTimeoutSeconds) : authTimeoutSeconds;
    return seconds * 1000;
}

int ServerLimits::maxUnauthenticated() const {
    return std::max(kMinUnauthenticated, maxConnections);
}
