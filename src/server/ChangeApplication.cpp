#include "server/ChangeApplication.h"

#include "components/CheckResultServ.h"
#include "toolkit/ScopeGuard.h"

ChangeApplication::ChangeApplication(TNetConnection& connection, LinkActivity& activity)
    : connection_(connection), activity_(activity) {}

void ChangeApplication::Apply(TClientDataSet& dataSet, const QString& method) {
    if (dataSet.GetChangeCount() <= 0)
        return;
    // Refused or lost, the changes are dropped, so that the next post does not send them again.
    ScopeExit dropChanges([&dataSet] { dataSet.CancelUpdates(); });
    {
        activity_.Begin(LinkActivity::Wait::Send);
        const ScopeExit endWait([this] { activity_.End(); });
        const QJsonObject delta = dataSet.GetDelta();
        const QJsonValue result =
            connection_.AppServer().Call(method, {TRemoteArg::byValue(QJsonValue(delta))});
        CheckResultServ(result, true, 0);
    }
    dropChanges.dismiss();
    dataSet.MergeChangeLog();
}
