#pragma once

#include "components/BusyAnimation.h"
#include "components/ServerSettings.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/ServerProcess.h"
#include "window/LeituraPocket.h"

#include <QJsonArray>

#include <gtest/gtest.h>

#include <memory>

// A capture window created (connected, languages loaded) against a real server of its own, with
// every remote call it makes recorded.
class WindowFixture : public testing::Test {
protected:
    void SetUp() override {
        ServerSettings::setOverride(server.host(), server.port());
        form.reset(TfrmPadrImportExport::Create<TfrmLeituraPocket>(nullptr));
        form->NetTradutor.OnCall = [this](const QString& method, const QJsonArray& params) {
            calls.append(method);
            lastParams = params;
        };
    }
    void TearDown() override {
        form.reset();
        ServerSettings::clearOverride();
    }

    int callsOf(const QString& method) const { return static_cast<int>(calls.count(method)); }

    // Inserts and posts one translation row through the window's working set.
    static void postRow(TClientDataSet& ds, const AnsiString& program, const AnsiString& component,
                        const AnsiString& value, const AnsiString& language = "POR") {
        ds.Insert();
        ds.FieldByName("CDPROGRAMA")->SetAsString(program);
        ds.FieldByName("NMFORMULARIO")->SetAsString("FRMCLIENTE");
        ds.FieldByName("NMCOMPONENTE")->SetAsString(component);
        ds.FieldByName("NMPROPRIEDADE")->SetAsString("CAPTION");
        ds.FieldByName("NRVALORPROP")->SetAsInteger(0);
        ds.FieldByName("IDSITTRADUCAO")->SetAsString("N");
        ds.FieldByName("STVALORPROP")->SetAsString(value);
        ds.FieldByName("STAGRVALPROP")->SetAsString(value);
        ds.FieldByName("DTULTATUTRAD")->SetAsDateTime(QDateTime::currentDateTime());
        ds.FieldByName("IDIDIOMA")->SetAsString(language);
        ds.Post();
    }

    // Asks the server, through the window's own reading call, how many rows match.
    int storedRows(AnsiString program, AnsiString component, AnsiString value, AnsiString language = "POR") {
        AnsiString formName = "frmCliente";
        AnsiString property = "CAPTION";
        form->Link.CallGetPropried(form->Data.cdsPropried, program, formName, component, property, "0", value, language);
        return form->Data.cdsPropried.RecordCount();
    }

    ScriptedDialogsGuard dialogs;
    ServerProcess server;
    std::unique_ptr<TfrmLeituraPocket> form;
    QStringList calls;
    QJsonArray lastParams;
};
