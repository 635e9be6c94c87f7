#include "capture/TranslationDataSets.h"

#include "wire/RecordLayouts.h"

#include <QDateTime>

void defineLayout(TClientDataSet& rows, const Layout& layout) {
    for (const FieldDef& def : layout)
        rows.AddField(def.name, def.kind, def.size);
}

void insertCaptionRow(TClientDataSet& rows, const RecordedCaption& caption) {
    rows.Insert();
    rows.FieldByName(QStringLiteral("CDPROGRAMA"))->SetAsString(caption.program);
    rows.FieldByName(QStringLiteral("NMFORMULARIO"))->SetAsString(caption.form);
    rows.FieldByName(QStringLiteral("NMCOMPONENTE"))->SetAsString(caption.component);
    rows.FieldByName(QStringLiteral("NMPROPRIEDADE"))->SetAsString(caption.property);
    rows.FieldByName(QStringLiteral("NRVALORPROP"))->SetAsInteger(0);
    rows.FieldByName(QStringLiteral("IDSITTRADUCAO"))->SetAsString("N");
    rows.FieldByName(QStringLiteral("STVALORPROP"))->SetAsString(caption.value);
    rows.FieldByName(QStringLiteral("STAGRVALPROP"))->SetAsString(caption.value);
    rows.FieldByName(QStringLiteral("DTULTATUTRAD"))->SetAsDateTime(QDateTime::currentDateTime());
    rows.FieldByName(QStringLiteral("IDIDIOMA"))->SetAsString(caption.language);
}

TranslationDataSets::TranslationDataSets() {
    defineLayout(cdsPropried, Layouts::translationRow());
    cdsPropriedCDPROGRAMA = cdsPropried.FieldByName(QStringLiteral("CDPROGRAMA"));
    cdsPropriedNMFORMULARIO = cdsPropried.FieldByName(QStringLiteral("NMFORMULARIO"));
    cdsPropriedNMCOMPONENTE = cdsPropried.FieldByName(QStringLiteral("NMCOMPONENTE"));
    cdsPropriedNMPROPRIEDADE = cdsPropried.FieldByName(QStringLiteral("NMPROPRIEDADE"));
    cdsPropriedNRVALORPROP = cdsPropried.FieldByName(QStringLiteral("NRVALORPROP"));
    cdsPropriedIDSITTRADUCAO = cdsPropried.FieldByName(QStringLiteral("IDSITTRADUCAO"));
    cdsPropriedSTVALORPROP = cdsPropried.FieldByName(QStringLiteral("STVALORPROP"));
    cdsPropriedSTAGRVALPROP = cdsPropried.FieldByName(QStringLiteral("STAGRVALPROP"));
    cdsPropriedDTULTATUTRAD = cdsPropried.FieldByName(QStringLiteral("DTULTATUTRAD"));
    cdsPropriedIDIDIOMA = cdsPropried.FieldByName(QStringLiteral("IDIDIOMA"));

    defineLayout(cdsVerificaProp, Layouts::translationRow());
    cdsVerificaPropCDPROGRAMA = cdsVerificaProp.FieldByName(QStringLiteral("CDPROGRAMA"));
    cdsVerificaPropNMFORMULARIO = cdsVerificaProp.FieldByName(QStringLiteral("NMFORMULARIO"));
    cdsVerificaPropNMCOMPONENTE = cdsVerificaProp.FieldByName(QStringLiteral("NMCOMPONENTE"));
    cdsVerificaPropNMPROPRIEDADE = cdsVerificaProp.FieldByName(QStringLiteral("NMPROPRIEDADE"));
    cdsVerificaPropNRVALORPROP = cdsVerificaProp.FieldByName(QStringLiteral("NRVALORPROP"));
    cdsVerificaPropIDSITTRADUCAO = cdsVerificaProp.FieldByName(QStringLiteral("IDSITTRADUCAO"));
    cdsVerificaPropSTVALORPROP = cdsVerificaProp.FieldByName(QStringLiteral("STVALORPROP"));
    cdsVerificaPropSTAGRVALPROP = cdsVerificaProp.FieldByName(QStringLiteral("STAGRVALPROP"));
    cdsVerificaPropDTULTATUTRAD = cdsVerificaProp.FieldByName(QStringLiteral("DTULTATUTRAD"));
    cdsVerificaPropIDIDIOMA = cdsVerificaProp.FieldByName(QStringLiteral("IDIDIOMA"));

    defineLayout(cdsVersao, Layouts::versionRecord());
    cdsVersaoDTGERARQTRAD = cdsVersao.FieldByName(QStringLiteral("DTGERARQTRAD"));

    defineLayout(cdsIdiLeDfm, Layouts::languageEntry());
    cdsIdiLeDfmIDIDIOMA = cdsIdiLeDfm.FieldByName(QStringLiteral("IDIDIOMA"));
    cdsIdiLeDfmDSIDIOMA = cdsIdiLeDfm.FieldByName(QStringLiteral("DSIDIOMA"));
    cdsIdiLeDfmIDIPROP = cdsIdiLeDfm.FieldByName(QStringLiteral("IDIPROP"));
}
