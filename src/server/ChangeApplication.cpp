#include "window/LeituraPocket.h"

#include "components/BusyAnimation.h"
#include "components/CheckResultServ.h"
#include "widgets/Application.h"

namespace {

// Sends every pending change of a data set to the server at once. The changes are accepted here
// only when the server took them; otherwise they are dropped and the failure goes back to
// whoever posted or deleted.
void applyChanges(TClientDataSet& dataSet, TNetConnection& connection, const QString& method) {
    if (dataSet.GetChangeCount() <= 0)
        return;
    try {
        ActiveShowAvi(Application::MainForm(), saSend);
        const QJsonObject delta = dataSet.GetDelta();
        const QJsonValue result =
            connection.AppServer().Call(method, {TRemoteArg::byValue(QJsonValue(delta))});
        CheckResultServ(result, true, 0);
        DeactiveShowAvi();
        dataSet.MergeChangeLog();
    } catch (...) {
        DeactiveShowAvi();
        dataSet.CancelUpdates();
        throw;
    }
}

const QString kSetPropried = QStringLiteral("SetPropried");
const QString kSetVerProp = QStringLiteral("SetVerProp");
const QString kSetVersao = QStringLiteral("SetVersao");

} // namespace

// Each handler works on its own data set, whatever the event passes in.

void TfrmLeituraPocket::cdsPropriedAfterPost(TClientDataSet&) {
    applyChanges(cdsPropried, NetTradutor, kSetPropried);
}

void TfrmLeituraPocket::cdsPropriedAfterDelete(TClientDataSet&) {
    applyChanges(cdsPropried, NetTradutor, kSetPropried);
}

void TfrmLeituraPocket::cdsPropriedAfterCancel(TClientDataSet&) {
    cdsPropried.CancelUpdates();
}

void TfrmLeituraPocket::cdsVersaoAfterPost(TClientDataSet&) {
    applyChanges(cdsVersao, NetTradutor, kSetVersao);
}

void TfrmLeituraPocket::cdsVersaoAfterDelete(TClientDataSet&) {
    applyChanges(cdsVersao, NetTradutor, kSetVersao);
}

void TfrmLeituraPocket::cdsVersaoAfterCancel(TClientDataSet&) {
    cdsVersao.CancelUpdates();
}

void TfrmLeituraPocket::cdsVerificaPropAfterPost(TClientDataSet&) {
    applyChanges(cdsVerificaProp, NetTradutor, kSetPropried);
}

void TfrmLeituraPocket::cdsVerificaPropAfterDelete(TClientDataSet&) {
    applyChanges(cdsVerificaProp, NetTradutor, kSetVerProp);
}
