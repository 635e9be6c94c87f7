#include "server/ServerLink.h"

#include "wire/RemoteMethods.h"

#include "components/CheckResultServ.h"
#include "components/ServerSettings.h"
#include "toolkit/ScopeGuard.h"

ServerLink::ServerLink(TNetConnection& connection, LinkActivity& activity)
    : connection_(connection), activity_(activity) {}

void ServerLink::Open() {
    activity_.Begin(LinkActivity::Wait::Connect);
    const ScopeExit endWait([this] { activity_.End(); });
    connection_.Open();
}

// The answer passes the result check and becomes the target's whole content; the wait ends
// afterwards, on failure before the failure goes on.
template <typename Call> void ServerLink::readInto(TClientDataSet& target, Call&& call) {
    const ScopeExit endWait([this] { activity_.End(); });
    Load(target, call());
}

void ServerLink::Load(TClientDataSet& target, const QJsonValue& result) {
    target.SetData(CheckResultServ(result, true, 0));
}

void ServerLink::CallGetIdiLeDfm(TClientDataSet& target) {
    readInto(target, [this] {
        activity_.Begin(LinkActivity::Wait::Read);
        return connection_.AppServer().Call(RemoteMethods::kGetIdiLeDfm, {});
    });
}

void ServerLink::CallGetPropried(TClientDataSet& target, const AnsiString& program, AnsiString& form,
                                 AnsiString& component, AnsiString& property, const AnsiString& number,
                                 const AnsiString& value, AnsiString& language) {
    readInto(target, [&] {
        target.Close();
        const CallFlow::Call call =
            GetPropriedCall(program, form, component, property, number, value, language);
        return connection_.AppServer().Call(call.method, call.args);
    });
}

CallFlow::Call ServerLink::GetPropriedCall(const AnsiString& program, AnsiString& form, AnsiString& component,
                                           AnsiString& property, const AnsiString& number,
                                           const AnsiString& value, AnsiString& language) {
    return {RemoteMethods::kGetPropried,
            {TRemoteArg::byValue(program), TRemoteArg::byRef(form), TRemoteArg::byRef(component),
             TRemoteArg::byRef(property), TRemoteArg::byValue(number), TRemoteArg::byValue(value),
             TRemoteArg::byRef(language)}};
}

CallFlow::Call ServerLink::GetProgramRowsCall(const AnsiString& program, const AnsiString& language,
                                              AnsiString& cursor) {
    return {RemoteMethods::kGetProgramRows,
            {TRemoteArg::byValue(program), TRemoteArg::byValue(language), TRemoteArg::byRef(cursor)}};
}

void ServerLink::CallGetVersao(TClientDataSet& target) {
    readInto(target, [this] { return connection_.AppServer().Call(RemoteMethods::kGetVersao, {}); });
}

void ServerLink::TakeServerAddress(TNetConnection& connection) {
    connection.Port = WebPort();
    connection.SetHost(WebURL());
}
