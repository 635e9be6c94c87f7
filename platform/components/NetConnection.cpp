#include "components/NetConnection.h"

#include "components/ServerSettings.h"
#include "components/TlsClient.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ScopeGuard.h"
#include "wire/RemoteMethods.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSslSocket>
#include <QTcpSocket>

namespace {
// Answers can carry a packet of many 4,000-character values; anything beyond this is not ours.
constexpr qint64 kMaxAnswer = 64 * 1024 * 1024;

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

TRemoteArg TRemoteArg::byValue(const AnsiString& text) {
    TRemoteArg arg;
    arg.value_ = Ansi::toUnicode(text);
    return arg;
}

TRemoteArg TRemoteArg::byValue(const QJsonValue& value) {
    TRemoteArg arg;
    arg.value_ = value;
    return arg;
}

TRemoteArg TRemoteArg::byRef(AnsiString& variable) {
    TRemoteArg arg;
    arg.variable_ = &variable;
    return arg;
}

QJsonValue TRemoteArg::wireValue() const {
    return variable_ ? QJsonValue(Ansi::toUnicode(*variable_)) : value_;
}

QJsonValue TAppServer::Call(const QString& method, const std::vector<TRemoteArg>& args) const {
    return connection_.call(method, args);
}

TNetConnection::TNetConnection() = default;
TNetConnection::~TNetConnection() = default;

QString TNetConnection::where() const {
    return QStringLiteral("%1:%2").arg(Host).arg(Port);
}

void TNetConnection::Open() {
    if (Connected())
        return;
    if (BeforeConnect)
        BeforeConnect(*this);
    const ServerSettings::Address settings = ServerSettings::effective();
    // Read before connecting, so that nothing reaches a server the token must not go to.
    const QString token = readToken(settings.tokenFile);
    if (!Transport) {
        const QString refusal =
            ServerSettings::plainTextRefusal(Host, !token.isEmpty(), settings.tls, settings.plainText);
        if (!refusal.isEmpty())
            throw ESocketError(refusal);
    }
    if (Transport) {
        transportOpen_ = true;
    } else if (settings.tls) {
        socket_ = connectVerified(Host, static_cast<quint16>(Port), settings.caFile, Timeout, where());
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    } else {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(Host, static_cast<quint16>(Port));
        if (!socket->waitForConnected(Timeout))
            throw ESocketError(QCoreApplication::translate(
                                   "NetConnection", "Cannot connect to the application server at %1: %2")
                                   .arg(where(), socket->errorString()));
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket_ = std::move(socket);
    }

    ScopeExit dropUnlessOpened([this] { drop(); });
    QJsonObject params{{QStringLiteral("serverName"), ServerName}};
    if (!token.isEmpty())
        params.insert(QStringLiteral("token"), token);
    request(RemoteMethods::kOpen, params);
    dropUnlessOpened.dismiss();
    keepOpen_ = true;
}

void TNetConnection::Close() {
    keepOpen_ = false;
    drop();
}

void TNetConnection::drop() {
    transportOpen_ = false;
    // Their answers will never come.
    pending_.clear();
    pendingBytes_ = 0;
    transportAnswers_.clear();
    if (!socket_)
        return;
    socket_->disconnectFromHost();
    if (socket_->state() != QAbstractSocket::UnconnectedState)
        socket_->waitForDisconnected(1000);
    socket_.reset();
}

bool TNetConnection::Connected() const {
    if (Transport)
        return transportOpen_;
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

TAppServer TNetConnection::AppServer() {
    // A server closes connections that stay idle too long. A connection the window still holds
    // open is opened again, with host and port taken afresh, before anything is sent on it.
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState && socket_->bytesAvailable() == 0)
        socket_->waitForReadyRead(0); // notices a close that arrived while nobody was reading
    if (keepOpen_ && !Connected()) {
        drop();
        Open();
    }
    if (!Connected())
        throw ESocketError(QCoreApplication::translate(
                               "NetConnection", "The connection to the application server at %1 is not open")
                               .arg(where()));
    return TAppServer(*this);
}

namespace {

// The server may hand back new values for by-reference arguments.
void giveBackRefs(const QJsonValue& result, const std::vector<TRemoteArg>& args) {
    const QJsonObject refs = result.toObject().value(QStringLiteral("refs")).toObject();
    for (auto it = refs.begin(); it != refs.end(); ++it) {
        bool ok = false;
        const int index = it.key().toInt(&ok);
        if (ok && index >= 0 && index < static_cast<int>(args.size()) && args[index].variable())
            *args[index].variable() = Ansi::fromUnicode(
                it.value().toString(), QCoreApplication::translate("NetConnection", "Returned value"));
    }
}

QJsonArray paramsOf(const std::vector<TRemoteArg>& args) {
    QJsonArray params;
    for (const TRemoteArg& arg : args)
        params.append(arg.wireValue());
    return params;
}

} // namespace

QJsonValue TNetConnection::call(const QString& method, const std::vector<TRemoteArg>& args) {
    const QJsonArray params = paramsOf(args);
    if (OnCall)
        OnCall(method, params);
    const QJsonValue result = request(method, params);
    giveBackRefs(result, args);
    return result;
}

void TNetConnection::Send(const QString& method, const std::vector<TRemoteArg>& args) {
    const QJsonArray params = paramsOf(args);
    if (OnCall)
        OnCall(method, params);
    sendRequest(method, params);
}

QJsonValue TNetConnection::Receive(const std::vector<TRemoteArg>& args) {
    if (pending_.empty())
        throw ESocketError(
            QCoreApplication::translate("NetConnection",
                                        "No call to the application server at %1 waits for its answer")
                .arg(where()));
    const QJsonValue result = readResult();
    giveBackRefs(result, args);
    return result;
}

QJsonValue TNetConnection::request(const QString& method, const QJsonValue& params) {
    // A call waits for its own answer: the answers of calls sent before it would come first.
    if (!pending_.empty())
        throw ESocketError(QCoreApplication::translate(
                               "NetConnection",
                               "%1 cannot be called while %2 call(s) to the application server at %3 "
                               "wait for their answers")
                               .arg(method)
                               .arg(pending_.size())
                               .arg(where()));
    sendRequest(method, params);
    return readResult();
}

void TNetConnection::sendRequest(const QString& method, const QJsonValue& params) {
    if (!Connected())
        throw ESocketError(QCoreApplication::translate(
                               "NetConnection", "The connection to the application server at %1 is not open")
                               .arg(where()));
    const qint64 id = nextId_++;
    requestLine_.clear();
    requestLine_.startObject();
    requestLine_.key("jsonrpc");
    requestLine_.string(QStringLiteral("2.0"));
    requestLine_.key("id");
    requestLine_.number(static_cast<double>(id));
    requestLine_.key("method");
    requestLine_.string(method);
    requestLine_.key("params");
    requestLine_.value(params);
    requestLine_.endObject();
    QByteArray line = requestLine_.text();
    line.append('\n');
    sendLine(method, line);
    pending_.push_back({id, method, line.size()});
    pendingBytes_ += line.size();
}

QJsonValue TNetConnection::readResult() {
    const PendingCall call = pending_.front();
    const QByteArray answerLine = readLine(call.method);
    pending_.pop_front();
    pendingBytes_ -= call.bytes;
    // Once an answer cannot be paired with its request, nothing read on this connection can be:
    // it goes, and the next call opens it again.
    const auto lostTrack = [this](const QString& why) {
        drop();
        return ESocketError(why);
    };
    QJsonParseError parseError;
    const QJsonDocument answer = QJsonDocument::fromJson(answerLine, &parseError);
    if (!answer.isObject())
        throw lostTrack(
            QCoreApplication::translate("NetConnection",
                                        "The application server at %1 sent an unreadable answer to %2: %3")
                .arg(where(), call.method, parseError.errorString()));
    const QJsonObject reply = answer.object();
    // An error without an id is about the connection itself (too many connections, say).
    const QJsonValue answeredId = reply.value(QStringLiteral("id"));
    if (answeredId.toInteger(-1) != call.id &&
        !(answeredId.isNull() && reply.contains(QStringLiteral("error"))))
        throw lostTrack(QCoreApplication::translate(
                            "NetConnection", "The application server at %1 answered another request than %2")
                            .arg(where(), call.method));
    if (reply.contains(QStringLiteral("error"))) {
        const QJsonObject error = reply.value(QStringLiteral("error")).toObject();
        throw EServerError(
            QCoreApplication::translate("NetConnection", "The application server refused %1: %2 (code %3)")
                .arg(call.method, error.value(QStringLiteral("message")).toString())
                .arg(error.value(QStringLiteral("code")).toInt()));
    }
    return reply.value(QStringLiteral("result"));
}

void TNetConnection::sendLine(const QString& method, const QByteArray& line) {
    if (Transport) {
        transportAnswers_.push_back(Transport(line));
        return;
    }
    // Handed to the kernel at once, without waiting for it to go out: with calls in flight the
    // server may be writing answers meanwhile, and waiting here without reading them could wait
    // for good. Whatever the kernel cannot take yet goes out while the answers are awaited.
    if (socket_->write(line) != line.size()) {
        const QString why = socket_->errorString();
        drop();
        throw ESocketError(
            QCoreApplication::translate("NetConnection", "Cannot send %1 to the application server at %2: %3")
                .arg(method, where(), why));
    }
    socket_->flush();
}

QByteArray TNetConnection::readLine(const QString& method) {
    if (Transport) {
        QByteArray answer = std::move(transportAnswers_.front());
        transportAnswers_.pop_front();
        return answer;
    }
    while (!socket_->canReadLine()) {
        if (socket_->bytesAvailable() > kMaxAnswer) {
            drop(); // the rest of the answer would be read as the next call's
            throw ESocketError(
                QCoreApplication::translate("NetConnection", "The answer to %1 from %2 is too large")
                    .arg(method, where()));
        }
        if (!socket_->waitForReadyRead(Timeout)) {
            const QString reason = socket_->state() == QAbstractSocket::ConnectedState
                                       ? QCoreApplication::translate("NetConnection", "no answer within %1 s")
                                             .arg(Timeout / 1000)
                                       : socket_->errorString();
            // This call fails; the next one connects again, as after a close while idle, so a
            // server that was restarted serves again without a new window.
            drop();
            throw ESocketError(QCoreApplication::translate(
                                   "NetConnection", "The application server at %1 did not answer %2: %3")
                                   .arg(where(), method, reason));
        }
    }
    return socket_->readLine();
}
