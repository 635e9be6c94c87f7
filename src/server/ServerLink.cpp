#include "server/ServerLink.h"

#include "wire/RemoteMethods.h"

#include "components/CheckResultServ.h"
#include "components/ServerSettings.h"
#include "toolkit/ScopeGuard.h"

ServerLink::ServerLink(TNetConnection& connection, LinkActivity& activity)
    : connection_(connection), activity_(activity) {}

void ServerLink::open() {
    activity_.begin(LinkActivity::Wait::Connect);
    const ScopeExit endWait([this] { activity_.end(); });
    connection_.Open();
}

// The answer passes the result check and becomes the target's whole content; the wait ends
// afterwards, on failure before the failure goes on.
template <typename Call> void ServerLink::readInto(TClientDataSet& target, Call&& call) {
    const ScopeExit endWait([this] { activity_.end(); });
    load(target, call());
}

void ServerLink::load(TClientDataSet& target, const QJsonValue& result) {
    target.SetData(CheckResultServ(result, true, 0));
}

void ServerLink::callGetIdiLeDfm(TClientDataSet& target) {
    readInto(target, [this] {
        activity_.begin(LinkActivity::Wait::Read);
        connection_.reopenIfDropped();
        return connection_.call(RemoteMethods::kGetIdiLeDfm, {});
    });
}

void ServerLink::callGetPropried(TClientDataSet& target, const AnsiString& program, AnsiString& form,
                                 AnsiString& component, AnsiString& property, const AnsiString& number,
                                 const AnsiString& value, AnsiString& language) {
    readInto(target, [&] {
        target.Close();
        const CallFlow::Call call =
            getPropriedCall(program, form, component, property, number, value, language);
        connection_.reopenIfDropped();
        return connection_.call(call.method, call.args);
    });
}

CallFlow::Call ServerLink::getPropriedCall(const AnsiString& program, AnsiString& form, AnsiString& component,
                                           AnsiString& property, const AnsiString& number,
                                           const AnsiString& value, AnsiString& language) {
    return {RemoteMethods::kGetPropried,
            {RemoteArg::byValue(program), RemoteArg::byRef(form), RemoteArg::byRef(component),
             RemoteArg::byRef(property), RemoteArg::byValue(number), RemoteArg::byValue(value),
             RemoteArg::byRef(language)}};
}

CallFlow::Call ServerLink::getProgramRowsCall(const AnsiString& program, const AnsiString& language,
                                              AnsiString& cursor) {
    return {RemoteMethods::kGetProgramRows,
            {RemoteArg::byValue(program), RemoteArg::byValue(language), RemoteArg::byRef(cursor)}};
}

void ServerLink::callGetVersao(TClientDataSet& target) {
    readInto(target, [this] {
        connection_.reopenIfDropped();
        return connection_.call(RemoteMethods::kGetVersao, {});
    });
}

void ServerLink::takeServerAddress(TNetConnection& connection) {
    connection.Port = WebPort();
    connection.SetHost(WebURL());
}
