#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QTcpSocket>

// A blocking JSON-RPC client of the application server for tests: one request, then its answer.
class RpcClient {
public:
    static constexpr int kTimeoutMs = 15000;

    bool connectTo(quint16 port);

    // Sends a request with a fresh id and returns the next message that arrives (an empty object
    // when none came or the connection closed).
    QJsonObject call(const QString& method, const QJsonValue& params = QJsonArray());
    // rpc.open of the server object.
    QJsonObject open(const QString& serverName = QStringLiteral("Vdr04000.rdmImpPocket"));

    // A request line as call() would send it, for pipelining several.
    static QByteArray requestLine(qint64 id, const QString& method, const QJsonValue& params);

    // Bytes as they are, for malformed and partial lines.
    void sendRaw(const QByteArray& bytes);
    // The next line, parsed; empty when none came, the connection closed, or it was not JSON.
    QJsonObject readMessage(int timeoutMs = kTimeoutMs);
    // True once the server has closed the connection.
    bool waitForClosed(int timeoutMs = kTimeoutMs);

private:
    QTcpSocket socket_;
    QByteArray buffer_;
    qsizetype start_ = 0; // bytes of buffer_ already returned
    qint64 nextId_ = 1;
};

// The error code of a response, or 0 when it is not an error.
int errorCode(const QJsonObject& response);
// The result object (ok/data/message) of a response.
QJsonObject resultOf(const QJsonObject& response);
// The rows of a successful packet result.
QJsonArray rowsOf(const QJsonObject& response);
// A GetPropried request whose line (line end excluded) is exactly length bytes, for the limits.
QByteArray requestOfLength(qsizetype length);
