#include "tests/appserver/RpcClient.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QJsonDocument>

bool RpcClient::connectTo(quint16 port) {
    socket_.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    if (!socket_.waitForConnected(kTimeoutMs))
        return false;
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

QByteArray RpcClient::requestLine(qint64 id, const QString& method, const QJsonValue& params) {
    const QJsonObject request{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                              {QStringLiteral("id"), id},
                              {QStringLiteral("method"), method},
                              {QStringLiteral("params"), params}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject RpcClient::call(const QString& method, const QJsonValue& params) {
    sendRaw(requestLine(nextId_++, method, params));
    return readMessage();
}

QJsonObject RpcClient::open(const QString& serverName) {
    return call(QStringLiteral("rpc.open"), QJsonObject{{QStringLiteral("serverName"), serverName}});
}

void RpcClient::sendRaw(const QByteArray& bytes) {
    socket_.write(bytes);
    while (socket_.bytesToWrite() > 0 && socket_.state() == QAbstractSocket::ConnectedState) {
        if (!socket_.waitForBytesWritten(kTimeoutMs))
            break;
    }
}

QJsonObject RpcClient::readMessage(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype end = buffer_.indexOf('\n', start_);
    while (end < 0) {
        if (start_ > 0) {
            buffer_.remove(0, start_);
            start_ = 0;
        }
        buffer_.append(socket_.readAll());
        end = buffer_.indexOf('\n');
        if (end >= 0)
            break;
        if (deadline.hasExpired() || socket_.state() != QAbstractSocket::ConnectedState)
            return {};
        socket_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    const QByteArray line = buffer_.mid(start_, end - start_);
    start_ = end + 1;
    return QJsonDocument::fromJson(line).object();
}

bool RpcClient::waitForClosed(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (socket_.state() != QAbstractSocket::UnconnectedState) {
        if (deadline.hasExpired())
            return false;
        buffer_.append(socket_.readAll());
        socket_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return true;
}

int errorCode(const QJsonObject& response) {
    return response.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt();
}

QJsonObject resultOf(const QJsonObject& response) {
    return response.value(QStringLiteral("result")).toObject();
}

QJsonArray rowsOf(const QJsonObject& response) {
    return resultOf(response)
        .value(QStringLiteral("data"))
        .toObject()
        .value(QStringLiteral("rows"))
        .toArray();
}

QByteArray requestOfLength(qsizetype length) {
    const QByteArray head =
        R"({"jsonrpc":"2.0","id":5,"method":"GetPropried","params":["A","B","C","CAPTION","0",")";
    const QByteArray tail = R"(","POR"]})";
    return head + QByteArray(length - head.size() - tail.size(), 'x') + tail;
}
