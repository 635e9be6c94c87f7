#pragma once

#include <QList>
#include <QSslCipher>
#include <QSslConfiguration>

// The cipher suites both ends of the link offer. TLS 1.3's, all of which are forward-secret
// AEAD; for TLS 1.2 only ephemeral key exchanges (ECDHE, DHE) with AES-GCM or ChaCha20-Poly1305,
// so that a key stolen later opens no recorded session and no CBC or SHA-1 suite is negotiated.
// Header-only: the including target links Qt Network, which the rest of wire/ does not need.
namespace TlsCiphers {

inline bool isForwardSecretAead(const QSslCipher& cipher) {
    const QString name = cipher.name();
    if (cipher.protocol() == QSsl::TlsV1_3 || name.startsWith(QLatin1String("TLS_")))
        return true;
    if (!name.startsWith(QLatin1String("ECDHE-")) && !name.startsWith(QLatin1String("DHE-")))
        return false;
    if (name.contains(QLatin1String("PSK")))
        return false;
    return name.contains(QLatin1String("-AES128-GCM-")) || name.contains(QLatin1String("-AES256-GCM-")) ||
           name.contains(QLatin1String("-CHACHA20-POLY1305"));
}

inline QList<QSslCipher> forwardSecretAead() {
    QList<QSslCipher> chosen;
    for (const QSslCipher& cipher : QSslConfiguration::supportedCiphers()) {
        if (isForwardSecretAead(cipher))
            chosen.append(cipher);
    }
    return chosen;
}

} // namespace TlsCiphers
