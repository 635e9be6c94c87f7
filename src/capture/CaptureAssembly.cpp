#include "capture/CaptureAssembly.h"

#include "wire/RemoteMethods.h"

CaptureAssembly::CaptureAssembly(Views views, const TMessages& messages, AnsiString& languageCode)
    : link(connection, views.activity), changes(link.flow()),
      run(views.capture, data, link, messages, languageCode), files(views.selection, messages),
      languages(link, data.cdsIdiLeDfm) {
    connection.ServerName = RemoteMethods::kServerName;
    connection.SetHost(QStringLiteral("127.0.0.1"));
    connection.ThrowException = false;
    connection.BeforeConnect = [](TNetConnection& sender) { ServerLink::takeServerAddress(sender); };

    // Data-set events run inside the post or delete that raised them: their failures go back to
    // whoever posted.
    data.cdsPropried.AfterPost = [this](TClientDataSet&) { sendPropriedChanges(); };
    data.cdsPropried.AfterDelete = [this](TClientDataSet&) { sendPropriedChanges(); };
    data.cdsPropried.AfterCancel = [](TClientDataSet& rows) { rows.CancelUpdates(); };
    data.cdsVersao.AfterPost = [this](TClientDataSet&) { sendVersaoChanges(); };
    data.cdsVersao.AfterDelete = [this](TClientDataSet&) { sendVersaoChanges(); };
    data.cdsVersao.AfterCancel = [](TClientDataSet& stamp) { stamp.CancelUpdates(); };
    data.cdsVerificaProp.AfterPost = [this](TClientDataSet&) { sendVerificaPropPost(); };
    data.cdsVerificaProp.AfterDelete = [this](TClientDataSet&) { sendVerificaPropDelete(); };
}

void CaptureAssembly::sendPropriedChanges() {
    changes.apply(data.cdsPropried, RemoteMethods::kSetPropried);
}

void CaptureAssembly::sendVersaoChanges() {
    changes.apply(data.cdsVersao, RemoteMethods::kSetVersao);
}

void CaptureAssembly::sendVerificaPropPost() {
    changes.apply(data.cdsVerificaProp, RemoteMethods::kSetPropried);
}

void CaptureAssembly::sendVerificaPropDelete() {
    changes.apply(data.cdsVerificaProp, RemoteMethods::kSetVerProp);
}
