#pragma once

#include <QSslConfiguration>
#include <QTcpServer>
#include <QTimer>

#include <optional>

// The listening socket. Without a TLS configuration it hands out plain sockets, as QTcpServer
// does; with one, each accepted client is a QSslSocket carrying that configuration, its handshake
// not yet started, so whoever takes it decides when the handshake runs and how long it may take.
// When an accept fails (the process is out of file descriptors, say) it pauses, says so once, and
// tries again shortly until accepting works again: Qt alone would stop accepting for good.
class ClientListener : public QTcpServer {
    Q_OBJECT
public:
    static constexpr int kRetryAcceptMs = 250;

    explicit ClientListener(std::optional<QSslConfiguration> tls, QObject* parent = nullptr);

    bool usesTls() const { return tls_.has_value(); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void onAcceptError(QAbstractSocket::SocketError error);

    const std::optional<QSslConfiguration> tls_;
    QTimer retry_;
    bool paused_ = false; // told the log, and not yet accepted since
};
