#include "appserver/net/RpcConnection.h"

#include "appserver/net/SocketNames.h"
#include "appserver/net/TokenGuesses.h"
#include "appserver/rpc/RpcError.h"

#include <QJsonValue>
#include <QSslSocket>
#include <QTcpSocket>
#include <QtGlobal>

#include <algorithm>
#include <utility>

namespace {

constexpr qint64 kReadChunk = 64 * 1024;
// Answers queued for a client that is not reading them; past this the connection stops reading.
constexpr qint64 kMaxQueuedOutput = 4 * 1024 * 1024;
// Whole lines the dispatcher reads ahead at most, and bytes of them, so that a pipelining client's
// look-ups take a statement for many.
constexpr int kReadAheadLines = 64;
constexpr qsizetype kReadAheadBytes = 256 * 1024;
// After an oversized line the rest of it is read and dropped, so that closing does not reset the
// connection before the client has the error answer.
constexpr int kDrainQuietMs = 200;
constexpr int kDrainMaxMs = 5000;

} // namespace

RpcConnection::RpcConnection(QTcpSocket* socket, const ServerRegistry& registry, AccessToken token,
                             ServerLimits limits, int number, ConnectionTurns& turns, TokenGuesses& guesses,
                             DoorLog& doorLog, QDeadlineTimer authDeadline, QObject* parent)
    : QObject(parent), socket_(socket), tls_(qobject_cast<QSslSocket*>(socket)), limits_(limits),
      number_(number), dispatcher_(registry, token, number), turns_(turns), guesses_(guesses),
      doorLog_(doorLog), peerAddress_(socket->peerAddress()), authenticated_(!token.isRequired()) {
    socket_->setParent(this);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_->setReadBufferSize(readBufferSize());
    if (authenticated_)
        announce();

    // Fixed at acceptance: nothing the client sends short of the token moves it.
    authDeadline_.setSingleShot(true);
    connect(&authDeadline_, &QTimer::timeout, this, [this] {
        if (!authenticated_ && state_ != State::Closed) {
            socket_->abort();
            onDisconnected();
        }
    });
    if (!authenticated_)
        authDeadline_.start(std::max<qint64>(authDeadline.remainingTime(), 0));
    answerPace_.setSingleShot(true);
    connect(&answerPace_, &QTimer::timeout, this, [this] {
        if (state_ != State::Serving || !heldAnswer_)
            return;
        send(*std::exchange(heldAnswer_, std::nullopt));
        afterAnswer();
        if (state_ == State::Serving)
            turns_.request(this);
    });
    guessWait_.setSingleShot(true);
    connect(&guessWait_, &QTimer::timeout, this, [this] {
        if (state_ == State::Serving)
            turns_.request(this);
    });

    connect(socket_, &QTcpSocket::readyRead, this, [this] {
        if (state_ == State::Draining)
            drainInput();
        else if (state_ == State::Serving)
            turns_.request(this);
    });
    connect(socket_, &QTcpSocket::bytesWritten, this, &RpcConnection::onOutputTaken);
    if (tls_)
        connect(tls_, &QSslSocket::encryptedBytesWritten, this, &RpcConnection::onOutputTaken);
    connect(socket_, &QTcpSocket::disconnected, this, &RpcConnection::onDisconnected);

    drainTimer_.setSingleShot(true);
    drainDeadline_.setSingleShot(true);
    connect(&drainTimer_, &QTimer::timeout, this, &RpcConnection::close);
    connect(&drainDeadline_, &QTimer::timeout, this, &RpcConnection::close);

    idleTimer_.setSingleShot(true);
    connect(&idleTimer_, &QTimer::timeout, this, &RpcConnection::onIdle);
    if (limits_.idleTimeoutSeconds > 0)
        idleTimer_.start(limits_.idleTimeoutSeconds * 1000);

    // Data may have arrived before the connection was handed to us. Asked from the event loop:
    // whoever made this connection has yet to hear of its end.
    QTimer::singleShot(0, this, [this] {
        if (state_ == State::Serving)
            turns_.request(this);
    });
}

RpcConnection::~RpcConnection() {
    turns_.withdraw(this);
}

void RpcConnection::announce() {
    announced_ = true;
    if (tls_)
        qInfo("%s",
              qUtf8Printable(tr("connection %1: opened from %2 over %3")
                                 .arg(QString::number(number_), peerName(*socket_), tlsProtocolName(*tls_))));
    else
        qInfo("%s",
              qUtf8Printable(
                  tr("connection %1: opened from %2").arg(QString::number(number_), peerName(*socket_))));
}

