#pragma once

#include "tests/support/InProcessServer.h"
#include "tests/support/RemoteCallLog.h"
#include "tests/support/ServerRows.h"
#include "tests/support/TranslationRowPost.h"
#include "tests/support/ViewStandIn.h"

#include "capture/CaptureRun.h"
#include "capture/TranslationDataSets.h"
#include "selection/FileLists.h"
#include "selection/LanguageList.h"
#include "server/ChangeApplication.h"
#include "server/ServerLink.h"
#include "window/MessageTable.h"
#include "wire/RemoteMethods.h"

#include "components/Messages.h"
#include "components/NetConnection.h"

#include <QJsonArray>

#include <gtest/gtest.h>

// The module's plain classes wired as the capture window wires them, without the window: over a
// stand-in for its controls and a connection to a server in this process. Every remote call is
// recorded with its arguments; the stand-in answers the questions.
class PartsFixture : public testing::Test, protected RemoteCallLog {
protected:
    PartsFixture() {
        connection.ServerName = RemoteMethods::kServerName;
        server.Serve(connection);
        record(connection);
        // The window sends a posted row or version stamp at once.
        data.cdsPropried.AfterPost = [this](TClientDataSet& ds) {
            changes.Apply(ds, RemoteMethods::kSetPropried);
        };
        data.cdsVersao.AfterPost = [this](TClientDataSet& ds) {
            changes.Apply(ds, RemoteMethods::kSetVersao);
        };
        run.ProgressInterval = std::chrono::milliseconds(0);
    }

    // Opens the connection and fetches the languages, as the window's creation does; the calls
    // are recorded from then on.
    void open() {
        link.Open();
        languageItems = languages.Load();
        forgetCalls();
    }

    QStringList rowsOnServer() const { return describeRows(server.rows()); }

    InProcessServer server;
    TNetConnection connection;
    ViewStandIn view;
    TranslationDataSets data;
    TMessages messages{CaptureMessages()};
    AnsiString languageCode;
    ServerLink link{connection, view};
    ChangeApplication changes{connection, view};
    CaptureRun run{view, data, link, messages, languageCode};
    FileLists files{view, messages};
    LanguageList languages{link, data.cdsIdiLeDfm};

    QStringList languageItems;
};
