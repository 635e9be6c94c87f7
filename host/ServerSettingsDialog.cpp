#include "host/ServerSettingsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// Wide enough to show its placeholder whole: it says what an empty field means. The text gets
// the field's width less its frame, its text margins and the 2 pixels a line edit keeps on each side.
void fitPlaceholder(QLineEdit* field) {
    const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field);
    const QMargins margins = field->textMargins();
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(field->placeholderText()) + 2 * frame +
                           margins.left() + margins.right() + 2 * 2 + 1);
}

bool sameAddress(const ServerSettings::Address& a, const ServerSettings::Address& b) {
    return a.host == b.host && a.port == b.port && a.tokenFile == b.tokenFile && a.tls == b.tls &&
           a.caFile == b.caFile;
}
} // namespace

ServerSettingsDialog::ServerSettingsDialog(const ServerSettings::Address& saved,
                                           const ServerSettings::Address& inUse, QWidget* parent)
    : QDialog(parent), host_(new QLineEdit(saved.host)), port_(new QSpinBox),
      tokenFile_(new QLineEdit(saved.tokenFile)), tls_(new QCheckBox(tr("Use TLS"))),
      caFile_(new QLineEdit(saved.caFile)), caFileRow_(new QWidget),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel)) {
    setWindowTitle(tr("Application Server"));
    host_->setObjectName(QStringLiteral("host"));
    port_->setObjectName(QStringLiteral("port"));
    tokenFile_->setObjectName(QStringLiteral("tokenFile"));
    port_->setRange(1, 65535);
    port_->setValue(saved.port);
    tokenFile_->setPlaceholderText(tr("none: the server asks for no token"));
    tls_->setObjectName(QStringLiteral("tls"));
    tls_->setChecked(saved.tls);
    tls_->setToolTip(
        tr("Encrypted connection; the server's certificate is verified before the token is sent"));
    caFile_->setObjectName(QStringLiteral("caFile"));
    caFile_->setPlaceholderText(tr("none: the system's certificates"));
    fitPlaceholder(tokenFile_);
    fitPlaceholder(caFile_);

    auto* browse = new QToolButton;
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(tr("Choose the token file"));
    auto* tokenRow = new QHBoxLayout;
    tokenRow->addWidget(tokenFile_);
    tokenRow->addWidget(browse);

    auto* browseCa = new QToolButton;
    browseCa->setText(QStringLiteral("..."));
    browseCa->setToolTip(tr("Choose the file of CA certificates"));
    auto* caRow = new QHBoxLayout(caFileRow_);
    caRow->setContentsMargins(0, 0, 0, 0);
    caRow->addWidget(caFile_);
    caRow->addWidget(browseCa);

    auto* form = new QFormLayout;
    form->addRow(tr("Address:"), host_);
    form->addRow(tr("Port:"), port_);
    form->addRow(tr("Token file:"), tokenRow);
    form->addRow(QString(), tls_);
    form->addRow(tr("CA certificates:"), caFileRow_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    if (!sameAddress(saved, inUse)) {
        auto* note = new QLabel(tr("In use now: %1:%2, %3. The command line or an environment variable "
                                   "takes precedence over the address saved here.")
                                    .arg(inUse.host, QString::number(inUse.port),
                                         inUse.tls ? tr("with TLS") : tr("without TLS")));
        note->setObjectName(QStringLiteral("overrideNote"));
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    layout->addWidget(buttons_);

    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QToolButton::clicked, this, &ServerSettingsDialog::chooseTokenFile);
    connect(browseCa, &QToolButton::clicked, this, &ServerSettingsDialog::chooseCaFile);
    connect(tls_, &QCheckBox::toggled, caFileRow_, &QWidget::setEnabled);
    connect(host_, &QLineEdit::textChanged, this, &ServerSettingsDialog::updateAcceptable);
    caFileRow_->setEnabled(saved.tls);
    updateAcceptable();
}

ServerSettings::Address ServerSettingsDialog::address() const {
    ServerSettings::Address address;
    address.host = host_->text().trimmed();
    address.port = port_->value();
    address.tokenFile = tokenFile_->text().trimmed();
    address.tls = tls_->isChecked();
    address.caFile = caFile_->text().trimmed();
    return address;
}

void ServerSettingsDialog::chooseTokenFile() {
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Token File"), tokenFile_->text());
    if (!chosen.isEmpty())
        tokenFile_->setText(chosen);
}

void ServerSettingsDialog::chooseCaFile() {
    const QString chosen = QFileDialog::getOpenFileName(this, tr("CA Certificates"), caFile_->text(),
                                                        tr("PEM certificates (*.pem *.crt);;All files (*)"));
    if (!chosen.isEmpty())
        caFile_->setText(chosen);
}

void ServerSettingsDialog::updateAcceptable() {
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!host_->text().trimmed().isEmpty());
}
