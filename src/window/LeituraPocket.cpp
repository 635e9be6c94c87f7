#include "window/LeituraPocket.h"

#include "package/ModuleVariables.h"
#include "window/ControlNames.h"
#include "window/Glyphs.h"
#include "window/ListBoxControl.h"
#include "window/MessageTable.h"

#include "widgets/WindowsFonts.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>

namespace {

// The pale yellow of tool tips, behind every field the user types or picks in.
const QColor kInfoBackground(255, 255, 225);

// "MS Sans Serif", height -11 (8 points).
QFont standardFont() {
    return WindowsFonts::Font(QStringLiteral("MS Sans Serif"), 11);
}

QFont boldFont() {
    return WindowsFonts::Font(QStringLiteral("MS Sans Serif"), 11, true);
}

void useInfoBackground(QWidget* control) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, kInfoBackground);
    control->setPalette(palette);
}

QLabel* autoSizedLabel(const QString& caption, QWidget* parent, int left, int top, const QFont& font) {
    auto* label = new QLabel(caption, parent);
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

TPanel* panel(const QString& name, QWidget* parent) {
    auto* created = new TPanel(parent);
    created->setObjectName(name);
    return created;
}

TButtonFlat* flatButton(const QString& name, QWidget* parent, const QRect& place, const QPixmap& glyph) {
    auto* button = new TButtonFlat(parent);
    button->setObjectName(name);
    button->setGeometry(place);
    button->SetGlyph(glyph);
    return button;
}

void bevelLoweredInside(TPanel* target) {
    target->SetBevelInner(TBevel::bvLowered);
    target->SetBevelOuter(TBevel::bvNone);
}

void noBevel(TPanel* target) {
    target->SetBevelInner(TBevel::bvNone);
    target->SetBevelOuter(TBevel::bvNone);
}

} // namespace

TfrmLeituraPocket::TfrmLeituraPocket(QWidget* owner)
    : TfrmPadrImportExport(owner), parts({*this, *this, *this}, msgPadrao, stIdiLeDfm) {
    setObjectName(ControlNames::frmLeituraPocket);
    buildControls();
    available_ = std::make_unique<ListBoxControl>(lsbDisp);
    selected_ = std::make_unique<ListBoxControl>(lsbSelec);
    bindHandlers();
}

TfrmLeituraPocket::~TfrmLeituraPocket() = default;

