#pragma once

#include "server/CallPipeline.h"
#include "server/LinkActivity.h"

#include "components/NetConnection.h"
#include "toolkit/ClientDataSet.h"

// The reading calls over the window's connection: each loads the server's answer, once it has
// passed the result check, into a data set as its whole content.
class ServerLink {
public:
    ServerLink(TNetConnection& connection, LinkActivity& activity);

    // Opens the connection while the user is told so.
    void Open();

    void CallGetIdiLeDfm(TClientDataSet& target);
    // The server may hand back new names for form, component, property and language.
    void CallGetPropried(TClientDataSet& target, const AnsiString& program, AnsiString& form,
                         AnsiString& component, AnsiString& property, const AnsiString& number,
                         const AnsiString& value, AnsiString& language);
    void CallGetVersao(TClientDataSet& target);

    // Calls that go out without waiting for each answer, over the same connection.
    CallPipeline Pipeline() { return {connection_, activity_}; }
    // GetPropried as CallGetPropried makes it, for a pipeline.
    static CallPipeline::Call GetPropriedCall(const AnsiString& program, AnsiString& form,
                                              AnsiString& component, AnsiString& property,
                                              const AnsiString& number, const AnsiString& value,
                                              AnsiString& language);
    // Every stored row of one program, form and language, in stored order.
    static CallPipeline::Call GetFormRowsCall(const AnsiString& program, const AnsiString& form,
                                              const AnsiString& language);
    // The answer of a reading call, once it has passed the result check, as the target's whole
    // content.
    static void Load(TClientDataSet& target, const QJsonValue& result);

    // Takes the server's port and host from the shared settings; runs before every connect.
    static void TakeServerAddress(TNetConnection& connection);

private:
    template <typename Call> void readInto(TClientDataSet& target, Call&& call);

    TNetConnection& connection_;
    LinkActivity& activity_;
};
