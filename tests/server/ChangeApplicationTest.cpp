#include "tests/server/LinkFixture.h"

#include <QJsonObject>

// A data set's pending changes sent to the server at once, accepted only when the server took them.
using TheChanges = LinkFixture;

TEST_F(TheChanges, APostedRowReachesTheServerAtOnceInOneCallUnderOneWait) {
    AnsiString noForm;
    link.callGetPropried(data.cdsPropried, "CLIENTE", noForm, noForm, noForm, "0", "x", noForm);
    forgetCalls();
    forgetWaits();

    postRow(data.cdsPropried, "CLIENTE", "CMDGRAVAR", "Gravar");

    EXPECT_EQ(calls, QStringList{RemoteMethods::kSetPropried});
    EXPECT_EQ(data.cdsPropried.GetChangeCount(), 0);
    EXPECT_EQ(view.waits, QList<LinkActivity::Wait>{LinkActivity::Wait::Send});
    EXPECT_FALSE(view.waiting());
    const QJsonArray delta = lastParams.at(0).toObject().value("changes").toArray();
    ASSERT_EQ(delta.size(), 1) << "the delta holds the one new row";
    EXPECT_EQ(delta.at(0).toObject().value("op").toString(), QStringLiteral("insert"));
    EXPECT_EQ(storedRows("CLIENTE", "cmdGravar", "Gravar"), 1);
}

TEST_F(TheChanges, APostWithNothingPendingSendsNothing) {
    link.callGetVersao(data.cdsVersao);
    forgetCalls();
    forgetWaits();
    data.cdsVersao.Edit();
    data.cdsVersao.Post(); // no field changed
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_TRUE(view.waits.isEmpty());
}

TEST_F(TheChanges, AFailedSendDiscardsEveryPendingChangeAndPassesTheFailureOn) {
    // A packet holding a row the server never stored: a change to it cannot be applied there.
    TClientDataSet scratch;
    for (const TFieldDef& def : data.cdsPropried.FieldDefs())
        scratch.AddField(def.name, def.kind, def.size);
    scratch.CreateDataSet();
    postRow(scratch, "FANTASMA", "LBLA", "Antes");
    data.cdsPropried.SetData(scratch.Data());

    data.cdsPropried.Edit();
    data.cdsPropriedSTVALORPROP->SetAsString("Depois");
    forgetCalls();
    EXPECT_THROW(data.cdsPropried.Post(), EServerError);
    EXPECT_EQ(calls, QStringList{RemoteMethods::kSetPropried});
    EXPECT_EQ(data.cdsPropried.GetChangeCount(), 0);
    EXPECT_FALSE(view.waiting());
    EXPECT_EQ(data.cdsPropriedSTVALORPROP->AsString(), AnsiString("Antes")) << "the edit was discarded";
}

TEST_F(TheChanges, ASendOverALostConnectionFailsAndDropsTheRow) {
    AnsiString empty;
    link.callGetPropried(data.cdsPropried, "CLIENTE", empty, empty, empty, "0", "x", empty);
    forgetWaits();
    server.Cut(connection);
    EXPECT_THROW(postRow(data.cdsPropried, "CLIENTE", "LBLB", "Perdido"), ESocketError);
    EXPECT_EQ(data.cdsPropried.GetChangeCount(), 0);
    EXPECT_EQ(data.cdsPropried.RecordCount(), 0) << "the row whose sending failed is gone";
    EXPECT_FALSE(view.waiting());
}

TEST_F(TheChanges, CancellingAnEditDiscardsPendingChangesWithoutAServerCall) {
    link.callGetVersao(data.cdsVersao);
    forgetCalls();
    data.cdsVersao.Edit();
    data.cdsVersaoDTGERARQTRAD->SetAsDateTime(QDateTime::currentDateTime());
    data.cdsVersao.Cancel();
    EXPECT_EQ(data.cdsVersao.GetChangeCount(), 0);

    data.cdsPropried.CreateDataSet();
    data.cdsPropried.Insert();
    data.cdsPropriedCDPROGRAMA->SetAsString("X");
    data.cdsPropried.Cancel();
    EXPECT_EQ(data.cdsPropried.RecordCount(), 0);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(TheChanges, TheVersionStampGoesThroughSetVersao) {
    link.callGetVersao(data.cdsVersao);
    forgetCalls();
    const QDateTime stamp = QDateTime::currentDateTime();
    data.cdsVersao.Edit();
    data.cdsVersaoDTGERARQTRAD->SetAsDateTime(stamp);
    data.cdsVersao.Post();
    EXPECT_EQ(calls, QStringList{RemoteMethods::kSetVersao});
    link.callGetVersao(data.cdsVersao);
    EXPECT_EQ(data.cdsVersaoDTGERARQTRAD->AsDateTime().toMSecsSinceEpoch(), stamp.toMSecsSinceEpoch());
}

TEST_F(TheChanges, TwoConnectionsInsertingTheSameRowBothSucceedAndTheServerKeepsOne) {
    TNetConnection other;
    other.ServerName = RemoteMethods::kServerName;
    server.Serve(other);
    other.Open();
    TranslationDataSets otherData;
    CallFlow otherFlow{other, view};
    ChangeApplication otherChanges{otherFlow};
    otherData.cdsPropried.AfterPost = [&](TClientDataSet& ds) {
        otherChanges.apply(ds, RemoteMethods::kSetPropried);
    };

    data.cdsPropried.CreateDataSet();
    otherData.cdsPropried.CreateDataSet();
    postRow(data.cdsPropried, "DUPLO", "LBLD", "Mesmo texto");
    EXPECT_NO_THROW(postRow(otherData.cdsPropried, "DUPLO", "LBLD", "Mesmo texto"));
    EXPECT_EQ(storedRows("DUPLO", "LBLD", "Mesmo texto"), 1);
}
