#include "tests/support/WindowFixture.h"

#include <QCoreApplication>
#include <QPointer>

// What the window itself adds to the link: the connection it holds from creation to close, the data
// sets' events bound to their writing methods and the busy animation over the main window.
using WindowLink = WindowFixture;

TEST_F(WindowLink, TheWindowIsConnectedToTheConfiguredServerFromCreationUntilItCloses) {
    EXPECT_TRUE(form->NetTradutor.Connected());
    EXPECT_EQ(form->NetTradutor.Port, server.port());
    EXPECT_EQ(form->NetTradutor.Host, server.host());
    EXPECT_FALSE(BusyAnimation::IsShown());

    TfrmLeituraPocket* shown = form.release();
    QPointer<TfrmLeituraPocket> guard = shown;
    shown->show();
    TNetConnection* connection = &shown->NetTradutor;
    bool connectedAfterClose = true;
    shown->RunHandler([&] {
        shown->close();
        connectedAfterClose = connection->Connected();
    });
    EXPECT_FALSE(connectedAfterClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(WindowLink,
       TheVerificationSetPostsThroughSetPropriedAndDeletesThroughSetVerPropShowingTheSendAnimation) {
    const int shownBefore = BusyAnimation::ShowCount();
    form->data.cdsVerificaProp.CreateDataSet();
    postRow(form->data.cdsVerificaProp, "VERIFICA", "LBLV", "Conferir");
    EXPECT_EQ(calls, QStringList{"SetPropried"});
    EXPECT_EQ(BusyAnimation::ShowCount(), shownBefore + 1);
    EXPECT_EQ(BusyAnimation::Kind(), saSend);
    EXPECT_FALSE(BusyAnimation::IsShown());
    EXPECT_EQ(storedRows("VERIFICA", "LBLV", "Conferir"), 1);

    calls.clear();
    form->data.cdsVerificaProp.First();
    form->data.cdsVerificaProp.Delete();
    EXPECT_EQ(calls, QStringList{"SetVerProp"});
    EXPECT_EQ(form->data.cdsVerificaProp.GetChangeCount(), 0);
    EXPECT_EQ(storedRows("VERIFICA", "LBLV", "Conferir"), 0);
}
