#pragma once

#include "components/ServerSettings.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QSpinBox;
class QWidget;

// Edits the application server's address as the host saves it. It only shows and returns the
// address; the caller decides what to do with it.
class ServerSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // inUse is what connects use now; when the command line or the environment make it differ
    // from saved, the dialog says so, since saving then changes nothing until they are gone.
    ServerSettingsDialog(const ServerSettings::Address& saved, const ServerSettings::Address& inUse,
                         QWidget* parent = nullptr);

    ServerSettings::Address address() const;

private:
    void chooseTokenFile();
    void chooseCaFile();
    void updateAcceptable();

    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* tokenFile_;
    QCheckBox* tls_;
    QLineEdit* caFile_;
    QWidget* caFileRow_; // the field and its button, of use only with TLS
    QDialogButtonBox* buttons_;
};
