#pragma once

#include "server/LinkActivity.h"

#include "components/NetConnection.h"
#include "toolkit/ClientDataSet.h"

// Sends every pending change of a data set to the server at once, as a delta to one of the
// server object's writing methods.
class ChangeApplication {
public:
    ChangeApplication(TNetConnection& connection, LinkActivity& activity);

    // The changes are accepted here only when the server took them; otherwise they are dropped
    // and the failure goes back to whoever posted or deleted.
    void Apply(TClientDataSet& dataSet, const QString& method);

private:
    TNetConnection& connection_;
    LinkActivity& activity_;
};