void RpcConnection::close() {
    if (state_ == State::Closed)
        return;
    state_ = State::Closed;
    idleTimer_.stop();
    authDeadline_.stop();
    guessWait_.stop();
    answerPace_.stop();
    drainTimer_.stop();
    drainDeadline_.stop();
    socket_->disconnectFromHost();
    // A client that never reads would keep the answers queued and the socket closing forever.
    QTimer::singleShot(kDrainMaxMs, socket_, [socket = socket_] { socket->abort(); });
}

void RpcConnection::onIdle() {
    if (state_ != State::Serving)
        return;
    qInfo(
        "%s",
        qUtf8Printable(
            tr("connection %1: no request for %2 s; closing").arg(number_).arg(limits_.idleTimeoutSeconds)));
    close();
}

void RpcConnection::onDisconnected() {
    state_ = State::Closed;
    idleTimer_.stop();
    authDeadline_.stop();
    guessWait_.stop();
    answerPace_.stop();
    if (finishedSent_)
        return; // an abort tells its disconnect too
    finishedSent_ = true;
    if (announced_)
        qInfo("%s", qUtf8Printable(tr("connection %1: closed").arg(number_)));
    emit finished(this);
}

qint64 RpcConnection::queuedOutput() const {
    // Over TLS an answer is encrypted as soon as it is written, and waits as such in the socket
    // underneath.
    return tls_ ? tls_->bytesToWrite() + tls_->encryptedBytesToWrite() : socket_->bytesToWrite();
}

void RpcConnection::onOutputTaken() {
    if (state_ == State::Serving && outputBlocked_ && queuedOutput() <= kMaxQueuedOutput) {
        outputBlocked_ = false;
        turns_.request(this);
    }
}

bool RpcConnection::takeTurn(int maxLines) {
    int handled = 0;
    while (state_ == State::Serving && !answerPace_.isActive()) {
        if (queuedOutput() > kMaxQueuedOutput) {
            outputBlocked_ = true; // bytesWritten asks for the next turn
            return false;
        }
        const qsizetype end = buffer_.indexOf('\n', std::max(consumed_, scanned_));
        if (end < 0) {
            scanned_ = buffer_.size();
            if (buffer_.size() - consumed_ > lineLimit()) {
                refuseOversizedLine();
                return false;
            }
            if (socket_->bytesAvailable() <= 0)
                return false; // readyRead asks for the next turn
            if (consumed_ > 0) {
                buffer_.remove(0, consumed_);
                scanned_ -= consumed_;
                consumed_ = 0;
            }
            // Straight into the buffer, whose room stays: read(kReadChunk) would allocate a whole
            // chunk for every request.
            const qsizetype had = buffer_.size();
            buffer_.resize(had + readChunk());
            const qint64 got = socket_->read(buffer_.data() + had, readChunk());
            buffer_.resize(had + std::max<qint64>(got, 0));
            if (!firstBytesSeen_ && !buffer_.isEmpty()) {
                firstBytesSeen_ = true;
                if (!tls_ && buffer_.front() == kTlsHandshakeRecord) {
                    refuseTlsClient();
                    return false;
                }
            }
            continue;
        }
        if (end - consumed_ > lineLimit()) {
            refuseOversizedLine();
            return false;
        }
        if (mustWaitForGuesses())
            return false;
        if (authenticated_ && dispatcher_.isOpen() && !dispatcher_.hasReadAhead())
            readAhead();
        // A view rather than a copy: the dispatcher is done with the line before anything may
        // change the buffer.
        const QByteArray line = QByteArray::fromRawData(buffer_.constData() + consumed_, end - consumed_);
        consumed_ = end + 1;
        // Only a whole line counts as activity: a client trickling a line that never ends is idle.
        if (limits_.idleTimeoutSeconds > 0)
            idleTimer_.start(limits_.idleTimeoutSeconds * 1000);
        handleLine(line);
        if (++handled == maxLines)
            return state_ == State::Serving;
    }
    return false;
}

void RpcConnection::readAhead() {
    QList<QByteArray> lines;
    qsizetype from = consumed_;
    while (lines.size() < kReadAheadLines) {
        const qsizetype end = buffer_.indexOf('\n', from);
        // A line too long is refused unread when its turn comes.
        if (end < 0 || end - from > lineLimit() || end + 1 - consumed_ > kReadAheadBytes)
            break;
        lines.append(QByteArray::fromRawData(buffer_.constData() + from, end - from));
        from = end + 1;
    }
    // A lone line gains nothing from being read twice.
    if (lines.size() > 1)
        dispatcher_.readAhead(lines);
}

qint64 RpcConnection::lineLimit() const {
    return authenticated_ ? limits_.maxMessageBytes
                          : std::min(limits_.maxMessageBytes, ServerLimits::kUnauthenticatedLineBytes);
}

qint64 RpcConnection::readChunk() const {
    return authenticated_ ? kReadChunk : lineLimit() + 1;
}

