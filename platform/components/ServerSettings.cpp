#include "components/ServerSettings.h"

#include <QSettings>

namespace {

struct Overrides {
    std::optional<QString> host;
    std::optional<int> port;
    std::optional<QString> tokenFile;
};

Overrides& overrides() {
    static Overrides current;
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

} // namespace

namespace ServerSettings {

Address stored() {
    QSettings settings = hostSettings();
    Address address;
    address.host =
        settings.value(QStringLiteral("server/host"), QString::fromLatin1(kDefaultHost)).toString();
    address.port = portFrom(settings.value(QStringLiteral("server/port")).toString()).value_or(kDefaultPort);
    address.tokenFile = settings.value(QStringLiteral("server/tokenFile")).toString();
    return address;
}

void store(const Address& address) {
    QSettings settings = hostSettings();
    settings.setValue(QStringLiteral("server/host"), address.host);
    settings.setValue(QStringLiteral("server/port"), address.port);
    settings.setValue(QStringLiteral("server/tokenFile"), address.tokenFile);
    settings.sync();
}

void setOverride(std::optional<QString> host, std::optional<int> port, std::optional<QString> tokenFile) {
    overrides() = Overrides{std::move(host), port, std::move(tokenFile)};
}

void clearOverride() {
    overrides() = Overrides{};
}

Address effective() {
    Address address = stored();
    if (qEnvironmentVariableIsSet(kHostVariable))
        address.host = qEnvironmentVariable(kHostVariable);
    if (const auto port = portFrom(qEnvironmentVariable(kPortVariable)))
        address.port = *port;
    if (qEnvironmentVariableIsSet(kTokenFileVariable))
        address.tokenFile = qEnvironmentVariable(kTokenFileVariable);
    const Overrides& given = overrides();
    if (given.host)
        address.host = *given.host;
    if (given.port)
        address.port = *given.port;
    if (given.tokenFile)
        address.tokenFile = *given.tokenFile;
    return address;
}

} // namespace ServerSettings

QString WebURL() {
    return ServerSettings::effective().host;
}

int WebPort() {
    return ServerSettings::effective().port;
}
