#include "components/ServerSettings.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QSettings>

namespace {

ServerSettings::Override& overrides() {
    static ServerSettings::Override current;
    return current;
}

// The host's own settings file, whichever executable reads it.
QSettings hostSettings() {
    return QSettings(QStringLiteral("Vdr"), QStringLiteral("vdrhost"));
}

std::optional<int> portFrom(const QString& text) {
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    if (!ok || port < 0 || port > 65535)
        return std::nullopt;
    return port;
}

// Empty: not given.
std::optional<bool> switchFrom(const QString& text) {
    const QString value = text.trimmed().toLower();
    if (value.isEmpty())
        return std::nullopt;
    return !(value == QLatin1String("0") || value == QLatin1String("false") || value == QLatin1String("no") ||
             value == QLatin1String("off"));
}

// Only an explicit yes: a misspelt value must not weaken anything.
bool explicitYes(const QString& text) {
    const QString value = text.trimmed().toLower();
    return value == QLatin1String("1") || value == QLatin1String("true") || value == QLatin1String("yes") ||
           value == QLatin1String("on");
}

} // namespace

namespace ServerSettings {

Address stored() {
    QSettings settings = hostSettings();
    Address address;
    address.host =
        settings.value(QStringLiteral("server/host"), QString::fromLatin1(kDefaultHost)).toString();
    address.port = portFrom(settings.value(QStringLiteral("server/port")).toString()).value_or(kDefaultPort);
    address.tokenFile = settings.value(QStringLiteral("server/tokenFile")).toString();
    address.tls = settings.value(QStringLiteral("server/tls"), false).toBool();
    address.caFile = settings.value(QStringLiteral("server/caFile")).toString();
    return address;
}

void store(const Address& address) {
    QSettings settings = hostSettings();
    settings.setValue(QStringLiteral("server/host"), address.host);
    settings.setValue(QStringLiteral("server/port"), address.port);
    settings.setValue(QStringLiteral("server/tokenFile"), address.tokenFile);
    settings.setValue(QStringLiteral("server/tls"), address.tls);
    settings.setValue(QStringLiteral("server/caFile"), address.caFile);
    settings.sync();
}

void setOverride(Override given) {
    overrides() = std::move(given);
}

void clearOverride() {
    overrides() = Override{};
}

Address effective() {
    Address address = stored();
    if (qEnvironmentVariableIsSet(kHostVariable))
        address.host = qEnvironmentVariable(kHostVariable);
    if (const auto port = portFrom(qEnvironmentVariable(kPortVariable)))
        address.port = *port;
    if (qEnvironmentVariableIsSet(kTokenFileVariable))
        address.tokenFile = qEnvironmentVariable(kTokenFileVariable);
    const std::optional<bool> tls = switchFrom(qEnvironmentVariable(kTlsVariable));
    if (const QString caFile = qEnvironmentVariable(kCaFileVariable); !caFile.isEmpty()) {
        address.caFile = caFile;
        address.tls = true;
    }
    if (tls)
        address.tls = *tls;
    address.plainText = explicitYes(qEnvironmentVariable(kPlainTextVariable));
    const Override& given = overrides();
    if (given.host)
        address.host = *given.host;
    if (given.port)
        address.port = *given.port;
    if (given.tokenFile)
        address.tokenFile = *given.tokenFile;
    if (given.tls)
        address.tls = *given.tls;
    if (given.caFile)
        address.caFile = *given.caFile;
    if (given.plainText)
        address.plainText = *given.plainText;
    return address;
}

bool isLoopback(const QString& host) {
    QString name = host.trimmed();
    // "localhost." is an absolute name: resolvers pass it to DNS rather than /etc/hosts, so it may
    // lead anywhere, and asking would already tell the network the name.
    if (name.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    const QHostAddress address(name);
    return !address.isNull() && address.isLoopback();
}

QString plainTextRefusal(const QString& host, bool hasToken, bool tls, bool plainTextMeant) {
    if (!hasToken || tls || plainTextMeant || isLoopback(host))
        return {};
    return QCoreApplication::translate(
               "ServerSettings",
               "Refused to send the access token in clear text to the application server at %1, which may "
               "not be on this machine: turn TLS on (--tls, %2=1, or \"Usar TLS\" in the server "
               "settings), or, if plain text is meant, say so with --plain-text or %3=1")
        .arg(host, QString::fromLatin1(kTlsVariable), QString::fromLatin1(kPlainTextVariable));
}

} // namespace ServerSettings

QString WebURL() {
    return ServerSettings::effective().host;
}

int WebPort() {
    return ServerSettings::effective().port;
}
