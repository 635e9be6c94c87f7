#include "window/LeituraPocket.h"

namespace {

struct TranslationRowFields {
    TField* CDPROGRAMA;
    TField* NMFORMULARIO;
    TField* NMCOMPONENTE;
    TField* NMPROPRIEDADE;
    TField* NRVALORPROP;
    TField* IDSITTRADUCAO;
    TField* STVALORPROP;
    TField* STAGRVALPROP;
    TField* DTULTATUTRAD;
    TField* IDIDIOMA;
};

// One translatable property value of one component of one form of one program, in one language.
TranslationRowFields defineTranslationRow(TClientDataSet& ds) {
    TranslationRowFields f{};
    f.CDPROGRAMA = ds.AddField(QStringLiteral("CDPROGRAMA"), TFieldType::String, 20);
    f.NMFORMULARIO = ds.AddField(QStringLiteral("NMFORMULARIO"), TFieldType::String, 50);
    f.NMCOMPONENTE = ds.AddField(QStringLiteral("NMCOMPONENTE"), TFieldType::String, 50);
    f.NMPROPRIEDADE = ds.AddField(QStringLiteral("NMPROPRIEDADE"), TFieldType::String, 50);
    f.NRVALORPROP = ds.AddField(QStringLiteral("NRVALORPROP"), TFieldType::Number);
    f.IDSITTRADUCAO = ds.AddField(QStringLiteral("IDSITTRADUCAO"), TFieldType::String, 1);
    f.STVALORPROP = ds.AddField(QStringLiteral("STVALORPROP"), TFieldType::String, 4000);
    f.STAGRVALPROP = ds.AddField(QStringLiteral("STAGRVALPROP"), TFieldType::String, 4000);
    f.DTULTATUTRAD = ds.AddField(QStringLiteral("DTULTATUTRAD"), TFieldType::DateTime);
    f.IDIDIOMA = ds.AddField(QStringLiteral("IDIDIOMA"), TFieldType::String, 3);
    return f;
}

} // namespace

void TfrmLeituraPocket::defineDataSets() {
    const TranslationRowFields propried = defineTranslationRow(cdsPropried);
    cdsPropriedCDPROGRAMA = propried.CDPROGRAMA;
    cdsPropriedNMFORMULARIO = propried.NMFORMULARIO;
    cdsPropriedNMCOMPONENTE = propried.NMCOMPONENTE;
    cdsPropriedNMPROPRIEDADE = propried.NMPROPRIEDADE;
    cdsPropriedNRVALORPROP = propried.NRVALORPROP;
    cdsPropriedIDSITTRADUCAO = propried.IDSITTRADUCAO;
    cdsPropriedSTVALORPROP = propried.STVALORPROP;
    cdsPropriedSTAGRVALPROP = propried.STAGRVALPROP;
    cdsPropriedDTULTATUTRAD = propried.DTULTATUTRAD;
    cdsPropriedIDIDIOMA = propried.IDIDIOMA;

    const TranslationRowFields verifica = defineTranslationRow(cdsVerificaProp);
    cdsVerificaPropCDPROGRAMA = verifica.CDPROGRAMA;
    cdsVerificaPropNMFORMULARIO = verifica.NMFORMULARIO;
    cdsVerificaPropNMCOMPONENTE = verifica.NMCOMPONENTE;
    cdsVerificaPropNMPROPRIEDADE = verifica.NMPROPRIEDADE;
    cdsVerificaPropNRVALORPROP = verifica.NRVALORPROP;
    cdsVerificaPropIDSITTRADUCAO = verifica.IDSITTRADUCAO;
    cdsVerificaPropSTVALORPROP = verifica.STVALORPROP;
    cdsVerificaPropSTAGRVALPROP = verifica.STAGRVALPROP;
    cdsVerificaPropDTULTATUTRAD = verifica.DTULTATUTRAD;
    cdsVerificaPropIDIDIOMA = verifica.IDIDIOMA;

    cdsVersaoDTGERARQTRAD = cdsVersao.AddField(QStringLiteral("DTGERARQTRAD"), TFieldType::DateTime);

    cdsIdiLeDfmIDIDIOMA = cdsIdiLeDfm.AddField(QStringLiteral("IDIDIOMA"), TFieldType::String, 3);
    cdsIdiLeDfmDSIDIOMA = cdsIdiLeDfm.AddField(QStringLiteral("DSIDIOMA"), TFieldType::String, 30);
    cdsIdiLeDfmIDIPROP = cdsIdiLeDfm.AddField(QStringLiteral("IDIPROP"), TFieldType::String, 3);
}
