#pragma once

#include <QString>

#include <memory>

class QSslSocket;

// Connects to host:port over TLS 1.2 or newer and verifies the server's certificate for the name
// host (a host name or an IP address) against the system's CA certificates, or only those in
// caFile (PEM) when given. Returns the socket once the handshake has finished and the certificate
// has been accepted: nothing is sent before that, so an access token never goes over a link to a
// server that has not proved who it is. Raises ESocketError naming where (HOST:PORT, for the
// messages) and the reason: the CA file, the connect, every certificate error, a handshake that
// failed or did not finish within timeoutMs (which bounds the connect and the handshake together).
std::unique_ptr<QSslSocket> connectVerified(const QString& host, quint16 port, const QString& caFile,
                                            int timeoutMs, const QString& where);
