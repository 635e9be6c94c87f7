#pragma once

#include <QByteArray>
#include <QString>

// The shared secret a client presents in rpc.open. Only its SHA-256 digest is kept, and offered
// tokens are compared digest to digest in fixed time, so neither a memory dump of the comparison
// nor its timing tells how much of a guess was right.
class AccessToken {
public:
    // No token: every client may open.
    AccessToken() = default;
    // token must not be empty.
    explicit AccessToken(const QString& token);

    bool isRequired() const { return !digest_.isEmpty(); }
    // True when no token is required, or offered is the token.
    bool accepts(const QString& offered) const;

private:
    QByteArray digest_;
};
