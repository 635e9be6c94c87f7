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

    // A TLS handshake and rpc.open take a few round trips; a client that has not finished them by
    // then never will.
    static constexpr int kDefaultAuthTimeoutSeconds = 10;
    static constexpr int kMaxAuthTimeoutSeconds = 600;

    // Connections still to authenticate (see authTimeoutSeconds), apart from the served ones: in
    // all, at least this many or maxConnections, and from one peer address.
    static constexpr int kMinUnauthenticated = 256;
    static constexpr int kMaxUnauthenticatedPerAddress = 16;
    // A line before the token, and what such a connection may have buffered: an rpc.open fits in
    // 1 KiB, so a peer without the token holds a few KiB of the server's memory at most.
    static constexpr qint64 kUnauthenticatedLineBytes = 4096;

    // One request line, line end excluded.
    qint64 maxMessageBytes = kDefaultMaxMessageBytes;
    // Connections served at once; one more gets an error and is closed.
    int maxConnections = kDefaultMaxConnections;
    // A connection that completes no line for this long is closed; 0: never.
    int idleTimeoutSeconds = kDefaultIdleTimeoutSeconds;
    // From acceptance to the end of the TLS handshake and, when a token is required, to a
    // successful rpc.open; whatever the client sends meanwhile. Past it the connection closes.
    int authTimeoutSeconds = kDefaultAuthTimeoutSeconds;

    // How long a TLS handshake may take: authTimeoutSeconds, or the idle timeout when that is
    // shorter.
    int tlsHandshakeTimeoutMs() const;
    int maxUnauthenticated() const;
};

// The value of a limit's option: a whole number from minimum to maximum.
std::optional<qint64> parseLimit(const QString& text, qint64 minimum, qint64 maximum, QString* whyNot);
