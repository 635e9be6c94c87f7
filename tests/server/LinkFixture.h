#pragma once

#include "tests/support/PartsFixture.h"
#include "tests/support/ServerProcess.h"

#include "components/ServerSettings.h"
#include "toolkit/Exceptions.h"

// The link and the sending of changes, opened against the server in the test's process.
class LinkFixture : public PartsFixture {
protected:
    void SetUp() override { open(); }

    // Asks the server, through the link's own reading call, how many rows match.
    int storedRows(AnsiString program, AnsiString component, AnsiString value, AnsiString language = "POR") {
        AnsiString formName = "frmCliente";
        AnsiString property = "CAPTION";
        link.callGetPropried(data.cdsPropried, program, formName, component, property, "0", value, language);
        return data.cdsPropried.RecordCount();
    }

    // Not every reading call begins a wait, though each ends one: start counting afresh.
    void forgetWaits() {
        view.waits.clear();
        view.waitsEnded = 0;
    }
};

// The same parts over a real socket to servers the test starts, with host and port taken from
// the settings as the window takes them: for what only a socket shows.
class LinkOverASocket : public LinkFixture {
protected:
    void SetUp() override {
        connection.transport = nullptr;
        connection.BeforeConnect = ServerLink::takeServerAddress;
    }
    void TearDown() override { ServerSettings::clearOverride(); }

    static void pointAt(const QString& host, int port) {
        ServerSettings::setOverride({.host = host, .port = port});
    }
    static void pointAt(const ServerProcess& server) { pointAt(server.host(), server.port()); }
};
