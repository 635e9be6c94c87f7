#include "components/JsonRpcClient.h"

#include "components/LineConnector.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ScopeGuard.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

// The messages keep the translation context of the connection they are raised for.

JsonRpcClient::JsonRpcClient(LineConnector& lines) : lines_(lines) {}

void JsonRpcClient::forgetCalls() {
    pending_.clear();
    pendingBytes_ = 0;
}

// A connector that loses the connection closes it, and the answers in flight go with it.
void JsonRpcClient::forgetCallsIfClosed() {
    if (!lines_.isOpen())
        forgetCalls();
}

QJsonValue JsonRpcClient::call(const QString& method, const QJsonValue& params) {
    // A call waits for its own answer: the answers of calls sent before it would come first.
    if (!pending_.empty())
        throw ESocketError(QCoreApplication::translate(
                               "NetConnection",
                               "%1 cannot be called while %2 call(s) to the application server at %3 "
                               "wait for their answers")
                               .arg(method)
                               .arg(pending_.size())
                               .arg(lines_.where()));
    send(method, params);
    return receive();
}

void JsonRpcClient::send(const QString& method, const QJsonValue& params) {
    lines_.requireOpen();
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
    ScopeExit forgetIfLost([this] { forgetCallsIfClosed(); });
    lines_.writeLine(line, method);
    forgetIfLost.dismiss();
    pending_.push_back({id, method, line.size()});
    pendingBytes_ += line.size();
}

QJsonValue JsonRpcClient::receive() {
    if (pending_.empty())
        throw ESocketError(
            QCoreApplication::translate("NetConnection",
                                        "No call to the application server at %1 waits for its answer")
                .arg(lines_.where()));
    const PendingCall call = pending_.front();
    ScopeExit forgetIfLost([this] { forgetCallsIfClosed(); });
    const QByteArray answerLine = lines_.readLine(call.method);
    forgetIfLost.dismiss();
    pending_.pop_front();
    pendingBytes_ -= call.bytes;
    // Once an answer cannot be paired with its request, nothing read on this connection can be:
    // it is closed, and the next call opens it again.
    const auto lostTrack = [this](const QString& why) {
        lines_.close();
        forgetCalls();
        return ESocketError(why);
    };
    QJsonParseError parseError;
    const QJsonDocument answer = QJsonDocument::fromJson(answerLine, &parseError);
    if (!answer.isObject())
        throw lostTrack(
            QCoreApplication::translate("NetConnection",
                                        "The application server at %1 sent an unreadable answer to %2: %3")
                .arg(lines_.where(), call.method, parseError.errorString()));
    const QJsonObject reply = answer.object();
    // An error without an id is about the connection itself (too many connections, say).
    const QJsonValue answeredId = reply.value(QStringLiteral("id"));
    if (answeredId.toInteger(-1) != call.id &&
        !(answeredId.isNull() && reply.contains(QStringLiteral("error"))))
        throw lostTrack(QCoreApplication::translate(
                            "NetConnection", "The application server at %1 answered another request than %2")
                            .arg(lines_.where(), call.method));
    if (reply.contains(QStringLiteral("error"))) {
        const QJsonObject error = reply.value(QStringLiteral("error")).toObject();
        throw EServerError(
            QCoreApplication::translate("NetConnection", "The application server refused %1: %2 (code %3)")
                .arg(call.method, error.value(QStringLiteral("message")).toString())
                .arg(error.value(QStringLiteral("code")).toInt()));
    }
    return reply.value(QStringLiteral("result"));
}
