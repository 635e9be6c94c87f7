#pragma once

#include <QByteArray>
#include <QObject>

class QTcpSocket;

// Tells a client the server cannot take it now, in one JSON-RPC error line with id null, and
// closes: its user then reads why, rather than guessing from a connection closed without a word.
// Over TLS the line can only be read once a handshake is made, so one is made, within
// kDeadlineMs. At most kMaxTelling clients are told at once, so that a flood of newcomers costs no
// more than that: the others are closed without a word.
class TurnAway : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxTelling = 32;
    static constexpr int kDeadlineMs = 2000;

    using QObject::QObject;
    ~TurnAway() override;

    // Takes the socket, plain or a server-side QSslSocket whose handshake has not started.
    void tell(QTcpSocket* socket, const QByteArray& line);

private:
    int telling_ = 0;
};
