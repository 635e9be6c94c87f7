#pragma once

#include "toolkit/AnsiString.h"
#include "wire/JsonWriter.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;

// One argument of a remote call: a copy, or the caller's own string variable, which a value the
// server hands back for that position replaces.
class TRemoteArg {
public:
    static TRemoteArg byValue(const AnsiString& text);
    static TRemoteArg byValue(const QJsonValue& value);
    static TRemoteArg byRef(AnsiString& variable);

    QJsonValue wireValue() const;
    AnsiString* variable() const { return variable_; }

private:
    QJsonValue value_;
    AnsiString* variable_ = nullptr;
};

class TNetConnection;

// The dispatch interface of the server object: remote methods called by name.
class TAppServer {
public:
    explicit TAppServer(TNetConnection& connection) : connection_(connection) {}
    // Calls method with positional arguments and returns its result; raises on any failure.
    QJsonValue Call(const QString& method, const std::vector<TRemoteArg>& args) const;

private:
    TNetConnection& connection_;
};

// A socket connection to an application server object, named by ServerName. A call waits for its
// answer. Send and Receive put several requests in flight instead: the server answers a
// connection's requests in the order sent, and each answer's id is checked against its request's.
class TNetConnection {
public:
    using Event = std::function<void(TNetConnection&)>;

    TNetConnection();
    ~TNetConnection();
    TNetConnection(const TNetConnection&) = delete;
    TNetConnection& operator=(const TNetConnection&) = delete;

    QString ServerName;
    QString Host;
    int Port = 0;
    // Kept for layouts that set it; connect and call failures always raise.
    bool ThrowException = false;
    // Milliseconds to wait for a connect or an answer before giving up.
    int Timeout = 60000;
    // Runs before every connect: the place to set Port and Host.
    Event BeforeConnect;

    void SetHost(const QString& host) { Host = host; }

    // Runs BeforeConnect, connects and opens the server object; ESocketError names host and
    // port when that fails. Opening an open connection does nothing. Once open, a connection
    // the server dropped is opened again at the next call, until Close.
    void Open();
    void Close();
    bool Connected() const;

    // The dispatch interface of the open server object, taken anew for each call.
    TAppServer AppServer();

    // Sends a call without waiting for its answer, on the open connection (see AppServer).
    void Send(const QString& method, const std::vector<TRemoteArg>& args);
    // The result of the oldest call sent and not yet answered, by-reference arguments being given
    // back as Call gives them. An error answer raises EServerError and leaves the connection and
    // the calls after it as they are; a lost or unreadable connection drops every call in flight.
    QJsonValue Receive(const std::vector<TRemoteArg>& args = {});
    int PendingCalls() const { return int(pending_.size()); }
    qint64 PendingBytes() const { return pendingBytes_; }

    // Sees every remote method call before it is sent: a place for tracing and diagnostics.
    std::function<void(const QString& method, const QJsonArray& params)> OnCall;

    // Carries the request lines instead of a socket when set: takes one request line and hands
    // back the server's answer line. Tests put a server in the same process here.
    std::function<QByteArray(const QByteArray& requestLine)> Transport;

private:
    friend class TAppServer;
    struct PendingCall {
        qint64 id;
        QString method;
        qint64 bytes;
    };

    QJsonValue request(const QString& method, const QJsonValue& params);
    QJsonValue call(const QString& method, const std::vector<TRemoteArg>& args);
    void sendRequest(const QString& method, const QJsonValue& params);
    QJsonValue readResult();
    QString where() const;
    void sendLine(const QString& method, const QByteArray& line);
    QByteArray readLine(const QString& method);
    // Closes the socket without forgetting that the window wants the connection open.
    void drop();

    std::unique_ptr<QTcpSocket> socket_;
    bool transportOpen_ = false;
    bool keepOpen_ = false;
    qint64 nextId_ = 1;
    std::deque<PendingCall> pending_;
    qint64 pendingBytes_ = 0;
    std::deque<QByteArray> transportAnswers_; // what Transport answered, not yet read
    JsonWriter requestLine_;                  // reused, so a request costs no new buffer
};
