#include "appserver/rpc/RpcDispatcher.h"

#include "appserver/object/CallError.h"
#include "appserver/rpc/LogText.h"
#include "appserver/rpc/RequestText.h"
#include "appserver/rpc/RpcError.h"
#include "appserver/rpc/ServerRegistry.h"
#include "wire/RemoteMethods.h"

#include <QByteArrayView>
#include <QJsonArray>

#include <utility>

namespace {

QByteArray lineOf(const JsonWriter& message) {
    QByteArray line = message.text();
    line += '\n';
    return line;
}

// Starts an answer: {"jsonrpc": "2.0", "id": id, then the caller's member and the closing brace.
// A numeric id is written as the request wrote it, not as the double Qt read it as.
void startAnswer(JsonWriter& out, const QJsonValue& id, const QByteArray& numericId = {}) {
    out.clear();
    out.startObject();
    out.key("jsonrpc");
    out.string(QStringLiteral("2.0"));
    out.key("id");
    if (id.isDouble() && !numericId.isEmpty())
        out.raw(numericId);
    else
        out.value(id);
}

int codeOf(const CallError& error) {
    switch (error.kind()) {
    case CallError::Kind::UnknownMethod:
        return RpcCode::MethodNotFound;
    case CallError::Kind::BadArguments:
        return RpcCode::InvalidParams;
    case CallError::Kind::AnswerTooLarge:
        return RpcCode::AnswerTooLarge;
    case CallError::Kind::DatabaseFailed:
        break;
    }
    return RpcCode::InternalError;
}

} // namespace

RpcDispatcher::RpcDispatcher(const ServerRegistry& registry, AccessToken token, int number)
    : registry_(registry), token_(std::move(token)), number_(number) {}

QByteArray RpcDispatcher::errorLine(const QJsonValue& id, int code, const QString& message) {
    return errorLine(id, {}, code, message);
}

QByteArray RpcDispatcher::errorLine(const QJsonValue& id, const QByteArray& numericId, int code,
                                    const QString& message) {
    thread_local JsonWriter out;
    startAnswer(out, id, numericId);
    out.key("error");
    out.startObject();
    out.key("code");
    out.number(code);
    out.key("message");
    out.string(message);
    out.endObject();
    out.endObject();
    return lineOf(out);
}

std::optional<QByteArray> RpcDispatcher::handle(const QByteArray& line) {
    if (QByteArrayView(line).trimmed().isEmpty())
        return std::nullopt; // a blank line carries no request

    const RequestText text = textOf(line);
    if (!text.valid())
        return errorLine(QJsonValue::Null, RpcCode::ParseError,
                         QStringLiteral("not JSON: %1 at byte %2").arg(text.error()).arg(text.errorOffset()));
    if (!text.value().isObject())
        return errorLine(QJsonValue::Null, RpcCode::InvalidRequest,
                         QStringLiteral("a request must be one JSON object"));
    const QJsonObject request = text.value().toObject();
    const bool hasId = request.contains(QStringLiteral("id"));
    const QJsonValue rawId = request.value(QStringLiteral("id"));
    const bool idUsable = rawId.isDouble() || rawId.isString();
    const QJsonValue id = idUsable ? rawId : QJsonValue(QJsonValue::Null);
    const QJsonValue method = request.value(QStringLiteral("method"));
    const QJsonValue params = request.value(QStringLiteral("params"));

    QString invalid;
    if (request.value(QStringLiteral("jsonrpc")) != QJsonValue(QStringLiteral("2.0")))
        invalid = QStringLiteral("\"jsonrpc\" must be \"2.0\"");
    else if (hasId && !idUsable)
        invalid = QStringLiteral("\"id\" must be a number or a string");
    else if (!method.isString())
        invalid = QStringLiteral("\"method\" must be a string");
    else if (!params.isUndefined() && !params.isArray() && !params.isObject())
        invalid = QStringLiteral("\"params\" must be an array or an object");
    const QByteArray numericId = text.numericId();
    if (!invalid.isEmpty())
        return errorLine(id, numericId, RpcCode::InvalidRequest, invalid);
    if (!hasId) {
        // The protocol has no notifications; running one would change data without an answer.
        if (!serverObject_ && token_.isRequired()) {
            ++refusedBeforeOpen_;
            return std::nullopt;
        }
        qInfo("%s", qUtf8Printable(tr("connection %1: ignored a notification (%2)")
                                       .arg(QString::number(number_), clientText(method.toString()))));
        return std::nullopt;
    }

    try {
        startAnswer(answer_, id, numericId);
        answer_.key("result");
        dispatch(method.toString(), params);
        answer_.endObject();
        // The methods keep their answers within the limit by what they read; only rows written
        // around this server (past their fields' sizes) can take one beyond it.
        if (answer_.size() >= kMaxAnswerBytes)
            throw CallError(CallError::Kind::AnswerTooLarge,
                            QStringLiteral("the answer to %1 would take more than the server's output limit "
                                           "of %2 bytes")
                                .arg(method.toString())
                                .arg(kMaxAnswerBytes));
        return lineOf(answer_);
    } catch (const RpcError& error) {
        return errorLine(id, numericId, error.code(), error.message());
    } catch (const CallError& error) {
        return errorLine(id, numericId, codeOf(error), answerOf(error, method.toString()));
    } catch (const std::exception& error) {
        qWarning("%s", qUtf8Printable(tr("connection %1: %2 failed: %3")
                                          .arg(QString::number(number_), clientText(method.toString()),
                                               clientText(QString::fromLocal8Bit(error.what()), 400))));
        return errorLine(id, numericId, RpcCode::InternalError, QString::fromLocal8Bit(error.what()));
    }
}

