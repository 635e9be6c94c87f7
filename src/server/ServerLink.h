#pragma once

#include "server/CallFlow.h"
#include "server/LinkActivity.h"

#include "components/NetConnection.h"
#include "toolkit/ClientDataSet.h"

// The reading calls over the window's connection: each loads the server's answer, once it has
// passed the result check, into a data set as its whole content.
class ServerLink {
public:
    ServerLink(TNetConnection& connection, LinkActivity& activity);

    // Opens the connection while the user is told so.
    void open();

    void callGetIdiLeDfm(TClientDataSet& target);
    // The server may hand back new names for form, component, property and language.
    void callGetPropried(TClientDataSet& target, const AnsiString& program, AnsiString& form,
                         AnsiString& component, AnsiString& property, const AnsiString& number,
                         const AnsiString& value, AnsiString& language);
    void callGetVersao(TClientDataSet& target);

    // The capture's calls over the same connection: one at a time, or several in flight.
    CallFlow& flow() { return flow_; }
    // GetPropried as CallGetPropried makes it, for the flow.
    static CallFlow::Call getPropriedCall(const AnsiString& program, AnsiString& form, AnsiString& component,
                                          AnsiString& property, const AnsiString& number,
                                          const AnsiString& value, AnsiString& language);
    // One page of the stored rows of a program in a language, in stored order: from the start for
    // an empty cursor, which the answer sets to where the next page starts, or empties after the last.
    static CallFlow::Call getProgramRowsCall(const AnsiString& program, const AnsiString& language,
                                             AnsiString& cursor);
    // The answer of a reading call, once it has passed the result check, as the target's whole
    // content.
    static void load(TClientDataSet& target, const QJsonValue& result);

    // Takes the server's port and host from the shared settings; runs before every connect.
    static void takeServerAddress(TNetConnection& connection);

private:
    template <typename Call> void readInto(TClientDataSet& target, Call&& call);

    TNetConnection& connection_;
    LinkActivity& activity_;
    CallFlow flow_{connection_, activity_};
};
