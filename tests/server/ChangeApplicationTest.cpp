#include "tests/support/WindowFixture.h"

#include "toolkit/Exceptions.h"

#include <QJsonObject>

using ChangeApplicationTest = WindowFixture;

TEST_F(ChangeApplicationTest, APostedRowReachesTheServerAtOnceInOneCall) {
    AnsiString noForm;
    form->Link.CallGetPropried(form->Data.cdsPropried, "CLIENTE", noForm, noForm, noForm, "0", "x", noForm);
    calls.clear();
    const int shownBefore = BusyAnimation::ShowCount();

    postRow(form->Data.cdsPropried, "CLIENTE", "CMDGRAVAR", "Gravar");

    EXPECT_EQ(calls, QStringList{"SetPropried"});
    EXPECT_EQ(form->Data.cdsPropried.GetChangeCount(), 0);
    EXPECT_EQ(BusyAnimation::ShowCount(), shownBefore + 1);
    EXPECT_EQ(BusyAnimation::Kind(), saSend);
    EXPECT_FALSE(BusyAnimation::IsShown());
    const QJsonArray changes = lastParams.at(0).toObject().value("changes").toArray();
    ASSERT_EQ(changes.size(), 1) << "the delta holds the one new row";
    EXPECT_EQ(changes.at(0).toObject().value("op").toString(), QStringLiteral("insert"));
    EXPECT_EQ(storedRows("CLIENTE", "cmdGravar", "Gravar"), 1);
}

TEST_F(ChangeApplicationTest, APostWithNothingPendingSendsNothing) {
    form->Link.CallGetVersao(form->Data.cdsVersao);
    calls.clear();
    const int shownBefore = BusyAnimation::ShowCount();
    form->Data.cdsVersao.Edit();
    form->Data.cdsVersao.Post(); // no field changed
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(BusyAnimation::ShowCount(), shownBefore);
}

TEST_F(ChangeApplicationTest, AFailedSendDiscardsEveryPendingChangeAndPassesTheFailureOn) {
    // A packet holding a row the server never stored: a change to it cannot be applied there.
    TClientDataSet scratch;
    for (const TFieldDef& def : form->Data.cdsPropried.FieldDefs())
        scratch.AddField(def.name, def.kind, def.size);
    scratch.CreateDataSet();
    postRow(scratch, "FANTASMA", "LBLA", "Antes");
    form->Data.cdsPropried.SetData(scratch.Data());

    form->Data.cdsPropried.Edit();
    form->Data.cdsPropriedSTVALORPROP->SetAsString("Depois");
    calls.clear();
    EXPECT_THROW(form->Data.cdsPropried.Post(), EServerError);
    EXPECT_EQ(calls, QStringList{"SetPropried"});
    EXPECT_EQ(form->Data.cdsPropried.GetChangeCount(), 0);
    EXPECT_FALSE(BusyAnimation::IsShown());
    EXPECT_EQ(form->Data.cdsPropriedSTVALORPROP->AsString(), AnsiString("Antes")) << "the edit was discarded";
}

TEST_F(ChangeApplicationTest, ASendToAServerThatIsGoneFailsAndDropsTheRow) {
    AnsiString empty;
    form->Link.CallGetPropried(form->Data.cdsPropried, "CLIENTE", empty, empty, empty, "0", "x", empty);
    server.stop();
    EXPECT_THROW(postRow(form->Data.cdsPropried, "CLIENTE", "LBLB", "Perdido"), ESocketError);
    EXPECT_EQ(form->Data.cdsPropried.GetChangeCount(), 0);
    EXPECT_EQ(form->Data.cdsPropried.RecordCount(), 0) << "the row whose sending failed is gone";
    EXPECT_FALSE(BusyAnimation::IsShown());
}

TEST_F(ChangeApplicationTest, CancellingAnEditDiscardsPendingChangesWithoutAServerCall) {
    form->Link.CallGetVersao(form->Data.cdsVersao);
    calls.clear();
    form->Data.cdsVersao.Edit();
    form->Data.cdsVersaoDTGERARQTRAD->SetAsDateTime(QDateTime::currentDateTime());
    form->Data.cdsVersao.Cancel();
    EXPECT_EQ(form->Data.cdsVersao.GetChangeCount(), 0);

    form->Data.cdsPropried.CreateDataSet();
    form->Data.cdsPropried.Insert();
    form->Data.cdsPropriedCDPROGRAMA->SetAsString("X");
    form->Data.cdsPropried.Cancel();
    EXPECT_EQ(form->Data.cdsPropried.RecordCount(), 0);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(ChangeApplicationTest, TheVerificationSetPostsThroughSetPropriedAndDeletesThroughSetVerProp) {
    form->Data.cdsVerificaProp.CreateDataSet();
    postRow(form->Data.cdsVerificaProp, "VERIFICA", "LBLV", "Conferir");
    EXPECT_EQ(calls, QStringList{"SetPropried"});
    EXPECT_EQ(storedRows("VERIFICA", "LBLV", "Conferir"), 1);

    calls.clear();
    form->Data.cdsVerificaProp.First();
    form->Data.cdsVerificaProp.Delete();
    EXPECT_EQ(calls, QStringList{"SetVerProp"});
    EXPECT_EQ(form->Data.cdsVerificaProp.GetChangeCount(), 0);
    EXPECT_EQ(storedRows("VERIFICA", "LBLV", "Conferir"), 0);
}

TEST_F(ChangeApplicationTest, TheVersionStampGoesThroughSetVersao) {
    form->Link.CallGetVersao(form->Data.cdsVersao);
    calls.clear();
    const QDateTime stamp = QDateTime::currentDateTime();
    form->Data.cdsVersao.Edit();
    form->Data.cdsVersaoDTGERARQTRAD->SetAsDateTime(stamp);
    form->Data.cdsVersao.Post();
    EXPECT_EQ(calls, QStringList{"SetVersao"});
    form->Link.CallGetVersao(form->Data.cdsVersao);
    EXPECT_EQ(form->Data.cdsVersaoDTGERARQTRAD->AsDateTime().toMSecsSinceEpoch(), stamp.toMSecsSinceEpoch());
}

TEST_F(ChangeApplicationTest, TwoWindowsInsertingTheSameRowBothSucceedAndTheServerKeepsOne) {
    std::unique_ptr<TfrmLeituraPocket> second(TfrmPadrImportExport::Create<TfrmLeituraPocket>(nullptr));
    form->Data.cdsPropried.CreateDataSet();
    second->Data.cdsPropried.CreateDataSet();
    postRow(form->Data.cdsPropried, "DUPLO", "LBLD", "Mesmo texto");
    EXPECT_NO_THROW(postRow(second->Data.cdsPropried, "DUPLO", "LBLD", "Mesmo texto"));
    EXPECT_EQ(storedRows("DUPLO", "LBLD", "Mesmo texto"), 1);
}
