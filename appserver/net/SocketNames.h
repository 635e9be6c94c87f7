#pragma once

#include <QString>

class QAbstractSocket;
class QSslSocket;

// How the log names a client and the link it speaks.

// "ADDRESS:PORT" of the peer. Taken while the socket is connected: it is gone once it closes.
QString peerName(const QAbstractSocket& socket);
// "TLS 1.3" and the like.
QString tlsProtocolName(const QSslSocket& socket);

// The first byte of every TLS connection, its handshake record; no JSON-RPC line starts with it.
inline constexpr char kTlsHandshakeRecord = 0x16;
