#pragma once

#include "toolkit/ClientDataSet.h"

#include <QDateTime>

// Inserts and posts one caption row of the form frmCliente into a data set of the translation
// row layout.
inline void postRow(TClientDataSet& ds, const AnsiString& program, const AnsiString& component,
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
