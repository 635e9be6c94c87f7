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

} // namespace

QByteArray AnswersAwaitingCommit::release(const std::optional<QString>& failure) {
    QByteArray out;
    const QByteArray error =
        failure
            ? RpcDispatcher::errorLine(QJsonValue::Null, RpcCode::InternalError,
                                       QStringLiteral("the database failed: %1").arg(failure->simplified()))
            : QByteArray();
    for (const QByteArray& line : std::as_const(lines_))
        out += failure ? failedAnswer(line, error) : line;
    lines_.clear();
    return out;
}
