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
    const QString port = QString::number(address.port);
    // Each combination a whole sentence, so that a translation can order it as its language needs.
    if (address.tokenFile.isEmpty())
        return address.tls ? MainWindow::tr("Application server: %1:%2 with TLS").arg(host, port)
                           : MainWindow::tr("Application server: %1:%2").arg(host, port);
    return address.tls
               ? MainWindow::tr("Application server: %1:%2 with TLS (token: %3)")
                     .arg(host, port, address.tokenFile)
               : MainWindow::tr("Application server: %1:%2 (token: %3)").arg(host, port, address.tokenFile);
}
} // namespace

MainWindow::MainWindow(ModuleLoader& module, QWidget* parent)
    : QMainWindow(parent), module_(module), serverAddress_(new QLabel) {
    // The product's name, the same in every language.
    setWindowTitle(QStringLiteral("Vdr - Tradutor"));
    resize(800, 500);

    auto* welcome = new QLabel(tr("<h2>Vdr - Tradutor</h2>"
                                  "<p>Translation table capture.</p>"
                                  "<p>Open the reading of the files from the <b>Modules</b> menu.</p>"));
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
    QMenu* modules = menuBar()->addMenu(tr("&Modules"));
    QAction* capture = modules->addAction(tr("Pocket Files Reading (ebf's)..."));
    capture->setObjectName(QStringLiteral("actionCapture"));
    connect(capture, &QAction::triggered, this, &MainWindow::openCapture);

    QMenu* settings = menuBar()->addMenu(tr("&Settings"));
    QAction* server = settings->addAction(tr("Application Server..."));
    server->setObjectName(QStringLiteral("actionServerSettings"));
    connect(server, &QAction::triggered, this, &MainWindow::editServerSettings);

    QAction* quit = menuBar()->addAction(tr("&Quit"));
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
