#include "capture/TranslationDataSets.h"

#include "wire/RecordLayouts.h"

namespace {

void define(TClientDataSet& ds, const Layout& layout) {
    for (const FieldDef& def : layout)
        ds.AddField(def.name, def.kind, def.size);
}

} // namespace

TranslationDataSets::TranslationDataSets() {
    define(cdsPropried, Layouts::translationRow());
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

    define(cdsVerificaProp, Layouts::translationRow());
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

    define(cdsVersao, Layouts::versionRecord());
    cdsVersaoDTGERARQTRAD = cdsVersao.FieldByName(QStringLiteral("DTGERARQTRAD"));

    define(cdsIdiLeDfm, Layouts::languageEntry());
    cdsIdiLeDfmIDIDIOMA = cdsIdiLeDfm.FieldByName(QStringLiteral("IDIDIOMA"));
    cdsIdiLeDfmDSIDIOMA = cdsIdiLeDfm.FieldByName(QStringLiteral("DSIDIOMA"));
    cdsIdiLeDfmIDIPROP = cdsIdiLeDfm.FieldByName(QStringLiteral("IDIPROP"));
}
