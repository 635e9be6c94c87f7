#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>

class DoorLog;
class QSslSocket;

// The server's side of the handshake of each new TLS connection. A handshake must finish within
// the deadline; one that fails (a client that refuses the certificate, say) or runs out of time
// is told to the door's log and its socket closed. A client whose first bytes are not a TLS
// handshake but plain text, a JSON-RPC client without TLS, is told so in one plain JSON-RPC error
// line (-32004) before the close, so that its user learns what to change. A socket whose handshake
// finished is handed on by `secured`.
class TlsHandshakes : public QObject {
    Q_OBJECT
public:
    TlsHandshakes(int deadlineMs, DoorLog& log, QObject* parent = nullptr);
    ~TlsHandshakes() override;

    // Takes the socket (a server-side QSslSocket, its handshake not started) and starts the
    // handshake.
    void start(QSslSocket* socket);
    // Handshakes under way.
    qsizetype pending() const { return pending_.size(); }
    // Closes every socket still shaking hands.
    void abortAll();

signals:
    // The socket is encrypted; the receiver owns it from here on.
    void secured(QSslSocket* socket);

private:
    void onFirstBytes(QSslSocket* socket);
    void tellPlainClient(QSslSocket* socket);
    void fail(QSslSocket* socket, const QString& why);

    struct Client {
        QString name; // address and port
        QHostAddress address;
    };

    const int deadlineMs_;
    DoorLog& log_;
    QHash<QSslSocket*, Client> pending_; // taken at the start: the address is gone once closed
};
