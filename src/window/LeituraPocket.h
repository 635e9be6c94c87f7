#pragma once

#include "capture/CaptureAssembly.h"
#include "capture/CaptureView.h"
#include "selection/SelectionView.h"
#include "server/LinkActivity.h"

#include "baseform/PadrImportExport.h"
#include "components/NetConnection.h"
#include "widgets/Edit.h"
#include "widgets/ListBox.h"
#include "widgets/OpenDialog.h"

#include <memory>

class ListBoxControl;
class QComboBox;
class QLabel;
class QPushButton;

// The capture window: the user names a directory, picks form files and a language, and imports
// the captions of the chosen files into the translation table on the application server. The
// window holds the controls and binds them to its handlers; what the handlers do lives in the
// capture run, the file lists, the language list and the server link.
class TfrmLeituraPocket : public TfrmPadrImportExport,
                          private CaptureView,
                          private SelectionView,
                          private LinkActivity {
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

    // The capture's objects, bound together over the window's views; the window names them.
    CaptureAssembly parts;
    // The link to the application server.
    TNetConnection& NetTradutor = parts.connection;
    // The translation rows, the version record and the language list, with their field objects.
    TranslationDataSets& data = parts.data;
    ServerLink& link = parts.link;
    CaptureRun& capture = parts.run;
    FileLists& files = parts.files;
    LanguageList& languages = parts.languages;

    TOpenDialog opdNovoArquivo;

    // Run state: a capture's scan phase is in progress / the user asked it to stop.
    bool running() const { return capture.running(); }
    bool cancelRequested() const { return capture.cancelRequested(); }

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

    // Scans the lines of one form text for captions and records the new ones.
    void Import(const TStringList& lines, const AnsiString& programCode);

private:
    // What the capture run sees of the window.
    int selectedCount() const override;
    QString selectedFile(int index) const override;
    QString languageText() const override;
    void focusLanguage() override;
    void setImportEnabled(bool enabled) override;
    void setSelectionEnabled(bool enabled) override;
    void setStatus(const QString& text) override;
    void setProgressMaximum(int maximum) override;
    void setProgress(int position) override;
    void advanceProgress(int lines) override;
    void showBusy(bool busy) override;
    void processMessages() override;
    bool confirm(const AnsiString& question) override;
    void showError(const AnsiString& text) override;
    void showSuccess(const AnsiString& text) override;

    // What the file lists see of the window.
    QString directoryText() const override;
    void setDirectoryText(const QString& text) override;
    ListControl& available() override;
    ListControl& selected() override;
    bool chooseDirectory(QString& directory) override;
    void refuseFile(const QString& path, const AnsiString& message) override;

    // The busy animation over the host's main window while the link waits.
    void begin(Wait wait) override;
    void end() override;

    void buildControls();
    void bindHandlers();

    std::unique_ptr<ListBoxControl> available_;
    std::unique_ptr<ListBoxControl> selected_;
    bool closeAfterRun_ = false;
};
