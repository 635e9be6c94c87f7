#include "host/CaptureDriver.h"

#include "window/ControlNames.h"
#include "wire/RemoteMethods.h"

#include "components/NetConnection.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FailureHandling.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTextStream>

namespace {

template <typename T> T& control(QWidget& form, const QString& name) {
    auto* found = form.findChild<T*>(name);
    if (!found)
        throw Exception(QStringLiteral("The capture window has no control %1").arg(name));
    return *found;
}

} // namespace

CaptureDriver::CaptureDriver(QString directory, QString language, bool typed, FILE* progress)
    : directory_(std::move(directory)), language_(std::move(language)), typed_(typed), progress_(progress) {
    progressTimer_.setInterval(200);
    connect(&progressTimer_, &QTimer::timeout, this, &CaptureDriver::showProgress);
}

CaptureDriver::~CaptureDriver() {
    NetTrace::SetObserver({});
    NetTrace::SetAnswerObserver({});
}

void CaptureDriver::start() {
    // The entry shows the window modally: the driver runs inside that window's event loop.
    QTimer::singleShot(0, this, [this] { Toolkit::guarded([this] { drive(); }); });
}

void CaptureDriver::drive() {
    QWidget* form = QApplication::activeModalWidget();
    if (!form || form->objectName() != ControlNames::frmLeituraPocket)
        throw Exception(QStringLiteral("The module did not show the capture window"));
    form_ = form;
    try {
        drive(*form);
    } catch (...) {
        form->close();
        throw;
    }
    form->close();
}

void CaptureDriver::drive(QWidget& form) {
    auto& directoryField = control<QLineEdit>(form, ControlNames::edtDiretorio);
    auto& available = control<QListWidget>(form, ControlNames::lsbDisp);
    auto& selected = control<QListWidget>(form, ControlNames::lsbSelec);
    auto& languages = control<QComboBox>(form, ControlNames::cbbIdioma);
    auto& importButton = control<QAbstractButton>(form, ControlNames::sbtImportExport);
    auto& progress = control<QProgressBar>(form, ControlNames::pgbProgresso);

    if (typed_) {
        // Typing, then leaving the field: the window lists the directory's *.Dfm files.
        directoryField.setFocus();
        directoryField.setText(directory_);
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&directoryField, &leave);
    } else {
        control<QAbstractButton>(form, ControlNames::sbtDiretorio).click();
    }
    if (available.count() == 0)
        throw Exception(QStringLiteral("No form files (%1) in %2")
                            .arg(typed_ ? QStringLiteral("*.Dfm") : QStringLiteral("*.Ebf"), directory_));
    control<QAbstractButton>(form, ControlNames::sbtTudoDir).click();

    const int language =
        languages.findText(language_ + QLatin1Char('-'), Qt::MatchStartsWith | Qt::MatchCaseSensitive);
    if (language < 0) {
        QStringList known;
        for (int i = 0; i < languages.count(); ++i)
            known.append(languages.itemText(i));
        throw Exception(QStringLiteral("The server knows no language %1 (it knows: %2)")
                            .arg(language_, known.join(QStringLiteral(", "))));
    }
    languages.setCurrentIndex(language);
    if (!importButton.isEnabled())
        throw Exception(QStringLiteral("The capture window does not let the import start"));

    summary_.files = selected.count();
    NetTrace::SetObserver([this](const QString& method, const QJsonArray&) {
        if (method == RemoteMethods::kGetPropried)
            ++summary_.lookups;
    });
    // A row counts once the server has said it took it.
    NetTrace::SetAnswerObserver([this](const QString& method, const QJsonValue& result) {
        if (method == RemoteMethods::kSetPropried && result.toObject().value(QStringLiteral("ok")).toBool())
            ++summary_.inserted;
    });
    clock_.start();
    if (progress_)
        progressTimer_.start();
    importButton.click();
    progressTimer_.stop();
    if (progress_)
        QTextStream(progress_) << "\r\033[K" << Qt::flush;
    summary_.milliseconds = clock_.elapsed();
    summary_.lines = progress.maximum();
    completed_ = true;
}

void CaptureDriver::showProgress() {
    if (!form_ || !progress_)
        return;
    const auto* bar = form_->findChild<QProgressBar*>(ControlNames::pgbProgresso);
    if (!bar || bar->maximum() <= 0)
        return;
    const int percent = static_cast<int>(100LL * bar->value() / bar->maximum());
    const int filled = percent / 5;
    QTextStream(progress_) << "\r[" << QString(filled, QLatin1Char('#'))
                           << QString(20 - filled, QLatin1Char(' ')) << "] " << percent << "% "
                           << bar->value() << '/' << bar->maximum() << " lines, " << summary_.inserted
                           << " new" << Qt::flush;
}
