#include "host/MainWindow.h"

#include "host/ModuleLoader.h"
#include "host/ServerSettingsDialog.h"

#include "components/ServerSettings.h"
#include "toolkit/FailureHandling.h"
#include "widgets/Application.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

namespace {
QString describe(const ServerSettings::Address& address) {
    // IPv6 addresses are bracketed so that the port stays readable.
    const QString host = address.host.contains(QLatin1Char(':'))
                             ? QLatin1Char('[') + address.host + QLatin1Char(']')
                             : address.host;
    QString text = MainWindow::tr("Servidor de aplicação: %1:%2").arg(host, QString::number(address.port));
    if (address.tls)
        text += MainWindow::tr(" com TLS");
    if (!address.tokenFile.isEmpty())
        text += MainWindow::tr(" (token: %1)").arg(address.tokenFile);
    return text;
}
} // namespace

MainWindow::MainWindow(ModuleLoader& module, QWidget* parent)
    : QMainWindow(parent), module_(module), serverAddress_(new QLabel) {
    setWindowTitle(tr("Vdr - Tradutor"));
    resize(800, 500);

    auto* welcome = new QLabel(tr("<h2>Vdr - Tradutor</h2>"
                                  "<p>Captura da tabela de tradução.</p>"
                                  "<p>Abra a leitura dos arquivos pelo menu <b>Módulos</b>.</p>"));
    welcome->setAlignment(Qt::AlignCenter);
    setCentralWidget(welcome);

    serverAddress_->setObjectName(QStringLiteral("serverAddress"));
    statusBar()->addWidget(serverAddress_);
    createMenus();
    refreshServerAddress();

    // The module's windows take the main form as their owner.
    Application::SetMainForm(this);
}

void MainWindow::createMenus() {
    QMenu* modules = menuBar()->addMenu(tr("&Módulos"));
    QAction* capture = modules->addAction(tr("Leitura dos Arquivos Pocket (ebf´s)..."));
    capture->setObjectName(QStringLiteral("actionCapture"));
    connect(capture, &QAction::triggered, this, &MainWindow::openCapture);

    QMenu* settings = menuBar()->addMenu(tr("&Configurações"));
    QAction* server = settings->addAction(tr("Servidor de aplicação..."));
    server->setObjectName(QStringLiteral("actionServerSettings"));
    connect(server, &QAction::triggered, this, &MainWindow::editServerSettings);

    QAction* quit = menuBar()->addAction(tr("&Sair"));
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::openCapture() {
    Toolkit::guarded([this] { module_.runEntry(); });
}

void MainWindow::editServerSettings() {
    Toolkit::guarded([this] {
        ServerSettingsDialog dialog(ServerSettings::stored(), ServerSettings::effective(), this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        ServerSettings::store(dialog.address());
        refreshServerAddress();
    });
}

void MainWindow::refreshServerAddress() {
    serverAddress_->setText(describe(ServerSettings::effective()));
}
