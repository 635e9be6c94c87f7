#pragma once

#include <QSslConfiguration>
#include <QString>

#include <optional>

// What the server proves itself with over TLS: its certificate (with any intermediate
// certificates after it) and its private key, both PEM files, as the configuration every accepted
// connection's handshake uses. TLS 1.2 or newer, with forward-secret AEAD suites only (see
// wire/TlsCiphers.h); no certificate is asked of clients, whom the
// token identifies.
struct TlsCredentials {
    QSslConfiguration configuration;
    QString description;  // for the log: whom the certificate names, who signed it, until when
    QStringList warnings; // for the log: an expired certificate, a key file others may read
};

// Reads both files once. Nothing, with whyNot, when a file cannot be read, holds no PEM
// certificate or no unencrypted PEM private key (RSA, EC or DSA), when the key does not belong to
// the certificate, or when this machine has no TLS. The key is tried in one handshake with itself
// over loopback, the only place the TLS library sets the two side by side.
std::optional<TlsCredentials> loadTlsCredentials(const QString& certificateFile, const QString& keyFile,
                                                 QString* whyNot);