void RpcDispatcher::readAhead(const QList<QByteArray>& lines) {
    readAhead_.clear();
    if (!serverObject_)
        return;
    QList<ServerObject::Call> calls;
    for (const QByteArray& line : lines) {
        if (QByteArrayView(line).trimmed().isEmpty())
            continue; // handle reads nothing of it
        RequestText text(line);
        if (text.valid() && text.value().isObject()) {
            const QJsonObject request = text.value().toObject();
            const QJsonValue method = request.value(QStringLiteral("method"));
            const QJsonValue params = request.value(QStringLiteral("params"));
            if (request.contains(QStringLiteral("id")) && method.isString() && params.isArray())
                calls.append({method.toString(), params.toArray()});
        }
        readAhead_.push_back({QByteArray(line.constData(), line.size()), std::move(text)});
    }
    serverObject_->readAhead(calls);
}

RequestText RpcDispatcher::textOf(const QByteArray& line) {
    if (!readAhead_.empty()) {
        ReadLine next = std::move(readAhead_.front());
        readAhead_.pop_front();
        if (next.line == line)
            return std::move(next.text);
        readAhead_.clear();
    }
    return RequestText(line);
}

QString RpcDispatcher::answerOf(const CallError& error, const QString& method) const {
    // Only the stored data can make an answer too large: the operator is to hear of it.
    if (error.kind() == CallError::Kind::AnswerTooLarge)
        qWarning("%s",
                 qUtf8Printable(tr("connection %1: %2 refused: %3")
                                    .arg(QString::number(number_), clientText(method), error.message())));
    if (error.kind() != CallError::Kind::DatabaseFailed)
        return error.message();
    qWarning("%s", qUtf8Printable(tr("connection %1: %2 failed in the database: %3")
                                      .arg(QString::number(number_), clientText(method), error.message())));
    return databaseFailure(error.message());
}

void RpcDispatcher::dispatch(const QString& method, const QJsonValue& params) {
    if (method == RemoteMethods::kOpen) {
        answer_.value(openServerObject(params));
        return;
    }
    if (!serverObject_) {
        if (token_.isRequired())
            ++refusedBeforeOpen_;
        throw RpcError(RpcCode::NotOpen, QStringLiteral("open a server object with rpc.open first"));
    }
    if (params.isObject())
        throw RpcError(RpcCode::InvalidParams,
                       QStringLiteral("%1 takes its arguments by position, in an array").arg(method));
    serverObject_->call(method, params.toArray(), answer_);
    answerTicket_ = serverObject_->takeCallTicket();
}

QJsonObject RpcDispatcher::openServerObject(const QJsonValue& params) {
    if (serverObject_)
        throw RpcError(RpcCode::NotOpen,
                       QStringLiteral("this connection has already opened %1").arg(serverObject_->name()));
    const QJsonValue serverName = params.toObject().value(QStringLiteral("serverName"));
    if (!params.isObject() || !serverName.isString())
        throw RpcError(RpcCode::InvalidParams, QStringLiteral("rpc.open takes {\"serverName\": \"...\"}"));
    const QJsonValue token = params.toObject().value(QStringLiteral("token"));
    if (!token.isUndefined() && !token.isString())
        throw RpcError(RpcCode::InvalidParams, QStringLiteral("\"token\" must be a string"));
    // Checked before the name, so that a client without the token learns nothing of what is served.
    if (!token_.accepts(token.toString())) {
        ++tokenRefusals_; // told to the log per peer address by the connection, not per guess
        throw RpcError(RpcCode::UnknownServer, QStringLiteral("missing or wrong token"));
    }
    ServerObject* object = registry_.find(serverName.toString());
    if (!object)
        throw RpcError(RpcCode::UnknownServer,
                       QStringLiteral("no server object is named \"%1\"").arg(serverName.toString()));
    serverObject_ = object;
    qInfo("%s", qUtf8Printable(tr("connection %1: opened %2").arg(QString::number(number_), object->name())));
    return QJsonObject{{QStringLiteral("serverName"), object->name()}};
}
