#pragma once

#include <QHostAddress>
#include <QString>

#include <optional>

// --listen HOST:PORT. HOST is an IP address (IPv6 in brackets: [::1]:21400) or "localhost";
// PORT 0 lets the system pick a free port.
struct ListenAddress {
    static constexpr quint16 kDefaultPort = 21400;

    QHostAddress host = QHostAddress(QHostAddress::LocalHost);
    quint16 port = kDefaultPort;
};

std::optional<ListenAddress> parseListenAddress(const QString& text, QString* whyNot);

// HOST:PORT as the start line prints it.
QString formatHostPort(const QHostAddress& host, quint16 port);
