#pragma once

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
// cannot hold up the others.
class RpcConnection : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxLineBytes = 1024 * 1024;

    // Takes ownership of socket. token empty: rpc.open needs none.
    RpcConnection(QTcpSocket* socket, const ServerRegistry& registry, QString token, int number,
                  QObject* parent = nullptr);

    // Closes after the answers already queued have been sent.
    void close();

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
    void drainInput();
    void send(const QJsonObject& message);
    void sendError(const QJsonValue& id, int code, const QString& message);
    void onDisconnected();

    QTcpSocket* socket_;
    const ServerRegistry& registry_;
    QString token_;
    int number_;
    State state_ = State::Serving;
    ServerObject* serverObject_ = nullptr;
    QByteArray buffer_;
    qsizetype consumed_ = 0; // bytes of buffer_ already handled
    qsizetype scanned_ = 0;  // bytes of buffer_ known to hold no line end
    bool pumpScheduled_ = false;
    QTimer drainTimer_;
    QTimer drainDeadline_;
};
