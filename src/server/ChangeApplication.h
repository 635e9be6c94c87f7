#pragma once

#include "server/CallFlow.h"

#include "toolkit/ClientDataSet.h"

// Sends every pending change of a data set to the server at once, as a delta to one of the
// server object's writing methods, through the capture's call flow.
class ChangeApplication {
public:
    explicit ChangeApplication(CallFlow& flow);

    // One call at a time, the changes are accepted here only when the server took them; otherwise
    // they are dropped and the failure goes back to whoever posted or deleted. With calls in
    // flight, they are accepted once sent: a refusal that comes later stops the flow instead.
    void apply(TClientDataSet& dataSet, const QString& method);

private:
    CallFlow& flow_;
};
