#include "components/CheckResultServ.h"

#include "toolkit/Exceptions.h"

#include <QCoreApplication>

QJsonObject CheckResultServ(const QJsonValue& result, bool raise, int) {
    const QJsonObject answer = result.toObject();
    QString failure;
    if (!result.isObject())
        failure = QCoreApplication::translate("CheckResultServ", "The application server sent no result");
    else if (!answer.value(QStringLiteral("ok")).toBool())
        failure = answer.value(QStringLiteral("message"))
                      .toString(QCoreApplication::translate("CheckResultServ",
                                                            "The application server reported a failure"));
    else if (!answer.value(QStringLiteral("data")).isObject())
        failure = QCoreApplication::translate("CheckResultServ",
                                              "The application server's answer carries no data packet");
    if (!failure.isEmpty()) {
        if (raise)
            throw EServerError(failure);
        return {};
    }
    return answer.value(QStringLiteral("data")).toObject();
}
