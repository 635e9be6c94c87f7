#pragma once

#include "baseform/PadrImportExport.h"
#include "components/NetConnection.h"
#include "toolkit/ClientDataSet.h"
#include "toolkit/StringList.h"
#include "widgets/Edit.h"
#include "widgets/ListBox.h"
#include "widgets/OpenDialog.h"

#include <chrono>

class CaptionScanner;
class QComboBox;
class QLabel;
class QPushButton;

// The capture window: the user names a directory, picks form files and a language, and imports
// the captions of the chosen files into the translation table on the application server.
class TfrmLeituraPocket : public TfrmPadrImportExport {
    Q_OBJECT
public:
    explicit TfrmLeituraPocket(QWidget* owner);
    ~TfrmLeituraPocket() override;

    // Controls added to the base window.
    QLabel* lblStatus;
    TPanel* Panel1;
    TPanel* panCabec;
    TPanel* Panel3;
    QLabel* Label3;
    QComboBox* cbbIdioma;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* btnArquivo;
    TPanel* panDisp;
    TPanel* panDiretorio;
    TEdit* edtDiretorio;
    TButtonFlat* sbtDiretorio;
    TListBox* lsbDisp;
    TPanel* panBotao;
    TButtonFlat* sbtDireita;
    TButtonFlat* sbtTudoDir;
    TButtonFlat* sbtEsquerda;
    TButtonFlat* sbtTudoEsq;
    TPanel* panSelec;
    TListBox* lsbSelec;
    TPanel* Panel2;

    // The link to the application server.
    TNetConnection NetTradutor;

    // Translation rows being captured, and a second set of the same layout for checks.
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

    // The version record of the translation data.
    TClientDataSet cdsVersao{QStringLiteral("cdsVersao")};
    TField* cdsVersaoDTGERARQTRAD;

    // The languages the server knows.
    TClientDataSet cdsIdiLeDfm{QStringLiteral("cdsIdiLeDfm")};
    TField* cdsIdiLeDfmIDIDIOMA;
    TField* cdsIdiLeDfmDSIDIOMA;
    TField* cdsIdiLeDfmIDIPROP;

    TDataSource dtsPropried;
    TDataSource dtsVerificaProp{&cdsVerificaProp};
    TDataSource dtsVersao{&cdsVersao};
    TDataSource dtsIdiomaOri{&cdsIdiLeDfm};

    TOpenDialog opdNovoArquivo;

    // Run state: a capture's scan phase is in progress / the user asked it to stop.
    bool Running() const { return running_; }
    bool CancelRequested() const { return cancelRequested_; }

    // Event handlers, bound in the constructor.
    void FormCreate() override;
    void FormClose(TCloseAction& action) override;
    void sbtCancelClick() override;
    void sbtImportExportClick(QObject* Sender);

    void sbtDiretorioClick(QObject* Sender);
    void edtDiretorioKeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    void edtDiretorioChange(QObject* Sender);
    void edtDiretorioExit(QObject* Sender);
    void sbtDireitaClick(QObject* Sender);
    void sbtTudoDirClick(QObject* Sender);
    void sbtEsquerdaClick(QObject* Sender);
    void sbtTudoEsqClick(QObject* Sender);
    void cbbIdiomaChange(QObject* Sender);

    void NetTradutorBeforeConnect(TNetConnection& Sender);

    void cdsPropriedAfterPost(TClientDataSet& DataSet);
    void cdsPropriedAfterDelete(TClientDataSet& DataSet);
    void cdsPropriedAfterCancel(TClientDataSet& DataSet);
    void cdsVersaoAfterPost(TClientDataSet& DataSet);
    void cdsVersaoAfterDelete(TClientDataSet& DataSet);
    void cdsVersaoAfterCancel(TClientDataSet& DataSet);
    void cdsVerificaPropAfterPost(TClientDataSet& DataSet);
    void cdsVerificaPropAfterDelete(TClientDataSet& DataSet);

    // Enables the import button exactly while a file is selected and a language is shown.
    void UpdateImportButton();

    // Reading calls: each loads the server's answer into its data set.
    void CallGetIdiLeDfm();
    void CallGetPropried(const AnsiString& program, AnsiString& form, AnsiString& component,
                         AnsiString& property, const AnsiString& number, const AnsiString& value,
                         AnsiString& language);
    void CallGetVersao();

    // Scans the lines of one form text for captions and records the new ones.
    void Import(const TStringList& lines, AnsiString programCode);
    // How often the scan moves the progress bar and lets events through; zero: after every line.
    std::chrono::milliseconds ProgressInterval{20};

private:
    // Capture run steps.
    void runCapture();
    bool languageIsKnown();
    void scanSelectedFiles();
    void endScan();
    void stampVersion();
    void recordCaption(CaptionScanner& scan);
    void showProgress(int lines);

    void moveRight(bool selectedOnly);
    void moveLeft(bool selectedOnly);

    void buildControls();
    void defineDataSets();
    void bindHandlers();

    bool running_ = false;
    bool cancelRequested_ = false;
    bool closeAfterRun_ = false;
};
