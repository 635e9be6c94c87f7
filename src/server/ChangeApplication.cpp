#include "server/ChangeApplication.h"

#include "components/CheckResultServ.h"
#include "toolkit/ScopeGuard.h"

ChangeApplication::ChangeApplication(CallFlow& flow) : flow_(flow) {}

void ChangeApplication::apply(TClientDataSet& dataSet, const QString& method) {
    if (dataSet.GetChangeCount() <= 0)
        return;
    // Refused or lost, the changes are dropped, so that the next post does not send them again.
    ScopeExit dropChanges([&dataSet] { dataSet.CancelUpdates(); });
    CallFlow::Handlers handlers;
    handlers.answered = [](const QJsonValue& result) { CheckResultServ(result, true, 0); };
    handlers.shown = LinkActivity::Wait::Send;
    handlers.keptAfterFailure = true;
    flow_.send({method, {RemoteArg::byValue(QJsonValue(dataSet.GetDelta()))}}, std::move(handlers));
    dropChanges.dismiss();
    dataSet.MergeChangeLog();
}
