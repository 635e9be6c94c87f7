#pragma once

#include "appserver/AccessToken.h"
#include "appserver/ServerLimits.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QTimer>

class QTcpSocket;
class ServerObject;
class ServerRegistry;

// One client connection: reads newline-terminated JSON-RPC requests and answers each in turn.
// Never blocks: it reads what has arrived, handles a bounded number of requests per pass of the
// event loop, and stops reading while the client is not taking its answers, so one client
// cannot hold up the others. Closes itself when the client goes quiet for the idle timeout.
class RpcConnection : public QObject {
    Q_OBJECT
public:
    // Failed token checks after which the connection is closed, so guesses cost a reconnect.
    static constexpr int kMaxTokenRefusals = 3;

    // Takes ownership of socket.
    RpcConnection(QTcpSocket* socket, const ServerRegistry& registry, AccessToken token, ServerLimits limits,
                  int number, QObject* parent = nullptr);

    // Closes after the answers already queued have been sent.
    void close();
    // Sends one error (id null), then reads and drops what the client still sends and closes.
    void refuse(int code, const QString& message);

signals:
    void finished(RpcConnection* connection);

private:
    enum class State { Serving, Draining, Closed };

    void pump();
    void schedulePump();
    void handleLine(const QByteArray& line);
    QJsonValue dispatch(const QString& method, const QJsonValue& params);
    QJsonObject openServerObject(const QJsonValue& params);
    void refuseOversizedLine();
    void closeAfterDraining();
    void drainInput();
    void send(const QJsonObject& message);
    void sendError(const QJsonValue& id, int code, const QString& message);
    void onIdle();
    void onDisconnected();

    QTcpSocket* socket_;
    const ServerRegistry& registry_;
    const AccessToken token_;
    const ServerLimits limits_;
    int number_;
    State state_ = State::Serving;
    ServerObject* serverObject_ = nullptr;
    int tokenRefusals_ = 0;
    QByteArray buffer_;
    qsizetype consumed_ = 0; // bytes of buffer_ already handled
    qsizetype scanned_ = 0;  // bytes of buffer_ known to hold no line end
    bool pumpScheduled_ = false;
    QTimer idleTimer_;
    QTimer drainTimer_;
    QTimer drainDeadline_;
};
