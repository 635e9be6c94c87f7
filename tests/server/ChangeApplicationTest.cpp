#include "tests/support/WindowFixture.h"

#include "toolkit/Exceptions.h"

#include <QJsonObject>

using ChangeApplication = WindowFixture;

TEST_F(ChangeApplication, APostedRowReachesTheServerAtOnceInOneCall) {
    AnsiString noForm;
    form->CallGetPropried("CLIENTE", noForm, noForm, noForm, "0", "x", noForm);
    calls.clear();
    const int shownBefore = BusyAnimation::ShowCount();

    postRow(form->cdsPropried, "CLIENTE", "CMDGRAVAR", "Gravar");

    EXPECT_EQ(calls, QStringList{"SetPropried"});
    EXPECT_EQ(form->cdsPropried.GetChangeCount(), 0);
    EXPECT_EQ(BusyAnimation::ShowCount(), shownBefore + 1);
    EXPECT_EQ(BusyAnimation::Kind(), saSend);
    EXPECT_FALSE(BusyAnimation::IsShown());
    const QJsonArray changes = lastParams.at(0).toObject().value("changes").toArray();
    ASSERT_EQ(changes.size(), 1) << "the delta holds the one new row";
    EXPECT_EQ(changes.at(0).toObject().value("op").toString(), QStringLiteral("insert"));
    EXPECT_EQ(storedRows("CLIENTE", "cmdGravar", "Gravar"), 1);
}

TEST_F(ChangeApplication, APostWithNothingPendingSendsNothing) {
    form->CallGetVersao();
    calls.clear();
    const int shownBefore = BusyAnimation::ShowCount();
    form->cdsVersao.Edit();
    form->cdsVersao.Post(); // no field changed
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(BusyAnimation::ShowCount(), shownBefore);
}

TEST_F(ChangeApplication, AFailedSendDiscardsEveryPendingChangeAndPassesTheFailureOn) {
    // A packet holding a row the server never stored: a change to it cannot be applied there.
    TClientDataSet scratch;
    for (const TFieldDef& def : form->cdsPropried.FieldDefs())
        scratch.AddField(def.name, def.type, def.size);
    scratch.CreateDataSet();
    postRow(scratch, "FANTASMA", "LBLA", "Antes");
    form->cdsPropried.SetData(scratch.Data());

    form->cdsPropried.Edit();
    form->cdsPropriedSTVALORPROP->SetAsString("Depois");
    calls.clear();
    EXPECT_THROW(form->cdsPropried.Post(), EServerError);
    EXPECT_EQ(calls, QStringList{"SetPropried"});
    EXPECT_EQ(form->cdsPropried.GetChangeCount(), 0);
    EXPECT_FALSE(BusyAnimation::IsShown());
    EXPECT_EQ(form->cdsPropriedSTVALORPROP->AsString(), AnsiString("Antes")) << "the edit was discarded";
}

TEST_F(ChangeApplication, ASendToAServerThatIsGoneFailsAndDropsTheRow) {
    AnsiString empty;
    form->CallGetPropried("CLIENTE", empty, empty, empty, "0", "x", empty);
    server.stop();
    EXPECT_THROW(postRow(form->cdsPropried, "CLIENTE", "LBLB", "Perdido"), ESocketError);
    EXPECT_EQ(form->cdsPropried.GetChangeCount(), 0);
    EXPECT_EQ(form->cdsPropried.RecordCount(), 0) << "the row whose sending failed is gone";
    EXPECT_FALSE(BusyAnimation::IsShown());
}

TEST_F(ChangeApplication, CancellingAnEditDiscardsPendingChangesWithoutAServerCall) {
    form->CallGetVersao();
    calls.clear();
    form->cdsVersao.Edit();
    form->cdsVersaoDTGERARQTRAD->SetAsDateTime(QDateTime::currentDateTime());
    form->cdsVersao.Cancel();
    EXPECT_EQ(form->cdsVersao.GetChangeCount(), 0);

    form->cdsPropried.CreateDataSet();
    form->cdsPropried.Insert();
    form->cdsPropriedCDPROGRAMA->SetAsString("X");
    form->cdsPropried.Cancel();
    EXPECT_EQ(form->cdsPropried.RecordCount(), 0);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(ChangeApplication, TheVerificationSetPostsThroughSetPropriedAndDeletesThroughSetVerProp) {
    form->cdsVerificaProp.CreateDataSet();
    postRow(form->cdsVerificaProp, "VERIFICA", "LBLV", "Conferir");
    EXPECT_EQ(calls, QStringList{"SetPropried"});
    EXPECT_EQ(storedRows("VERIFICA", "LBLV", "Conferir"), 1);

    calls.clear();
    form->cdsVerificaProp.First();
    form->cdsVerificaProp.Delete();
    EXPECT_EQ(calls, QStringList{"SetVerProp"});
    EXPECT_EQ(form->cdsVerificaProp.GetChangeCount(), 0);
    EXPECT_EQ(storedRows("VERIFICA", "LBLV", "Conferir"), 0);
}

TEST_F(ChangeApplication, TheVersionStampGoesThroughSetVersao) {
    form->CallGetVersao();
    calls.clear();
    const QDateTime stamp = QDateTime::currentDateTime();
    form->cdsVersao.Edit();
    form->cdsVersaoDTGERARQTRAD->SetAsDateTime(stamp);
    form->cdsVersao.Post();
    EXPECT_EQ(calls, QStringList{"SetVersao"});
    form->CallGetVersao();
    EXPECT_EQ(form->cdsVersaoDTGERARQTRAD->AsDateTime().toMSecsSinceEpoch(), stamp.toMSecsSinceEpoch());
}

TEST_F(ChangeApplication, TwoWindowsInsertingTheSameRowBothSucceedAndTheServerKeepsOne) {
    std::unique_ptr<TfrmLeituraPocket> second(TfrmPadrImportExport::Create<TfrmLeituraPocket>(nullptr));
    form->cdsPropried.CreateDataSet();
    second->cdsPropried.CreateDataSet();
    postRow(form->cdsPropried, "DUPLO", "LBLD", "Mesmo texto");
    EXPECT_NO_THROW(postRow(second->cdsPropried, "DUPLO", "LBLD", "Mesmo texto"));
    EXPECT_EQ(storedRows("DUPLO", "LBLD", "Mesmo texto"), 1);
}
