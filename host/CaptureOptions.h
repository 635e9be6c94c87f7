#pragma once

#include "host/TlsOptions.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// The capture command's command line:
//   capture --language CODE [--check [--fail-on-removed]] [--report FILE] [--server HOST:PORT] [--tls]
//   [--ca-file FILE]
//           [--yes] [--typed] DIRECTORY...
class CaptureOptions {
    Q_DECLARE_TR_FUNCTIONS(CaptureOptions)

public:
    enum class Request { Run, ShowHelp, ShowVersion, UsageError };

    static CaptureOptions parse(const QStringList& arguments);
    // The command line as the platform gave it, each argument through NativePath:
    // QCoreApplication::arguments() turns the bytes of a name that is not UTF-8 into U+FFFD, and
    // the directory it named could no longer be found.
    static QStringList arguments(int argc, const char* const* argv);

    Request request() const { return request_; }
    const QString& usageError() const { return usageError_; }
    const QString& helpText() const { return helpText_; }

    const QString& language() const { return language_; }
    // In the order given, each in one spelling (cleaned; a directory named twice, the first one's):
    // their files are listed and selected in turn.
    const QStringList& directories() const { return directories_; }
    // Look up every caption but store nothing; the exit status tells whether any is new.
    bool check() const { return check_; }
    // A check exits as when it finds new captions also when stored rows are no longer in the forms.
    bool failOnRemoved() const { return failOnRemoved_; }
    // Where to write the report; empty for none.
    const QString& reportPath() const { return reportPath_; }
    bool answerYes() const { return answerYes_; }
    // Name the directory by typing it into the field (its *.Dfm files) instead of choosing it in
    // the directory dialog (its *.Ebf files).
    bool typed() const { return typed_; }
    const std::optional<QString>& serverHost() const { return serverHost_; }
    const std::optional<int>& serverPort() const { return serverPort_; }
    const TlsOptions& tls() const { return tls_; }

    // Makes --server, --tls and --ca-file what the run's connects use, without saving them.
    void applyServerOverride() const;

private:
    Request request_ = Request::Run;
    QString usageError_;
    QString helpText_;
    QString language_;
    QStringList directories_;
    bool check_ = false;
    bool failOnRemoved_ = false;
    QString reportPath_;
    bool answerYes_ = false;
    bool typed_ = false;
    std::optional<QString> serverHost_;
    std::optional<int> serverPort_;
    TlsOptions tls_;
};
