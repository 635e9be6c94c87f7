#include "appserver/commands/TokenSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

// A token is a line of text; anything this large is the wrong file (or a device without end).
constexpr qint64 kMaxTokenFileBytes = 64 * 1024;

// A short token falls to guessing, however slowly the server answers wrong ones. file: the token
// file it came from; empty: from APPSERVER_TOKEN.
QString tooShort(const QString& token, const QString& file) {
    // Characters are code points: QString's size counts UTF-16 units, in which an emoji is two.
    const qsizetype characters = token.toUcs4().size();
    if (characters >= kMinTokenChars)
        return {};
    if (file.isEmpty())
        return QCoreApplication::translate("TokenSource",
                                           "the token in APPSERVER_TOKEN has %1 characters, fewer than %2: "
                                           "make a good one with `openssl rand -base64 32 > FILE`")
            .arg(characters)
            .arg(kMinTokenChars);
    return QCoreApplication::translate("TokenSource",
                                       "the token in the file %1 has %2 characters, fewer than %3: make a "
                                       "good one with `openssl rand -base64 32 > %4`")
        .arg(file, QString::number(characters), QString::number(kMinTokenChars), file);
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
            *whyNot = QCoreApplication::translate("TokenSource", "cannot read the token file %1: %2")
                          .arg(tokenFile, irregular ? QCoreApplication::translate("TokenSource",
                                                                                  "it is not a regular file")
                                                    : file.errorString());
            return std::nullopt;
        }
        const QByteArray content = file.read(kMaxTokenFileBytes + 1);
        if (content.size() > kMaxTokenFileBytes) {
            *whyNot = QCoreApplication::translate("TokenSource", "the token file %1 is larger than %2 bytes")
                          .arg(tokenFile, QString::number(kMaxTokenFileBytes));
            return std::nullopt;
        }
        const QString token = QString::fromUtf8(content).trimmed();
        if (token.isEmpty()) {
            *whyNot = QCoreApplication::translate("TokenSource", "the token file %1 is empty").arg(tokenFile);
            return std::nullopt;
        }
        *whyNot = tooShort(token, tokenFile);
        if (!whyNot->isEmpty())
            return std::nullopt;
        configured.token = AccessToken(token);
        configured.file = tokenFile;
        if (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
            configured.warning =
                QCoreApplication::translate("TokenSource", "the token file %1 is readable by other users; "
                                                           "make it readable by its owner only")
                    .arg(tokenFile);
        return configured;
    }
    if (environmentValue && !environmentValue->isEmpty()) {
        const QString token = environmentValue->trimmed();
        if (token.isEmpty()) {
            *whyNot = QCoreApplication::translate("TokenSource", "APPSERVER_TOKEN holds only blanks");
            return std::nullopt;
        }
        *whyNot = tooShort(token, QString());
        if (!whyNot->isEmpty())
            return std::nullopt;
        configured.token = AccessToken(token);
    }
    return configured;
}
