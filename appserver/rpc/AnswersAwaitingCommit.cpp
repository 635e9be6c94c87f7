#include "appserver/rpc/AnswersAwaitingCommit.h"

#include "appserver/rpc/RpcDispatcher.h"
#include "appserver/rpc/RpcError.h"

#include <QJsonValue>

namespace {

// Answers are written compactly, the id before the result: the request's id stays as it was
// written, whatever it is. The member's name cannot occur inside the id, where a quote is escaped.
const QByteArray kResultMember = QByteArrayLiteral(",\"result\":");
const QByteArray kErrorMember = QByteArrayLiteral(",\"error\":");

QByteArray failedAnswer(const QByteArray& answer, const QByteArray& error) {
    const qsizetype result = answer.indexOf(kResultMember);
    if (result < 0)
        return answer; // an error already
    return answer.left(result) + error.mid(error.indexOf(kErrorMember));
}

QByteArray databaseError(const QString& failure) {
    return RpcDispatcher::errorLine(QJsonValue::Null, RpcCode::InternalError,
                                    RpcDispatcher::databaseFailure(failure));
}

} // namespace

QByteArray AnswersAwaitingCommit::release(const ServerObject::WritesOutcome& outcome) {
    QByteArray out;
    const QByteArray lost = outcome.lost ? databaseError(*outcome.lost) : QByteArray();
    for (const Held& held : std::as_const(lines_)) {
        if (outcome.lost)
            out += failedAnswer(held.line, lost);
        else if (const auto failed = held.ticket ? outcome.failedCalls.constFind(*held.ticket)
                                                 : outcome.failedCalls.constEnd();
                 failed != outcome.failedCalls.constEnd())
            out += failedAnswer(held.line, databaseError(*failed));
        else
            out += held.line;
    }
    lines_.clear();
    return out;
}
