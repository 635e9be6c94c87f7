#pragma once

#include "tests/support/InProcessServer.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/ServerRows.h"
#include "tests/support/TranslationRowPost.h"
#include "tests/support/ViewStandIn.h"

#include "capture/CaptureRun.h"
#include "capture/TranslationDataSets.h"
#include "selection/FileLists.h"
#include "selection/LanguageList.h"
#include "server/ChangeApplication.h"
#include "wire/RemoteMethods.h"
#include "server/ServerLink.h"
#include "window/MessageTable.h"

#include "components/Messages.h"
#include "components/NetConnection.h"

#include <QJsonArray>

#include <gtest/gtest.h>

// The module's plain classes wired as the capture window wires them, without the window: over a
// stand-in for its controls and a connection to a server in this process. Every remote call is
// recorded with its arguments; dialogs are scripted.
class PartsFixture : public testing::Test {
protected:
    struct Call {
        QString method;
        QJsonArray params;
    };

    PartsFixture() {
        connection.ServerName = RemoteMethods::kServerName;
        server.Serve(connection);
        connection.OnCall = [this](const QString& method, const QJsonArray& params) {
            calls.append(method);
            callLog.append({method, params});
        };
        // The window sends a posted row or version stamp at once.
        data.cdsPropried.AfterPost = [this](TClientDataSet& ds) { changes.Apply(ds, RemoteMethods::kSetPropried); };
        data.cdsVersao.AfterPost = [this](TClientDataSet& ds) { changes.Apply(ds, RemoteMethods::kSetVersao); };
        run.ProgressInterval = std::chrono::milliseconds(0);
    }

    // Opens the connection and fetches the languages, as the window's creation does; the calls
    // are recorded from then on.
    void open() {
        link.Open();
        languageItems = languages.Load();
        forgetCalls();
    }

    void forgetCalls() {
        calls.clear();
        callLog.clear();
    }
    QStringList rowsOnServer() const { return describeRows(server.rows()); }

    int callsOf(const QString& method) const { return static_cast<int>(calls.count(method)); }
    QList<QJsonArray> paramsOf(const QString& method) const {
        QList<QJsonArray> found;
        for (const Call& call : callLog)
            if (call.method == method)
                found.append(call.params);
        return found;
    }

    ScriptedDialogsGuard dialogs;
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
    QStringList calls;
    QList<Call> callLog;
};
