#include "tests/support/WindowFixture.h"

#include "toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

using ServerLinkTest = WindowFixture;

TEST_F(ServerLinkTest, CreationConnectsAndLoadsTheLanguagesInTheServersOrder) {
    EXPECT_TRUE(form->NetTradutor.Connected());
    EXPECT_EQ(form->NetTradutor.Port, server.port());
    EXPECT_EQ(form->NetTradutor.Host, server.host());
    EXPECT_GE(form->Data.cdsIdiLeDfm.RecordCount(), 3);
    form->Data.cdsIdiLeDfm.First();
    EXPECT_TRUE(form->Data.cdsIdiLeDfm.Locate("IDIDIOMA", {QByteArray("POR")}, 0));
    EXPECT_EQ(Ansi::toUnicode(form->Data.cdsIdiLeDfmDSIDIOMA->AsString()), QStringLiteral("Português"));
    EXPECT_FALSE(BusyAnimation::IsShown());
}

TEST_F(ServerLinkTest, GetPropriedSendsSevenStringsAndFindsWhatWasStored) {
    EXPECT_EQ(storedRows("CLIENTE", "lblNome", "Nome do cliente"), 0);
    ASSERT_EQ(lastParams.size(), 7);
    for (const auto& param : lastParams)
        EXPECT_TRUE(param.isString());
    EXPECT_EQ(lastParams.at(3).toString(), QStringLiteral("CAPTION"));
    EXPECT_EQ(lastParams.at(4).toString(), QStringLiteral("0"));
    EXPECT_TRUE(form->Data.cdsPropried.Active()) << "an empty answer is still a packet in the row layout";

    postRow(form->Data.cdsPropried, "CLIENTE", "LBLNOME", "Nome do cliente");
    // The key matches without regard to the letter case of names; the value must be equal.
    EXPECT_EQ(storedRows("CLIENTE", "lblnome", "Nome do cliente"), 1);
    EXPECT_EQ(storedRows("CLIENTE", "lblNome", "Nome do Cliente"), 0);
    EXPECT_EQ(storedRows("CLIENTE", "lblNome", "Nome do cliente", "ENG"), 0);
}

TEST_F(ServerLinkTest, GetVersaoLoadsTheSingleVersionRecord) {
    form->Link.CallGetVersao(form->Data.cdsVersao);
    EXPECT_EQ(form->Data.cdsVersao.RecordCount(), 1);
    EXPECT_EQ(callsOf("GetVersao"), 1);
    EXPECT_FALSE(BusyAnimation::IsShown());
}

TEST_F(ServerLinkTest, AFailedReadingCallHidesTheAnimationAndKeepsTheDataSetsContent) {
    const int rowsBefore = form->Data.cdsIdiLeDfm.RecordCount();
    server.stop();
    EXPECT_THROW(form->Link.CallGetIdiLeDfm(form->Data.cdsIdiLeDfm), ESocketError);
    EXPECT_FALSE(BusyAnimation::IsShown());
    EXPECT_EQ(form->Data.cdsIdiLeDfm.RecordCount(), rowsBefore);
    EXPECT_THROW(form->Link.CallGetVersao(form->Data.cdsVersao), ESocketError);
    EXPECT_FALSE(BusyAnimation::IsShown());
}

TEST_F(ServerLinkTest, PortAndHostAreTakenAfreshAtEveryConnect) {
    ServerProcess second;
    form->NetTradutor.Close();
    ServerSettings::setOverride(second.host(), second.port());
    form->NetTradutor.Open();
    EXPECT_EQ(form->NetTradutor.Port, second.port());
    form->Data.cdsPropried.CreateDataSet();
    postRow(form->Data.cdsPropried, "SEGUNDO", "LBLA", "Texto");
    form->NetTradutor.Close();

    ServerSettings::setOverride(server.host(), server.port());
    form->NetTradutor.Open();
    EXPECT_EQ(storedRows("SEGUNDO", "LBLA", "Texto"), 0) << "the row went to the second server only";

    // An empty host is used as it comes: the connect fails and says where it tried.
    form->NetTradutor.Close();
    ServerSettings::setOverride(QString(), server.port());
    try {
        form->NetTradutor.Open();
        FAIL() << "connecting to an empty host name succeeded";
    } catch (const ESocketError& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral(":%1").arg(server.port()))) << failure.what();
    }
    EXPECT_TRUE(form->NetTradutor.Host.isEmpty());
}

TEST_F(ServerLinkTest, AConnectThatFailsNamesHostAndPort) {
    int deadPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        deadPort = probe.serverPort();
    }
    form->NetTradutor.Close();
    ServerSettings::setOverride(QStringLiteral("127.0.0.1"), deadPort);
    try {
        form->NetTradutor.Open();
        FAIL() << "connected to a port nobody listens on";
    } catch (const ESocketError& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral("127.0.0.1:%1").arg(deadPort)))
            << failure.what();
    }
}

TEST_F(ServerLinkTest, ClosingTheWindowClosesTheConnection) {
    TfrmLeituraPocket* shown = form.release();
    QPointer<TfrmLeituraPocket> guard = shown;
    shown->show();
    TNetConnection* connection = &shown->NetTradutor;
    EXPECT_TRUE(connection->Connected());
    bool connectedAfterClose = true;
    shown->RunHandler([&] {
        shown->close();
        connectedAfterClose = connection->Connected();
    });
    EXPECT_FALSE(connectedAfterClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(ServerLinkTest, AConnectionTheServerClosedWhileIdleIsOpenedAgainAtTheNextCall) {
    ServerProcess strict({QStringLiteral("--idle-timeout"), QStringLiteral("1")});
    form->NetTradutor.Close();
    ServerSettings::setOverride(strict.host(), strict.port());
    form->NetTradutor.Open();
    QElapsedTimer idle;
    idle.start();
    while (form->NetTradutor.Connected() && idle.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    ASSERT_FALSE(form->NetTradutor.Connected()) << "the server kept an idle connection";

    form->Link.CallGetVersao(form->Data.cdsVersao);
    EXPECT_EQ(form->Data.cdsVersao.RecordCount(), 1);
    EXPECT_TRUE(form->NetTradutor.Connected());

    // A connection the window closed itself stays closed.
    form->NetTradutor.Close();
    EXPECT_THROW(form->Link.CallGetVersao(form->Data.cdsVersao), ESocketError);
}

TEST_F(ServerLinkTest, ARefusalAboutTheConnectionItselfReachesTheUser) {
    ServerProcess crowded({QStringLiteral("--max-connections"), QStringLiteral("1")});
    QTcpSocket first;
    first.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(crowded.port()));
    ASSERT_TRUE(first.waitForConnected(5000));
    form->NetTradutor.Close();
    ServerSettings::setOverride(crowded.host(), crowded.port());
    try {
        form->NetTradutor.Open();
        FAIL() << "a connection over the limit was served";
    } catch (const Exception& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral("too many connections"))) << failure.what();
    }
}
