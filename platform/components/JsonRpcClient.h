#pragma once

#include "wire/JsonWriter.h"

#include <QJsonValue>
#include <QString>

#include <deque>

class LineConnector;

// JSON-RPC 2.0 requests, one a line, over a LineConnector. A call waits for its answer; send and
// receive put several requests in flight instead: the server answers a connection's requests in
// the order sent, and each answer's id is checked against its request's.
class JsonRpcClient {
public:
    explicit JsonRpcClient(LineConnector& lines);
    JsonRpcClient(const JsonRpcClient&) = delete;
    JsonRpcClient& operator=(const JsonRpcClient&) = delete;

    // Sends a request and waits for its result; refused while other calls wait for their answers.
    QJsonValue call(const QString& method, const QJsonValue& params);
    // Sends a request without waiting for its answer.
    void send(const QString& method, const QJsonValue& params);
    // The result of the oldest call sent and not yet answered. An error answer raises EServerError
    // and leaves the connection and the calls after it as they are; an answer that cannot be
    // paired with its request closes the connection, and a lost or closed connection drops every
    // call in flight.
    QJsonValue receive();
    int pendingCalls() const { return int(pending_.size()); }
    qint64 pendingBytes() const { return pendingBytes_; }
    // Their answers will never come: the connection they were sent on is gone.
    void forgetCalls();

private:
    struct PendingCall {
        qint64 id;
        QString method;
        qint64 bytes;
    };

    void forgetCallsIfClosed();

    LineConnector& lines_;
    qint64 nextId_ = 1;
    std::deque<PendingCall> pending_;
    qint64 pendingBytes_ = 0;
    JsonWriter requestLine_; // reused, so a request costs no new buffer
};
