#include "appserver/rpc/AccessToken.h"

#include <QCryptographicHash>

namespace {

QByteArray digestOf(const QString& text) {
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256);
}

// Visits every byte whatever differs, so the time taken does not depend on where a guess goes
// wrong.
bool equalInFixedTime(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false; // digests: always the same size
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace

AccessToken::AccessToken(const QString& token) : digest_(digestOf(token)) {}

bool AccessToken::accepts(const QString& offered) const {
    return !isRequired() || equalInFixedTime(digestOf(offered), digest_);
}
