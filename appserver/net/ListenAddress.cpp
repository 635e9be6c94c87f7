#include "appserver/net/ListenAddress.h"

#include <QCoreApplication>

std::optional<ListenAddress> parseListenAddress(const QString& text, QString* whyNot) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) {
        *whyNot = QCoreApplication::translate("ListenAddress", "\"%1\" is not HOST:PORT").arg(text);
        return std::nullopt;
    }
    QString hostText = text.left(colon);
    if (hostText.startsWith(QLatin1Char('[')) && hostText.endsWith(QLatin1Char(']')))
        hostText = hostText.mid(1, hostText.size() - 2);

    bool portOk = false;
    const uint port = text.mid(colon + 1).toUInt(&portOk);
    if (!portOk || port > 65535) {
        *whyNot = QCoreApplication::translate("ListenAddress", "\"%1\" is not a port number")
                      .arg(text.mid(colon + 1));
        return std::nullopt;
    }

    ListenAddress address;
    address.port = quint16(port);
    if (hostText.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        address.host = QHostAddress(QHostAddress::LocalHost);
    } else if (!address.host.setAddress(hostText)) {
        *whyNot = QCoreApplication::translate("ListenAddress", "\"%1\" is not an IP address").arg(hostText);
        return std::nullopt;
    }
    return address;
}

QString formatHostPort(const QHostAddress& host, quint16 port) {
    const QString hostText = host.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QStringLiteral("[%1]").arg(host.toString())
                                 : host.toString();
    return QStringLiteral("%1:%2").arg(hostText).arg(port);
}
