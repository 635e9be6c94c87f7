#pragma once

#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A TCP relay between clients and the server that can cut every connection at once, as a
// failing network would.
class CuttingProxy : public QObject {
    Q_OBJECT
public:
    explicit CuttingProxy(quint16 serverPort);

    quint16 port() const { return listener_.serverPort(); }
    // Drops every relayed connection on both sides; new connections are relayed again.
    void cutAll();
    // Cuts everything once clients have sent count more requests (lines), counted over all
    // connections: the last of them goes on to the server, and its client never gets the answer.
    void cutAfterRequests(int count);
    int cuts() const { return cuts_; }

private:
    void accept();
    void relayRequests(QTcpSocket* client, QTcpSocket* upstream);

    quint16 serverPort_;
    QTcpServer listener_;
    QList<QPair<QPointer<QTcpSocket>, QPointer<QTcpSocket>>> pairs_;
    int cuts_ = 0;
    int requestsBeforeCut_ = -1; // none armed
};
