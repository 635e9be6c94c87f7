#pragma once

#include "appserver/object/ServerObject.h"
#include "appserver/rpc/AccessToken.h"
#include "appserver/rpc/RequestText.h"
#include "wire/JsonWriter.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <deque>
#include <optional>

class CallError;
class ServerObject;
class ServerRegistry;

// The JSON-RPC side of one connection: takes its request lines one at a time and answers each,
// knowing nothing of sockets. Holds what the connection has opened and how often it offered a
// wrong token. Its answers are the protocol's and stay in English; only its log lines are
// translated.
class RpcDispatcher {
    Q_DECLARE_TR_FUNCTIONS(RpcDispatcher)

public:
    // Refused tokens after which the connection is to close, so that guesses cost a reconnect.
    static constexpr int kMaxTokenRefusals = 3;
    // The output limit: what an answer line, its line end included, takes at most. Far beyond the
    // largest page a method answers, and within the 64 MiB a client reads.
    static constexpr qsizetype kMaxAnswerBytes = 8 * 1024 * 1024;

    // number names the connection in the log.
    RpcDispatcher(const ServerRegistry& registry, AccessToken token, int number);

    // The answer to one request line (line end excluded), as a line ending in '\n'; nothing for a
    // blank line or a notification, which get no answer.
    std::optional<QByteArray> handle(const QByteArray& line);

    // The lines that follow the next one handle takes, in order, once the connection is open: each
    // is read now, and the object may read ahead what their calls will read. handle takes them as
    // they were read, as long as it is given them in this order.
    void readAhead(const QList<QByteArray>& lines);
    // Lines read ahead and not handled yet.
    bool hasReadAhead() const { return !readAhead_.empty(); }

    // True once the connection should close after sending its last answer.
    bool refusedTooOften() const { return tokenRefusals_ >= kMaxTokenRefusals; }
    int tokenRefusals() const { return tokenRefusals_; }
    // Requests refused, and notifications dropped, before rpc.open, when a token is required; they
    // are not logged here, so that peers without the token cannot fill the log.
    int refusedBeforeOpen() const { return refusedBeforeOpen_; }
    // True once rpc.open has succeeded.
    bool isOpen() const { return serverObject_ != nullptr; }
    // True while the object this connection opened holds writes not yet durable: an answer given
    // now must wait for them (see ServerObject::pendingWrites).
    bool writesPending() const { return serverObject_ && serverObject_->pendingWrites() > 0; }
    // The ticket of the call answered last, when its writes are carried out only when the server
    // finishes its writes (see ServerObject::takeCallTicket); its answer keeps it until then.
    std::optional<quint64> takeAnswerTicket() { return std::exchange(answerTicket_, std::nullopt); }

    // An error answer as handle() gives it, for what the connection refuses by itself.
    static QByteArray errorLine(const QJsonValue& id, int code, const QString& message);
    // What an answer says of a failure in the database: drivers report over several lines, a
    // client shows the message as one.
    static QString databaseFailure(const QString& message) {
        return QStringLiteral("the database failed: %1").arg(message.simplified());
    }

private:
    // numericId: the id's number as the request wrote it, when it is one.
    static QByteArray errorLine(const QJsonValue& id, const QByteArray& numericId, int code,
                                const QString& message);
    // What the answer to a failed call says; a database failure is logged too.
    QString answerOf(const CallError& error, const QString& method) const;
    // Writes the method's result.
    void dispatch(const QString& method, const QJsonValue& params);
    QJsonObject openServerObject(const QJsonValue& params);

    const ServerRegistry& registry_;
    const AccessToken token_;
    const int number_;
    ServerObject* serverObject_ = nullptr;
    int tokenRefusals_ = 0;
    int refusedBeforeOpen_ = 0;
    JsonWriter answer_; // reused, so an answer costs no new buffer
    std::optional<quint64> answerTicket_;
    struct ReadLine {
        QByteArray line;
        RequestText text;
    };
    std::deque<ReadLine> readAhead_;
    // The line as read ahead, when it is the next one read, or else as read now.
    RequestText textOf(const QByteArray& line);
};
