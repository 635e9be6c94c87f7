#include "components/NetConnection.h"

#include "components/ServerSettings.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ScopeGuard.h"
#include "wire/RemoteMethods.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

QString readToken(const QString& file) {
    if (file.isEmpty())
        return {};
    // A FIFO or a device would hold the connect (and the window) until someone wrote to it.
    const QFileInfo info(file);
    if (info.exists() && !info.isFile())
        throw ESocketError(
            QCoreApplication::translate("NetConnection",
                                        "Cannot read the server token file %1: it is not a regular file")
                .arg(file));
    QFile token(file);
    if (!token.open(QIODevice::ReadOnly))
        throw ESocketError(
            QCoreApplication::translate("NetConnection", "Cannot read the server token file %1: %2")
                .arg(file, token.errorString()));
    return QString::fromUtf8(token.readAll()).trimmed();
}
} // namespace

RemoteArg RemoteArg::byValue(const AnsiString& text) {
    RemoteArg arg;
    arg.value_ = Ansi::toUnicode(text);
    return arg;
}

RemoteArg RemoteArg::byValue(const QJsonValue& value) {
    RemoteArg arg;
    arg.value_ = value;
    return arg;
}

RemoteArg RemoteArg::byRef(AnsiString& variable) {
    RemoteArg arg;
    arg.variable_ = &variable;
    return arg;
}

QJsonValue RemoteArg::wireValue() const {
    return variable_ ? QJsonValue(Ansi::toUnicode(*variable_)) : value_;
}

void TNetConnection::Open() {
    if (Connected())
        return;
    if (BeforeConnect)
        BeforeConnect(*this);
    const ServerSettings::Address settings = ServerSettings::effective();
    // Read before connecting, so that nothing reaches a server the token must not go to.
    const QString token = readToken(settings.tokenFile);
    if (!transport) {
        const QString refusal =
            ServerSettings::plainTextRefusal(Host, !token.isEmpty(), settings.tls, settings.plainText);
        if (!refusal.isEmpty())
            throw ESocketError(refusal);
    }
    lines_.open(
        {.host = Host, .port = Port, .tls = settings.tls, .caFile = settings.caFile, .timeoutMs = Timeout});

    ScopeExit dropUnlessOpened([this] { drop(); });
    QJsonObject params{{QStringLiteral("serverName"), ServerName}};
    if (!token.isEmpty())
        params.insert(QStringLiteral("token"), token);
    rpc_.call(RemoteMethods::kOpen, params);
    dropUnlessOpened.dismiss();
    keepOpen_ = true;
}

void TNetConnection::Close() {
    keepOpen_ = false;
    drop();
}

void TNetConnection::drop() {
    rpc_.forgetCalls();
    lines_.close();
}

bool TNetConnection::Connected() const {
    return lines_.isOpen();
}

void TNetConnection::reopenIfDropped() {
    if (!lines_.stillOpen() && keepOpen_) {
        drop();
        Open();
    }
    lines_.requireOpen();
}

namespace {

// The server may hand back new values for by-reference arguments.
void giveBackRefs(const QJsonValue& result, const std::vector<RemoteArg>& args) {
    const QJsonObject refs = result.toObject().value(QStringLiteral("refs")).toObject();
    for (auto it = refs.begin(); it != refs.end(); ++it) {
        bool ok = false;
        const int index = it.key().toInt(&ok);
        if (ok && index >= 0 && index < static_cast<int>(args.size()) && args[index].variable())
            *args[index].variable() = Ansi::fromUnicode(
                it.value().toString(), QCoreApplication::translate("NetConnection", "Returned value"));
    }
}

QJsonArray paramsOf(const std::vector<RemoteArg>& args) {
    QJsonArray params;
    for (const RemoteArg& arg : args)
        params.append(arg.wireValue());
    return params;
}

} // namespace

QJsonValue TNetConnection::call(const QString& method, const std::vector<RemoteArg>& args) {
    const QJsonArray params = paramsOf(args);
    if (onCall)
        onCall(method, params);
    const QJsonValue result = rpc_.call(method, params);
    giveBackRefs(result, args);
    return result;
}

void TNetConnection::send(const QString& method, const std::vector<RemoteArg>& args) {
    const QJsonArray params = paramsOf(args);
    if (onCall)
        onCall(method, params);
    rpc_.send(method, params);
}

QJsonValue TNetConnection::receive(const std::vector<RemoteArg>& args) {
    const QJsonValue result = rpc_.receive();
    giveBackRefs(result, args);
    return result;
}
