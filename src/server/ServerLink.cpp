#include "window/LeituraPocket.h"

#include "components/BusyAnimation.h"
#include "components/CheckResultServ.h"
#include "components/ServerSettings.h"
#include "widgets/Application.h"

namespace {

// The common steps of a reading call: the answer passes the result check and becomes the target's
// whole content; the busy animation is hidden afterwards, on failure before the failure goes on.
void readInto(TClientDataSet& target, const std::function<QJsonValue()>& call) {
    try {
        const QJsonValue result = call();
        target.SetData(CheckResultServ(result, true, 0));
        DeactiveShowAvi();
    } catch (...) {
        DeactiveShowAvi();
        throw;
    }
}

} // namespace

void TfrmLeituraPocket::NetTradutorBeforeConnect(TNetConnection& Sender) {
    Sender.Port = WebPort();
    Sender.SetHost(WebURL());
}

void TfrmLeituraPocket::CallGetIdiLeDfm() {
    readInto(cdsIdiLeDfm, [this] {
        ActiveShowAvi(Application::MainForm(), saRead);
        return NetTradutor.AppServer().Call(QStringLiteral("GetIdiLeDfm"), {});
    });
}

void TfrmLeituraPocket::CallGetPropried(const AnsiString& program, AnsiString& form, AnsiString& component,
                                        AnsiString& property, const AnsiString& number,
                                        const AnsiString& value, AnsiString& language) {
    readInto(cdsPropried, [&] {
        cdsPropried.Close();
        return NetTradutor.AppServer().Call(QStringLiteral("GetPropried"),
                                            {TRemoteArg::byValue(program), TRemoteArg::byRef(form),
                                             TRemoteArg::byRef(component), TRemoteArg::byRef(property),
                                             TRemoteArg::byValue(number), TRemoteArg::byValue(value),
                                             TRemoteArg::byRef(language)});
    });
}

void TfrmLeituraPocket::CallGetVersao() {
    readInto(cdsVersao, [this] { return NetTradutor.AppServer().Call(QStringLiteral("GetVersao"), {}); });
}
