#pragma once

#include <QString>

#include <memory>

class QSslCertificate;
class QSslSocket;

// Connects to host:port over TLS 1.2 or newer (forward-secret AEAD suites only, see
// wire/TlsCiphers.h) and verifies the server's certificate for the name host (a host name or an
// IP address) against the system's CA certificates, or only those in caFile (PEM) when given; when
// the certificate has subject alternative names, only those may match host. Returns the socket
// once the handshake has finished and the certificate has been accepted: nothing is sent before
// that, so an access token never goes over a link to a server that has not proved who it is.
// Raises ESocketError naming where (HOST:PORT, for the messages) and the reason: the CA file, the
// connect, every certificate error, a handshake that failed or did not finish within timeoutMs
// (which bounds the connect and the handshake together).
std::unique_ptr<QSslSocket> connectVerified(const QString& host, quint16 port, const QString& caFile,
                                            int timeoutMs, const QString& where);

// Whether certificate's DNS and IP subject alternative names name host (DNS names with a leftmost
// "*" label; IP addresses exactly). True when it has none of either kind, leaving the common name
// to Qt's own check.
bool subjectAlternativeNamesAllow(const QSslCertificate& certificate, const QString& host);