qint64 RpcConnection::readBufferSize() const {
    return authenticated_ ? std::max(limits_.maxMessageBytes, kReadChunk) : lineLimit() + 1;
}

void RpcConnection::warn(DoorLog::Event event, const QString& line) {
    if (authenticated_)
        qWarning("%s", qUtf8Printable(line));
    else
        doorLog_.note(event, peerAddress_, line);
}

void RpcConnection::refuseOversizedLine() {
    const QString before = authenticated_ ? QString() : QStringLiteral(" before rpc.open");
    warn(DoorLog::Event::Closed,
         tr("connection %1 from %2: a line exceeds %3 bytes; closing")
             .arg(QString::number(number_), peerAddress_.toString(), QString::number(lineLimit())));
    refuse(RpcCode::InvalidRequest,
           QStringLiteral("the line exceeds the limit of %1 bytes%2; closing the connection")
               .arg(QString::number(lineLimit()), before));
}

// A plain line would only puzzle a client waiting for a TLS handshake; the close tells it enough,
// and the log tells the operator.
void RpcConnection::refuseTlsClient() {
    warn(DoorLog::Event::Closed, tr("connection %1 from %2: the client speaks TLS, but this server serves "
                                    "plain TCP (start it with --tls-cert and --tls-key); closing")
                                     .arg(QString::number(number_), peerAddress_.toString()));
    closeAfterDraining();
}

void RpcConnection::refuse(int code, const QString& message) {
    if (state_ != State::Serving)
        return;
    // Draining before sending, so that no later turn meets the same line as a request still to
    // refuse.
    closeAfterDraining();
    send(RpcDispatcher::errorLine(QJsonValue::Null, code, message));
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

void RpcConnection::send(const QByteArray& answer, std::optional<quint64> ticket) {
    if (!awaitingCommit_.isEmpty() || dispatcher_.writesPending()) {
        awaitingCommit_.append(answer, ticket);
        return;
    }
    write(answer);
}

void RpcConnection::releaseAnswers(const ServerObject::WritesOutcome& outcome) {
    if (!awaitingCommit_.isEmpty())
        write(awaitingCommit_.release(outcome));
}

void RpcConnection::write(const QByteArray& answer) {
    socket_->write(answer);
    // Out at once: the client is waiting for it. What the kernel cannot take yet stays in the
    // socket's buffer.
    socket_->flush();
}

bool RpcConnection::mustWaitForGuesses() {
    if (authenticated_)
        return false;
    const int waitMs = guesses_.waitMs(peerAddress_);
    if (waitMs <= 0)
        return false;
    if (!guessWait_.isActive())
        guessWait_.start(waitMs);
    return true;
}

void RpcConnection::onOpened() {
    authenticated_ = true;
    socket_->setReadBufferSize(readBufferSize());
    authDeadline_.stop();
    guesses_.accepted(peerAddress_);
    announce();
    emit authenticated(this);
}

void RpcConnection::handleLine(const QByteArray& line) {
    const int refusalsBefore = dispatcher_.tokenRefusals();
    const int refusedBeforeOpen = dispatcher_.refusedBeforeOpen();
    std::optional<QByteArray> answer = dispatcher_.handle(line);
    if (dispatcher_.refusedBeforeOpen() > refusedBeforeOpen)
        doorLog_.note(DoorLog::Event::RefusedBeforeOpen, peerAddress_,
                      tr("connection %1 from %2: refused a request before rpc.open")
                          .arg(QString::number(number_), peerAddress_.toString()));
    if (dispatcher_.tokenRefusals() > refusalsBefore) {
        const int paceMs = guesses_.refused(peerAddress_, number_);
        if (paceMs < 0) {
            // Refusals already wait their turn for longer than any client waits for an answer.
            doorLog_.note(DoorLog::Event::Closed, peerAddress_,
                          tr("connection %1 from %2: too many refused tokens in all; closing without an "
                             "answer")
                              .arg(QString::number(number_), peerAddress_.toString()));
            socket_->abort();
            onDisconnected();
            return;
        }
        if (paceMs > 0) {
            heldAnswer_ = std::move(answer);
            answerPace_.start(paceMs);
            return;
        }
    }
    if (answer)
        send(*answer, dispatcher_.takeAnswerTicket());
    afterAnswer();
}

void RpcConnection::afterAnswer() {
    if (!authenticated_ && dispatcher_.isOpen())
        onOpened();
    if (dispatcher_.refusedTooOften()) {
        doorLog_.note(DoorLog::Event::Closed, peerAddress_,
                      tr("connection %1 from %2: %3 refused tokens; closing")
                          .arg(QString::number(number_), peerAddress_.toString(),
                               QString::number(dispatcher_.tokenRefusals())));
        closeAfterDraining();
    }
}