void TfrmLeituraPocket::buildControls() {
    setWindowTitle(QStringLiteral("Leitura dos Arquivos Pocket (ebf´s)"));
    setFont(standardFont());
    setFixedSize(555, 294);
    move(263, 199);

    lblCodTela->setText(QStringLiteral("VDR00200"));
    lblCodTela->resize(53, lblCodTela->height());
    grbDadosRel->resize(500, 254);
    panMenu->resize(55, 254);
    sbtImportExport->setGeometry(1, 1, sbtImportExport->width(), 22);
    sbtImportExport->setToolTip(QStringLiteral("Importar"));
    sbtImportExport->setEnabled(false);
    panProgresso->resize(555, 40);
    pgbProgresso->setGeometry(pgbProgresso->x(), 21, 553, 18);

    lblStatus = new QLabel(panProgresso);
    lblStatus->setObjectName(ControlNames::lblStatus);
    lblStatus->setGeometry(5, 3, 494, 15);
    lblStatus->setFont(standardFont());
    QPalette statusPalette = lblStatus->palette();
    statusPalette.setColor(QPalette::WindowText, Qt::black);
    lblStatus->setPalette(statusPalette);
    lblStatus->lower(); // the progress panel's first child

    Panel1 = panel(QStringLiteral("Panel1"), this);
    bevelLoweredInside(Panel1);

    panCabec = panel(QStringLiteral("panCabec"), Panel1);
    panCabec->resize(panCabec->width(), 49);
    bevelLoweredInside(panCabec);

    Panel3 = panel(QStringLiteral("Panel3"), panCabec);
    Panel3->resize(Panel3->width(), 26);
    Label3 = autoSizedLabel(QStringLiteral("Gravar com o Idioma"), Panel3, 4, 5, boldFont());
    Label3->setObjectName(QStringLiteral("Label3"));
    cbbIdioma = new QComboBox(Panel3);
    cbbIdioma->setObjectName(ControlNames::cbbIdioma);
    cbbIdioma->setEditable(true);
    cbbIdioma->setInsertPolicy(QComboBox::NoInsert);
    cbbIdioma->setGeometry(141, 2, 134, 21);
    useInfoBackground(cbbIdioma);

    Label1 = autoSizedLabel(QStringLiteral("Selecione o Diretório"), panCabec, 4, 31, boldFont());
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = autoSizedLabel(QStringLiteral("Arquivos Selecionados"), panCabec, 211, 31, boldFont());
    Label2->setObjectName(QStringLiteral("Label2"));
    btnArquivo = new QPushButton(QStringLiteral("C:\\"), panCabec);
    btnArquivo->setObjectName(QStringLiteral("btnArquivo"));
    btnArquivo->setGeometry(516, 4, 21, 17);

    panDisp = panel(QStringLiteral("panDisp"), Panel1);
    panDisp->resize(187, panDisp->height());
    panDiretorio = panel(QStringLiteral("panDiretorio"), panDisp);
    panDiretorio->resize(panDiretorio->width(), 28);
    noBevel(panDiretorio);
    edtDiretorio = new TEdit(panDiretorio);
    edtDiretorio->setObjectName(ControlNames::edtDiretorio);
    edtDiretorio->setGeometry(3, 3, 153, 21);
    useInfoBackground(edtDiretorio);
    sbtDiretorio =
        flatButton(ControlNames::sbtDiretorio, panDiretorio, QRect(158, 3, 21, 22), Glyphs::OpenFolder());
    lsbDisp = new TListBox(panDisp);
    lsbDisp->setObjectName(ControlNames::lsbDisp);
    lsbDisp->SetSorted(true);
    useInfoBackground(lsbDisp);

    panBotao = panel(QStringLiteral("panBotao"), Panel1);
    panBotao->resize(24, panBotao->height());
    noBevel(panBotao);
    sbtDireita = flatButton(ControlNames::sbtDireita, panBotao, QRect(1, 47, 22, 21), Glyphs::ArrowRight());
    sbtTudoDir =
        flatButton(ControlNames::sbtTudoDir, panBotao, QRect(1, 68, 22, 21), Glyphs::DoubleArrowRight());
    sbtEsquerda = flatButton(ControlNames::sbtEsquerda, panBotao, QRect(1, 89, 22, 21), Glyphs::ArrowLeft());
    sbtTudoEsq =
        flatButton(ControlNames::sbtTudoEsq, panBotao, QRect(1, 110, 22, 21), Glyphs::DoubleArrowLeft());
    for (TButtonFlat* arrow : {sbtDireita, sbtTudoDir, sbtEsquerda, sbtTudoEsq})
        arrow->setFont(boldFont());
    sbtDireita->hide();
    sbtEsquerda->hide();

    panSelec = panel(QStringLiteral("panSelec"), Panel1);
    noBevel(panSelec);
    lsbSelec = new TListBox(panSelec);
    lsbSelec->setObjectName(ControlNames::lsbSelec);
    lsbSelec->SetSorted(true);
    useInfoBackground(lsbSelec);

    Panel2 = panel(QStringLiteral("Panel2"), Panel1);
    Panel2->resize(Panel2->width(), 3);
    Panel2->SetCaption(QStringLiteral(" "));

    // Docking order decides who gets what: the header and the thin bottom strip first, then the
    // available list on the left, the arrow column beside it and the selected list in the rest.
    SetAlign(Panel1, TAlign::alClient);
    SetAlign(panCabec, TAlign::alTop);
    SetAlign(Panel3, TAlign::alTop);
    SetAlign(Panel2, TAlign::alBottom);
    SetAlign(panDisp, TAlign::alLeft);
    SetAlign(panDiretorio, TAlign::alTop);
    SetAlign(lsbDisp, TAlign::alClient);
    SetAlign(panBotao, TAlign::alLeft);
    SetAlign(panSelec, TAlign::alClient);
    SetAlign(lsbSelec, TAlign::alClient);
    RealignChildren(this);

    msgPadrao.SetEntries(CaptureMessages());

    opdNovoArquivo.Filter = QStringLiteral("*.gdb (InterBase)|*.gdb");
    opdNovoArquivo.InitialDir = QStringLiteral("H:\\SISTEMAS");
    opdNovoArquivo.HideReadOnly = true;
    opdNovoArquivo.FileMustExist = true;
}

void TfrmLeituraPocket::bindHandlers() {
    Bind(sbtImportExport, &QAbstractButton::clicked, [this] { sbtImportExportClick(sbtImportExport); });
    Bind(sbtDiretorio, &QAbstractButton::clicked, [this] { sbtDiretorioClick(sbtDiretorio); });
    Bind(edtDiretorio, &TEdit::keyDown,
         [this](int key, Qt::KeyboardModifiers shift) { edtDiretorioKeyDown(edtDiretorio, key, shift); });
    Bind(edtDiretorio, &QLineEdit::textChanged, [this] { edtDiretorioChange(edtDiretorio); });
    Bind(edtDiretorio, &TEdit::exited, [this] { edtDiretorioExit(edtDiretorio); });
    Bind(sbtDireita, &QAbstractButton::clicked, [this] { sbtDireitaClick(sbtDireita); });
    Bind(sbtTudoDir, &QAbstractButton::clicked, [this] { sbtTudoDirClick(sbtTudoDir); });
    Bind(sbtEsquerda, &QAbstractButton::clicked, [this] { sbtEsquerdaClick(sbtEsquerda); });
    Bind(sbtTudoEsq, &QAbstractButton::clicked, [this] { sbtTudoEsqClick(sbtTudoEsq); });
    Bind(cbbIdioma, &QComboBox::editTextChanged, [this] { cbbIdiomaChange(cbbIdioma); });
    // The connection's and the data sets' events are the assembly's to bind.
}
