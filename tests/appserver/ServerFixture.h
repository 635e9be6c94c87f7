#pragma once

#include "RpcClient.h"
#include "ServerProcess.h"

#include <gtest/gtest.h>

// A fresh server with a fresh database and one client that has opened the server object.
class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.log().toStdString();
        ASSERT_TRUE(client.connectTo(server.port()));
        ASSERT_TRUE(client.open().contains(QStringLiteral("result")));
    }

    // A second client with the server object open.
    void openClient(RpcClient& other) {
        ASSERT_TRUE(other.connectTo(server.port()));
        ASSERT_TRUE(other.open().contains(QStringLiteral("result")));
    }

    ServerProcess server;
    RpcClient client;
};
