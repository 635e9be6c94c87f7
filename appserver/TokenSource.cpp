#include "appserver/TokenSource.h"

#include <QFile>
#include <QFileInfo>

namespace {

// A token is a line of text; anything this large is the wrong file (or a device without end).
constexpr qint64 kMaxTokenFileBytes = 64 * 1024;

// A short token falls to guessing, however slowly the server answers wrong ones.
QString tooShort(const QString& token, const QString& where, const QString& file) {
    if (token.size() >= kMinTokenChars)
        return {};
    return QStringLiteral("the token in %1 has %2 characters, fewer than %3: make a good one with "
                          "`openssl rand -base64 32 > %4`")
        .arg(where)
        .arg(token.size())
        .arg(kMinTokenChars)
        .arg(file);
}

} // namespace

std::optional<ConfiguredToken> loadToken(const QString& tokenFile,
                                         const std::optional<QString>& environmentValue, QString* whyNot) {
    ConfiguredToken configured;
    if (!tokenFile.isEmpty()) {
        QFile file(tokenFile);
        // A FIFO would hold the start (and SIGTERM with it) until someone wrote to it; a device
        // might never end. Only a regular file (or a link to one) is read.
        const QFileInfo info(tokenFile);
        const bool irregular = info.exists() && !info.isFile();
        if (irregular || !file.open(QIODevice::ReadOnly)) {
            *whyNot = QStringLiteral("cannot read the token file %1: %2")
                          .arg(tokenFile,
                               irregular ? QStringLiteral("it is not a regular file") : file.errorString());
            return std::nullopt;
        }
        const QByteArray content = file.read(kMaxTokenFileBytes + 1);
        if (content.size() > kMaxTokenFileBytes) {
            *whyNot = QStringLiteral("the token file %1 is larger than %2 bytes")
                          .arg(tokenFile)
                          .arg(kMaxTokenFileBytes);
            return std::nullopt;
        }
        const QString token = QString::fromUtf8(content).trimmed();
        if (token.isEmpty()) {
            *whyNot = QStringLiteral("the token file %1 is empty").arg(tokenFile);
            return std::nullopt;
        }
        *whyNot = tooShort(token, QStringLiteral("the file %1").arg(tokenFile), tokenFile);
        if (!whyNot->isEmpty())
            return std::nullopt;
        configured.token = AccessToken(token);
        configured.origin = QStringLiteral("the file %1").arg(tokenFile);
        if (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
            configured.warning =
                QStringLiteral(
                    "the token file %1 is readable by other users; make it readable by its owner only")
                    .arg(tokenFile);
        return configured;
    }
    if (environmentValue && !environmentValue->isEmpty()) {
        const QString token = environmentValue->trimmed();
        if (token.isEmpty()) {
            *whyNot = QStringLiteral("APPSERVER_TOKEN holds only blanks");
            return std::nullopt;
        }
        *whyNot = tooShort(token, QStringLiteral("APPSERVER_TOKEN"), QStringLiteral("FILE"));
        if (!whyNot->isEmpty())
            return std::nullopt;
        configured.token = AccessToken(token);
        configured.origin = QStringLiteral("APPSERVER_TOKEN");
    }
    return configured;
}
