#pragma once

#include "capture/CaptureObserver.h"

#include "toolkit/ClientDataSet.h"
#include "wire/FieldLayout.h"

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

// Gives a data set the fields of a record as the server's packets lay it out.
void defineLayout(TClientDataSet& rows, const Layout& layout);
// Inserts into rows (of the translation-row layout) the row a run stores for a caption, left in
// insert state for the caller to post.
void insertCaptionRow(TClientDataSet& rows, const RecordedCaption& caption);
