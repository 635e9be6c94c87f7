#pragma once

#include "components/JsonRpcClient.h"
#include "components/LineConnector.h"
#include "toolkit/AnsiString.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QString>

#include <functional>
#include <vector>

// One argument of a remote call: a copy, or the caller's own string variable, which a value the
// server hands back for that position replaces.
class RemoteArg {
public:
    static RemoteArg byValue(const AnsiString& text);
    static RemoteArg byValue(const QJsonValue& value);
    static RemoteArg byRef(AnsiString& variable);

    QJsonValue wireValue() const;
    AnsiString* variable() const { return variable_; }

private:
    QJsonValue value_;
    AnsiString* variable_ = nullptr;
};

// A connection to an application server object, named by ServerName: the dispatch interface
// through which its remote methods are called by name. A call waits for its answer. Send and
// Receive put several requests in flight instead (see JsonRpcClient).
class TNetConnection {
public:
    using Event = std::function<void(TNetConnection&)>;

    TNetConnection() = default;
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
    // port when that fails. Opening an open connection does nothing.
    void Open();
    void Close();
    bool Connected() const;

    // A server closes connections that stay idle too long. One the window still holds open (opened
    // and not closed since) is opened again here, host and port taken afresh; ESocketError when
    // the connection is not open after all.
    void reopenIfDropped();

    // Calls method with positional arguments on the open connection and returns its result;
    // raises on any failure.
    QJsonValue call(const QString& method, const std::vector<RemoteArg>& args);
    // Sends a call without waiting for its answer, on the open connection.
    void send(const QString& method, const std::vector<RemoteArg>& args);
    // The result of the oldest call sent and not yet answered, by-reference arguments being given
    // back as call gives them. An error answer raises EServerError and leaves the connection and
    // the calls after it as they are; a lost or unreadable connection drops every call in flight.
    QJsonValue receive(const std::vector<RemoteArg>& args = {});
    int pendingCalls() const { return rpc_.pendingCalls(); }
    qint64 pendingBytes() const { return rpc_.pendingBytes(); }

    // Sees every remote method call before it is sent: a place for tracing and diagnostics.
    std::function<void(const QString& method, const QJsonArray& params)> onCall;

    // Carries the request lines instead of a socket when set: takes one request line and hands
    // back the server's answer line. Tests put a server in the same process here.
    LineConnector::Transport transport;

private:
    // Closes the connection without forgetting that the window wants it open.
    void drop();

    LineConnector lines_{transport};
    JsonRpcClient rpc_{lines_};
    bool keepOpen_ = false;
};
