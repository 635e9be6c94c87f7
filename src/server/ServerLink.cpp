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
        connection_.reopenIfDropped();
        return connection_.call(RemoteMethods::kGetIdiLeDfm, {});
    });
}

void ServerLink::CallGetPropried(TClientDataSet& target, const AnsiString& program, AnsiString& form,
                                 AnsiString& component, AnsiString& property, const AnsiString& number,
                                 const AnsiString& value, AnsiString& language) {
    readInto(target, [&] {
        target.Close();
        const CallFlow::Call call =
            GetPropriedCall(program, form, component, property, number, value, language);
        connection_.reopenIfDropped();
        return connection_.call(call.method, call.args);
    });
}

CallFlow::Call ServerLink::GetPropriedCall(const AnsiString& program, AnsiString& form, AnsiString& component,
                                           AnsiString& property, const AnsiString& number,
                                           const AnsiString& value, AnsiString& language) {
    return {RemoteMethods::kGetPropried,
            {RemoteArg::byValue(program), RemoteArg::byRef(form), RemoteArg::byRef(component),
             RemoteArg::byRef(property), RemoteArg::byValue(number), RemoteArg::byValue(value),
             RemoteArg::byRef(language)}};
}

CallFlow::Call ServerLink::GetProgramRowsCall(const AnsiString& program, const AnsiString& language,
                                              AnsiString& cursor) {
    return {RemoteMethods::kGetProgramRows,
            {RemoteArg::byValue(program), RemoteArg::byValue(language), RemoteArg::byRef(cursor)}};
}

void ServerLink::CallGetVersao(TClientDataSet& target) {
    readInto(target, [this] {
        connection_.reopenIfDropped();
        return connection_.call(RemoteMethods::kGetVersao, {});
    });
}

void ServerLink::TakeServerAddress(TNetConnection& connection) {
    connection.Port = WebPort();
    connection.SetHost(WebURL());
}
