#include "appserver/RpcConnection.h"

#include "appserver/RpcError.h"
#include "appserver/ServerRegistry.h"
#include "appserver/SqlSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QTcpSocket>
#include <QtGlobal>

#include <algorithm>

namespace {

// Requests handled before other connections get their turn.
constexpr int kRequestsPerPass = 32;
constexpr qint64 kReadChunk = 64 * 1024;
// Answers queued for a client that is not reading them; past this the connection stops reading.
constexpr qint64 kMaxQueuedOutput = 4 * 1024 * 1024;
// After an oversized line the rest of it is read and dropped, so that closing does not reset the
// connection before the client has the error answer.
constexpr int kDrainQuietMs = 200;
constexpr int kDrainMaxMs = 5000;

QString peerName(const QTcpSocket* socket) {
    return QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
}

// QJsonDocument takes only an object or array at the top, but a lone string or number is still
// JSON: a wrong kind of request rather than a parse error.
bool isJsonScalar(const QByteArray& line) {
    QJsonParseError error;
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + line + ']', &error);
    return error.error == QJsonParseError::NoError && wrapped.array().size() == 1;
}

} // namespace

RpcConnection::RpcConnection(QTcpSocket* socket, const ServerRegistry& registry, AccessToken token,
                             ServerLimits limits, int number, QObject* parent)
    : QObject(parent), socket_(socket), registry_(registry), token_(std::move(token)), limits_(limits),
      number_(number) {
    socket_->setParent(this);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // Bounds what Qt buffers for us; beyond it TCP flow control holds the client back.
    socket_->setReadBufferSize(std::max(limits_.maxMessageBytes, kReadChunk));
    qInfo("connection %d: opened from %s", number_, qPrintable(peerName(socket_)));

    connect(socket_, &QTcpSocket::readyRead, this, [this] {
        if (state_ == State::Draining)
            drainInput();
        else
            pump();
    });
    connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
        if (state_ == State::Serving)
            pump();
    });
    connect(socket_, &QTcpSocket::disconnected, this, &RpcConnection::onDisconnected);

    drainTimer_.setSingleShot(true);
    drainDeadline_.setSingleShot(true);
    connect(&drainTimer_, &QTimer::timeout, this, &RpcConnection::close);
    connect(&drainDeadline_, &QTimer::timeout, this, &RpcConnection::close);

    idleTimer_.setSingleShot(true);
    connect(&idleTimer_, &QTimer::timeout, this, &RpcConnection::onIdle);
    if (limits_.idleTimeoutSeconds > 0)
        idleTimer_.start(limits_.idleTimeoutSeconds * 1000);

    // Data may have arrived before the connection was handed to us.
    schedulePump();
}

void RpcConnection::close() {
    if (state_ == State::Closed)
        return;
    state_ = State::Closed;
    idleTimer_.stop();
    drainTimer_.stop();
    drainDeadline_.stop();
    socket_->disconnectFromHost();
    // A client that never reads would keep the answers queued and the socket closing forever.
    QTimer::singleShot(kDrainMaxMs, socket_, [socket = socket_] { socket->abort(); });
}

void RpcConnection::onIdle() {
    if (state_ != State::Serving)
        return;
    qInfo("connection %d: no request for %d s; closing", number_, limits_.idleTimeoutSeconds);
    close();
}

void RpcConnection::onDisconnected() {
    state_ = State::Closed;
    idleTimer_.stop();
    qInfo("connection %d: closed", number_);
    emit finished(this);
}

void RpcConnection::schedulePump() {
    if (pumpScheduled_)
        return;
    pumpScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        pumpScheduled_ = false;
        if (state_ == State::Serving)
            pump();
    });
}

void RpcConnection::pump() {
    int handled = 0;
    while (state_ == State::Serving) {
        if (socket_->bytesToWrite() > kMaxQueuedOutput)
            return; // bytesWritten resumes
        const qsizetype end = buffer_.indexOf('\n', std::max(consumed_, scanned_));
        if (end < 0) {
            scanned_ = buffer_.size();
            if (buffer_.size() - consumed_ > limits_.maxMessageBytes) {
                refuseOversizedLine();
                return;
            }
            if (socket_->bytesAvailable() <= 0)
                return; // readyRead resumes
            if (consumed_ > 0) {
                buffer_.remove(0, consumed_);
                scanned_ -= consumed_;
                consumed_ = 0;
            }
            // Straight into the buffer, whose room stays: read(kReadChunk) would allocate a whole
            // chunk for every request.
            const qsizetype had = buffer_.size();
            buffer_.resize(had + kReadChunk);
            const qint64 got = socket_->read(buffer_.data() + had, kReadChunk);
            buffer_.resize(had + std::max<qint64>(got, 0));
            continue;
        }
        if (end - consumed_ > limits_.maxMessageBytes) {
            refuseOversizedLine();
            return;
        }
        const QByteArray line = buffer_.mid(consumed_, end - consumed_);
        consumed_ = end + 1;
        // Only a whole line counts as activity: a client trickling a line that never ends is idle.
        if (limits_.idleTimeoutSeconds > 0)
            idleTimer_.start(limits_.idleTimeoutSeconds * 1000);
        handleLine(line);
        if (++handled == kRequestsPerPass) {
            schedulePump();
            return;
        }
    }
}

