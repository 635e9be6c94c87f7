#pragma once

#include "tests/appserver/AppserverProcess.h"
#include "tests/appserver/RpcClient.h"
#include "tests/support/database/TestDatabase.h"

#include <gtest/gtest.h>

// A fresh server on a fresh database of the test's storage kind, and one client that has opened
// the server object. Suites built on it are instantiated with INSTANTIATE_FOR_EACH_STORAGE.
class ServerFixture : public StorageKindTest {
protected:
    void SetUp() override {
        StorageKindTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        server.setDatabaseUrl(database->url());
        ASSERT_TRUE(server.start()) << server.log().toStdString();
        ASSERT_TRUE(client.connectTo(server.port()));
        ASSERT_TRUE(client.open().contains(QStringLiteral("result")));
    }

    // A second client with the server object open.
    void openClient(RpcClient& other) {
        ASSERT_TRUE(other.connectTo(server.port()));
        ASSERT_TRUE(other.open().contains(QStringLiteral("result")));
    }

    AppserverProcess server;
    RpcClient client;
};
