#pragma once

#include "appserver/net/ConnectionTurns.h"
#include "appserver/net/DoorLog.h"
#include "appserver/net/ServerLimits.h"
#include "appserver/rpc/AccessToken.h"
#include "appserver/rpc/AnswersAwaitingCommit.h"
#include "appserver/rpc/RpcDispatcher.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <optional>

class QSslSocket;
class QTcpSocket;
class ServerRegistry;
class TokenGuesses;

// One client connection: splits what it reads into lines, hands each to its RpcDispatcher and
// sends the answer back. Never blocks: it handles lines only in the turns the server's
// ConnectionTurns give it, and stops reading while the client is not taking its answers, so one
// client cannot hold up the others. Closes itself when the client goes quiet for the idle timeout,
// and after the dispatcher has refused too many tokens. When a token is required the connection
// is unauthenticated until its rpc.open succeeds: it must get there before its deadline, and its
// requests wait while its peer address is paying for refused tokens (see TokenGuesses), its lines
// are held to ServerLimits::kUnauthenticatedLineBytes and so is what it may have buffered here.
// Only an authenticated connection is told to the log line by line; what an unauthenticated one
// does goes to the door's log, which sums it up, so that peers failing to get in cannot fill it.
class RpcConnection : public QObject, private TurnTaker {
    Q_OBJECT
public:
    // Takes ownership of socket: plain, or a QSslSocket whose handshake has finished.
    // authDeadline: when an unauthenticated connection is closed, counted from its acceptance.
    RpcConnection(QTcpSocket* socket, const ServerRegistry& registry, AccessToken token, ServerLimits limits,
                  int number, ConnectionTurns& turns, TokenGuesses& guesses, DoorLog& doorLog,
                  QDeadlineTimer authDeadline, QObject* parent = nullptr);
    ~RpcConnection() override;

    // Closes after the answers already queued have been sent.
    void close();
    // Sends one error (id null), then reads and drops what the client still sends and closes.
    void refuse(int code, const QString& message);
    // Sends the answers that waited for the server's writes to be committed; errors in place of
    // those whose writes the outcome tells lost or failed.
    void releaseAnswers(const ServerObject::WritesOutcome& outcome);

signals:
    // The client presented the token; emitted once, and never for a connection that needs none.
    void authenticated(RpcConnection* connection);
    void finished(RpcConnection* connection);

private:
    // Handles at most maxLines whole lines that have arrived; false when it waits for the client
    // (more input, or room for its answers).
    bool takeTurn(int maxLines) override;

    enum class State { Serving, Draining, Closed };

    void handleLine(const QByteArray& line);
    // What follows an answer sent: the connection may have opened, or refused one token too many.
    void afterAnswer();
    // What a line may hold, and how much is read at once: small until the client has authenticated.
    qint64 lineLimit() const;
    qint64 readChunk() const;
    // What Qt may buffer for us; beyond it TCP flow control holds the client back.
    qint64 readBufferSize() const;
    // A warning about this connection: in the log at once once authenticated, else summed up.
    void warn(DoorLog::Event event, const QString& line);
    // True when an unauthenticated connection must wait before its next request; a turn is asked
    // for once the wait is over.
    bool mustWaitForGuesses();
    void onOpened();
    void announce();
    void refuseOversizedLine();
    // Hands the dispatcher the whole lines waiting in the buffer, the next one first.
    void readAhead();
    void refuseTlsClient();
    void closeAfterDraining();
    void drainInput();
    // Sends an answer, or holds it while answers wait for the server's writes, with the call's
    // ticket when it has one.
    void send(const QByteArray& answer, std::optional<quint64> ticket = std::nullopt);
    void write(const QByteArray& answer);
    // Answers written but not yet taken by the client.
    qint64 queuedOutput() const;
    void onOutputTaken();
    void onIdle();
    void onDisconnected();

    QTcpSocket* socket_;
    QSslSocket* tls_; // socket_ when the link is TLS, else null
    const ServerLimits limits_;
    int number_;
    RpcDispatcher dispatcher_;
    AnswersAwaitingCommit awaitingCommit_;
    ConnectionTurns& turns_;
    TokenGuesses& guesses_;
    DoorLog& doorLog_;
    const QHostAddress peerAddress_;
    bool authenticated_;
    bool announced_ = false;
    bool finishedSent_ = false;
    State state_ = State::Serving;
    QByteArray buffer_;
    qsizetype consumed_ = 0;     // bytes of buffer_ already handled
    qsizetype scanned_ = 0;      // bytes of buffer_ known to hold no line end
    bool outputBlocked_ = false; // stopped until the client takes some of its answers
    bool firstBytesSeen_ = false;
    QTimer idleTimer_;
    QTimer drainTimer_;
    QTimer drainDeadline_;
    QTimer authDeadline_;
    QTimer guessWait_;
    // A refused token's answer, held until the refusals in all allow it (see TokenGuesses).
    std::optional<QByteArray> heldAnswer_;
    QTimer answerPace_;
};
