#pragma once

#include "components/NetConnection.h"

#include <QJsonArray>
#include <QList>
#include <QStringList>

// Every remote call a connection makes, with its arguments, from the moment it is recorded.
class RemoteCallLog {
public:
    struct Call {
        QString method;
        QJsonArray params;
    };

    void record(TNetConnection& connection) {
        connection.onCall = [this](const QString& method, const QJsonArray& params) {
            calls.append(method);
            lastParams = params;
            log_.append({method, params});
        };
    }

    int callsOf(const QString& method) const { return static_cast<int>(calls.count(method)); }
    // The arguments of every call of method, in order.
    QList<QJsonArray> paramsOf(const QString& method) const {
        QList<QJsonArray> found;
        for (const Call& call : log_)
            if (call.method == method)
                found.append(call.params);
        return found;
    }
    void forgetCalls() {
        calls.clear();
        log_.clear();
    }

    // The methods called, in order, and the arguments of the last call.
    QStringList calls;
    QJsonArray lastParams;

private:
    QList<Call> log_;
};
