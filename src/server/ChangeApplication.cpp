#include "server/ChangeApplication.h"

#include "components/CheckResultServ.h"

ChangeApplication::ChangeApplication(TNetConnection& connection, LinkActivity& activity)
    : connection_(connection), activity_(activity) {}

void ChangeApplication::Apply(TClientDataSet& dataSet, const QString& method) {
    if (dataSet.GetChangeCount() <= 0)
        return;
    try {
        activity_.Begin(LinkActivity::Wait::Send);
        const QJsonObject delta = dataSet.GetDelta();
        const QJsonValue result =
            connection_.AppServer().Call(method, {TRemoteArg::byValue(QJsonValue(delta))});
        CheckResultServ(result, true, 0);
        activity_.End();
        dataSet.MergeChangeLog();
    } catch (...) {
        activity_.End();
        dataSet.CancelUpdates();
        throw;
    }
}
