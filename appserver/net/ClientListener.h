#pragma once

#include <QSslConfiguration>
#include <QTcpServer>
#include <QTimer>

#include <optional>

// The listening socket. Without a TLS configuration it hands out plain sockets, as QTcpServer
// does; with one, each accepted client is a QSslSocket carrying that configuration, its handshake
// not yet started, so whoever takes it decides when the handshake runs and how long it may take.
//
// Out of file descriptors, Qt may keep polling the listening socket and failing to accept, at full
// speed and without a word: once an accept has met "try again", it reports every later failure
// as temporary. So the listener stops accepting a few descriptors before the limit, leaving those
// to the database and the log, says so once, and tries again shortly until descriptors are free.
// A failed accept (without a known limit, say) pauses it the same way.
class ClientListener : public QTcpServer {
    Q_OBJECT
public:
    static constexpr int kRetryAcceptMs = 250;
    static constexpr int kReservedDescriptors = 16;
    static constexpr int kPendingConnections = 30; // Qt's own default
    static constexpr int kListenBacklog = 1024;    // the kernel caps it at net.core.somaxconn

    explicit ClientListener(std::optional<QSslConfiguration> tls, QObject* parent = nullptr);

    bool usesTls() const { return tls_.has_value(); }
    // The process's limit on open descriptors; -1 (the default): unknown or none.
    void setDescriptorLimit(long limit) { descriptorLimit_ = limit; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void pause(const QString& why);
    void retry();
    // How many descriptors accepting leaves free.
    long reserved() const;
    void take(qintptr descriptor);

    const std::optional<QSslConfiguration> tls_;
    long descriptorLimit_ = -1;
    QTimer retry_;
    bool paused_ = false; // told the log, and not yet accepted since
};
