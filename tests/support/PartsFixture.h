#pragma once

#include "tests/support/InProcessServer.h"
#include "tests/support/RemoteCallLog.h"
#include "tests/support/ServerRows.h"
#include "tests/support/TranslationRowPost.h"
#include "tests/support/ViewStandIn.h"

#include "capture/CaptureAssembly.h"
#include "window/MessageTable.h"
#include "wire/RemoteMethods.h"

#include "components/Messages.h"

#include <QJsonArray>

#include <gtest/gtest.h>

// The capture's objects as the window has them, without the window: over a stand-in for its
// controls and a connection to a server in this process. Every remote call is recorded with its
// arguments; the stand-in answers the questions.
class PartsFixture : public testing::Test, protected RemoteCallLog {
protected:
    PartsFixture() {
        server.Serve(connection);
        record(connection);
        run.progressInterval = std::chrono::milliseconds(0);
    }

    // Opens the connection and fetches the languages, as the window's creation does; the calls
    // are recorded from then on.
    void open() {
        link.open();
        languageItems = languages.load();
        forgetCalls();
    }

    QStringList rowsOnServer() const { return describeRows(server.rows()); }

    InProcessServer server;
    ViewStandIn view;
    TMessages messages{CaptureMessages()};
    AnsiString languageCode;
    CaptureAssembly parts{{view, view, view}, messages, languageCode};
    TNetConnection& connection = parts.connection;
    TranslationDataSets& data = parts.data;
    ServerLink& link = parts.link;
    CaptureRun& run = parts.run;
    FileLists& files = parts.files;
    LanguageList& languages = parts.languages;

    QStringList languageItems;
};