void RpcConnection::refuseOversizedLine() {
    qWarning("connection %d: a line exceeds %lld bytes; closing", number_,
             qlonglong(limits_.maxMessageBytes));
    refuse(RpcCode::InvalidRequest,
           QStringLiteral("the line exceeds the limit of %1 bytes; closing the connection")
               .arg(limits_.maxMessageBytes));
}

void RpcConnection::refuse(int code, const QString& message) {
    if (state_ != State::Serving)
        return;
    sendError(QJsonValue::Null, code, message);
    closeAfterDraining();
}

// Closing with unread input would reset the connection, and the client could lose the answer
// just sent; so what still arrives is read and dropped first.
void RpcConnection::closeAfterDraining() {
    state_ = State::Draining;
    idleTimer_.stop();
    buffer_.clear();
    consumed_ = scanned_ = 0;
    drainDeadline_.start(kDrainMaxMs);
    drainInput();
}

void RpcConnection::drainInput() {
    while (socket_->bytesAvailable() > 0)
        socket_->read(kReadChunk);
    drainTimer_.start(kDrainQuietMs);
}

void RpcConnection::send(const QJsonObject& message) {
    socket_->write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    // Out now rather than on the next turn of the event loop: the client is waiting for it. What
    // the kernel cannot take yet stays buffered as before.
    socket_->flush();
}

void RpcConnection::sendError(const QJsonValue& id, int code, const QString& message) {
    send(QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                     {QStringLiteral("id"), id},
                     {QStringLiteral("error"),
                      QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}}}});
}

void RpcConnection::handleLine(const QByteArray& line) {
    if (line.trimmed().isEmpty())
        return; // a blank line carries no request

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (isJsonScalar(line)) {
            sendError(QJsonValue::Null, RpcCode::InvalidRequest,
                      QStringLiteral("a request must be one JSON object"));
            return;
        }
        sendError(
            QJsonValue::Null, RpcCode::ParseError,
            QStringLiteral("not JSON: %1 at byte %2").arg(parseError.errorString()).arg(parseError.offset));
        return;
    }
    if (!document.isObject()) {
        sendError(QJsonValue::Null, RpcCode::InvalidRequest,
                  QStringLiteral("a request must be one JSON object"));
        return;
    }
    const QJsonObject request = document.object();
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
    if (!invalid.isEmpty()) {
        sendError(id, RpcCode::InvalidRequest, invalid);
        return;
    }
    if (!hasId) {
        // The protocol has no notifications; running one would change data without an answer.
        qInfo("connection %d: ignored a notification (%s)", number_, qPrintable(method.toString()));
        return;
    }

    try {
        const QJsonValue result = dispatch(method.toString(), params);
        send(QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                         {QStringLiteral("id"), id},
                         {QStringLiteral("result"), result}});
    } catch (const RpcError& error) {
        sendError(id, error.code(), error.message());
        if (tokenRefusals_ >= kMaxTokenRefusals) {
            qWarning("connection %d: %d refused tokens; closing", number_, tokenRefusals_);
            closeAfterDraining();
        }
    } catch (const StorageError& error) {
        qWarning("connection %d: %s failed in the database: %s", number_, qPrintable(method.toString()),
                 qPrintable(error.message()));
        // Drivers report over several lines; a client shows the message as one.
        sendError(id, RpcCode::InternalError,
                  QStringLiteral("the database failed: %1").arg(error.message().simplified()));
    } catch (const std::exception& error) {
        qWarning("connection %d: %s failed: %s", number_, qPrintable(method.toString()), error.what());
        sendError(id, RpcCode::InternalError, QString::fromLocal8Bit(error.what()));
    }
}

QJsonValue RpcConnection::dispatch(const QString& method, const QJsonValue& params) {
    if (method == QLatin1String("rpc.open"))
        return openServerObject(params);
    if (!serverObject_)
        throw RpcError(RpcCode::NotOpen, QStringLiteral("open a server object with rpc.open first"));
    if (params.isObject())
        throw RpcError(RpcCode::InvalidParams,
                       QStringLiteral("%1 takes its arguments by position, in an array").arg(method));
    return serverObject_->call(method, params.toArray());
}

QJsonObject RpcConnection::openServerObject(const QJsonValue& params) {
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
        ++tokenRefusals_;
        qWarning("connection %d: refused: missing or wrong token", number_);
        throw RpcError(RpcCode::UnknownServer, QStringLiteral("missing or wrong token"));
    }
    ServerObject* object = registry_.find(serverName.toString());
    if (!object)
        throw RpcError(RpcCode::UnknownServer,
                       QStringLiteral("no server object is named \"%1\"").arg(serverName.toString()));
    serverObject_ = object;
    qInfo("connection %d: opened %s", number_, qPrintable(object->name()));
    return QJsonObject{{QStringLiteral("serverName"), object->name()}};
}
