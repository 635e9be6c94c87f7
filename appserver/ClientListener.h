#pragma once

#include <QSslConfiguration>
#include <QTcpServer>

#include <optional>

// The listening socket. Without a TLS configuration it hands out plain sockets, as QTcpServer
// does; with one, each accepted client is a QSslSocket carrying that configuration, its handshake
// not yet started, so whoever takes it decides when the handshake runs and how long it may take.
class ClientListener : public QTcpServer {
    Q_OBJECT
public:
    explicit ClientListener(std::optional<QSslConfiguration> tls, QObject* parent = nullptr);

    bool usesTls() const { return tls_.has_value(); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    const std::optional<QSslConfiguration> tls_;
};
