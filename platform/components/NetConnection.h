#pragma once

#include "toolkit/AnsiString.h"
#include "wire/JsonWriter.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QString>

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

// A socket connection to an application server object, named by ServerName. Calls are
// synchronous: one request in flight, the caller waits for its answer.
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

    // Sees every remote method call before it is sent: a place for tracing and diagnostics.
    std::function<void(const QString& method, const QJsonArray& params)> OnCall;

    // Carries the request lines instead of a socket when set: takes one request line and hands
    // back the server's answer line. Tests put a server in the same process here.
    std::function<QByteArray(const QByteArray& requestLine)> Transport;

private:
    friend class TAppServer;
    QJsonValue request(const QString& method, const QJsonValue& params);
    QJsonValue call(const QString& method, const std::vector<TRemoteArg>& args);
    QString where() const;
    // Sends one request line and waits for the answer line.
    QByteArray exchange(const QString& method, const QByteArray& line);
    // Closes the socket without forgetting that the window wants the connection open.
    void drop();

    std::unique_ptr<QTcpSocket> socket_;
    bool transportOpen_ = false;
    bool keepOpen_ = false;
    qint64 nextId_ = 1;
    JsonWriter requestLine_; // reused, so a request costs no new buffer
};
