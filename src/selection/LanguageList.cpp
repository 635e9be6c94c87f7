#include "package/Cli_Vdr04000.h"
#include "window/LeituraPocket.h"

#include "components/BusyAnimation.h"
#include "widgets/Application.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

void TfrmLeituraPocket::FormCreate() {
    ActiveShowAvi(Application::MainForm(), saConnect);
    try {
        NetTradutor.Open();
    } catch (...) {
        // A window that failed to open must not leave the busy animation behind.
        DeactiveShowAvi();
        throw;
    }
    DeactiveShowAvi();

    sbtImportExport->SetGlyph(imgImportExport->pixmap());

    CallGetIdiLeDfm();

    // Filling the box is not a choice of the user: the box keeps no current item and the
    // module's language code stays as it was.
    const QSignalBlocker quiet(cbbIdioma);
    cdsIdiLeDfm.First();
    while (!cdsIdiLeDfm.Eof()) {
        cbbIdioma->addItem(
            Ansi::toUnicode(cdsIdiLeDfmIDIDIOMA->AsString() + "-" + cdsIdiLeDfmDSIDIOMA->AsString()));
        cdsIdiLeDfm.Next();
    }
    cbbIdioma->setCurrentIndex(-1);
    cbbIdioma->setEditText(QString());
}

void TfrmLeituraPocket::cbbIdiomaChange(QObject*) {
    UpdateImportButton();
    // The code comes from the text shown, picked or typed: the import checks that text against the
    // list, so the rows must get the language it names, not that of an earlier pick. No language
    // code holds a character outside the code page, so typing one leaves no code.
    AnsiString code;
    Ansi::tryFromUnicode(cbbIdioma->currentText().left(3), code);
    stIdiLeDfm = code;
}
