#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// What one server process grants its clients, each set by an option of the serve command.
struct ServerLimits {
    static constexpr qint64 kDefaultMaxMessageBytes = 1024 * 1024;
    static constexpr qint64 kMinMaxMessageBytes = 1024; // room for any rpc.open
    static constexpr qint64 kMaxMaxMessageBytes = 256 * 1024 * 1024;

    static constexpr int kDefaultMaxConnections = 64;
    static constexpr int kMaxMaxConnections = 10000;

    static constexpr int kDefaultIdleTimeoutSeconds = 300;
    static constexpr int kMaxIdleTimeoutSeconds = 24 * 60 * 60;

    // A TLS handshake takes a few round trips; a client that has not finished it by then never will.
    static constexpr int kTlsHandshakeTimeoutSeconds = 10;

    // One request line, line end excluded.
    qint64 maxMessageBytes = kDefaultMaxMessageBytes;
    // Connections served at once; one more gets an error and is closed.
    int maxConnections = kDefaultMaxConnections;
    // A connection that completes no line for this long is closed; 0: never.
    int idleTimeoutSeconds = kDefaultIdleTimeoutSeconds;

    // How long a TLS handshake may take: kTlsHandshakeTimeoutSeconds, or the idle timeout when
    // that is shorter.
    int tlsHandshakeTimeoutMs() const;
};

// The value of a limit's option: a whole number from minimum to maximum.
std::optional<qint64> parseLimit(const QString& text, qint64 minimum, qint64 maximum, QString* whyNot);
