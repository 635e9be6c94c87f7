#include "baseform/PadrImportExport.h"

#include "components/GlyphBitmap.h"
#include "widgets/Screen.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace {

// An arrow entering a tray: the import action.
QPixmap importPicture() {
    return MakeGlyph([](QPainter& p, const QColor& ink, bool enabled) {
        p.setPen(ink);
        p.drawRect(2, 9, 11, 5);
        p.fillRect(3, 10, 10, 4, enabled ? QColor(255, 255, 0) : ink);
        p.fillRect(7, 1, 3, 6, enabled ? QColor(0, 128, 0) : ink);
        const QPoint head[] = {{4, 6}, {12, 6}, {8, 10}};
        p.setBrush(enabled ? QColor(0, 128, 0) : ink);
        p.drawPolygon(head, 3);
    });
}

} // namespace

TfrmPadrImportExport::TfrmPadrImportExport(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
    grbDadosRel = new QGroupBox(this);
    grbDadosRel->setObjectName(QStringLiteral("grbDadosRel"));

    panMenu = new TPanel(this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    panMenu->resize(55, 254);

    panBotoes = new TPanel(panMenu);
    panBotoes->setObjectName(QStringLiteral("panBotoes"));
    panBotoes->resize(55, 48);
    panBotoes->SetBevelOuter(TBevel::bvNone);

    sbtImportExport = new TButtonFlat(panBotoes);
    sbtImportExport->setObjectName(QStringLiteral("sbtImportExport"));
    sbtImportExport->setGeometry(1, 1, 53, 22);
    sbtImportExport->setToolTip(QStringLiteral("Importar"));

    sbtCancel = new TButtonFlat(panBotoes);
    sbtCancel->setObjectName(QStringLiteral("sbtCancel"));
    sbtCancel->setGeometry(1, 23, 53, 22);
    sbtCancel->setToolTip(QStringLiteral("Cancelar"));
    sbtCancel->SetGlyph(MakeGlyph([](QPainter& p, const QColor& ink, bool enabled) {
        p.setPen(QPen(enabled ? QColor(255, 0, 0) : ink, 2));
        p.drawLine(4, 4, 12, 12);
        p.drawLine(12, 4, 4, 12);
    }));

    lblCodTela = new QLabel(QStringLiteral("CODTELA"), panMenu);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblCodTela->setGeometry(1, 236, 53, 13);

    imgImportExport = new QLabel(panMenu);
    imgImportExport->setObjectName(QStringLiteral("imgImportExport"));
    imgImportExport->setPixmap(importPicture());
    imgImportExport->hide();

    panProgresso = new TPanel(this);
    panProgresso->setObjectName(QStringLiteral("panProgresso"));
    panProgresso->resize(555, 40);

    pgbProgresso = new TProgressBar(panProgresso);
    pgbProgresso->setObjectName(QStringLiteral("pgbProgresso"));
    pgbProgresso->setGeometry(1, 21, 553, 18);
    pgbProgresso->setRange(0, 100);
    pgbProgresso->setValue(0);
    pgbProgresso->setTextVisible(false);

    SetAlign(panProgresso, TAlign::alBottom);
    SetAlign(panMenu, TAlign::alRight);
    SetAlign(panBotoes, TAlign::alTop);
    SetAlign(grbDadosRel, TAlign::alClient);

    Bind(sbtCancel, &QAbstractButton::clicked, [this] { sbtCancelClick(); });
}

void TfrmPadrImportExport::DoCreate() {
    RealignChildren(this);
    FormCreate();
}

void TfrmPadrImportExport::FormClose(TCloseAction& action) {
    action = TCloseAction::caFree;
}

void TfrmPadrImportExport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window restored from the task bar is shown again by the window system: whatever keeps
    // the user waiting then (a run) is still going on and keeps its cursor.
    if (!event->spontaneous())
        Screen::SetCursor(crDefault);
}

void TfrmPadrImportExport::closeEvent(QCloseEvent* event) {
    TCloseAction action = TCloseAction::caHide;
    bool failed = true;
    RunHandler([&] {
        FormClose(action);
        failed = false;
    });
    if (failed || action == TCloseAction::caNone) {
        event->ignore();
        return;
    }
    event->accept();
    if (action == TCloseAction::caFree && !released_) {
        released_ = true;
        releasePending_ = true;
        // A handler of this window may be the one that asked for the close: it goes first.
        if (handlerDepth_ == 0)
            releaseIfPending();
    }
    if (action == TCloseAction::caMinimize) {
        event->ignore();
        showMinimized();
        return;
    }
    QDialog::done(QDialog::Rejected);
}

void TfrmPadrImportExport::releaseIfPending() {
    if (!releasePending_)
        return;
    releasePending_ = false;
    deleteLater();
}

void TfrmPadrImportExport::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    RealignChildren(this);
}

void TfrmPadrImportExport::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmPadrImportExport::reject() {
    close();
}
