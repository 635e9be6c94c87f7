#pragma once

#include "toolkit/ClientDataSet.h"

// The capture's records, each data set laid out as the server's packets are: the translation rows
// being captured, a second set of the same layout for checks, the version record of the
// translation data and the languages the server knows. The field objects give each column a name.
class TranslationDataSets {
public:
    TranslationDataSets();
    TranslationDataSets(const TranslationDataSets&) = delete;
    TranslationDataSets& operator=(const TranslationDataSets&) = delete;

    TClientDataSet cdsPropried{QStringLiteral("cdsPropried")};
    TField* cdsPropriedCDPROGRAMA;
    TField* cdsPropriedNMFORMULARIO;
    TField* cdsPropriedNMCOMPONENTE;
    TField* cdsPropriedNMPROPRIEDADE;
    TField* cdsPropriedNRVALORPROP;
    TField* cdsPropriedIDSITTRADUCAO;
    TField* cdsPropriedSTVALORPROP;
    TField* cdsPropriedSTAGRVALPROP;
    TField* cdsPropriedDTULTATUTRAD;
    TField* cdsPropriedIDIDIOMA;

    TClientDataSet cdsVerificaProp{QStringLiteral("cdsVerificaProp")};
    TField* cdsVerificaPropCDPROGRAMA;
    TField* cdsVerificaPropNMFORMULARIO;
    TField* cdsVerificaPropNMCOMPONENTE;
    TField* cdsVerificaPropNMPROPRIEDADE;
    TField* cdsVerificaPropNRVALORPROP;
    TField* cdsVerificaPropIDSITTRADUCAO;
    TField* cdsVerificaPropSTVALORPROP;
    TField* cdsVerificaPropSTAGRVALPROP;
    TField* cdsVerificaPropDTULTATUTRAD;
    TField* cdsVerificaPropIDIDIOMA;

    TClientDataSet cdsVersao{QStringLiteral("cdsVersao")};
    TField* cdsVersaoDTGERARQTRAD;

    TClientDataSet cdsIdiLeDfm{QStringLiteral("cdsIdiLeDfm")};
    TField* cdsIdiLeDfmIDIDIOMA;
    TField* cdsIdiLeDfmDSIDIOMA;
    TField* cdsIdiLeDfmIDIPROP;

    TDataSource dtsPropried;
    TDataSource dtsVerificaProp{&cdsVerificaProp};
    TDataSource dtsVersao{&cdsVersao};
    TDataSource dtsIdiomaOri{&cdsIdiLeDfm};
};
