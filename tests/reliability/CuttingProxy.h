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
    int cuts() const { return cuts_; }

private:
    void accept();

    quint16 serverPort_;
    QTcpServer listener_;
    QList<QPair<QPointer<QTcpSocket>, QPointer<QTcpSocket>>> pairs_;
    int cuts_ = 0;
};
