#pragma once

#include "cmdline/CommandLine.h"
#include "host/TlsOptions.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The capture command's command line:
//   capture --language CODE [--check [--fail-on-removed]] [--report FILE]... [--annotations github]
//           [--server HOST:PORT] [--tls] [--ca-file FILE] [--plain-text] [--yes] [--typed] DIRECTORY...
class CaptureOptions : public CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CaptureOptions)

public:
    static CaptureOptions parse(const QStringList& arguments);
    // The command line as the platform gave it, each argument through NativePath:
    // QCoreApplication::arguments() turns the bytes of a name that is not UTF-8 into U+FFFD, and
    // the directory it named could no longer be found.
    static QStringList arguments(int argc, const char* const* argv);

    const QString& language() const { return language_; }
    // In the order given, each in one spelling (cleaned; a directory named twice, the first one's):
    // their files are listed and selected in turn.
    const QStringList& directories() const { return directories_; }
    // Look up every caption but store nothing; the exit status tells whether any is new.
    bool check() const { return check_; }
    // A check exits as when it finds new captions also when stored rows are no longer in the forms.
    bool failOnRemoved() const { return failOnRemoved_; }
    // Where to write the reports, each in the format its extension names; empty for none.
    const QStringList& reportPaths() const { return reportPaths_; }
    // Print each finding as a GitHub Actions annotation before the summary.
    bool githubAnnotations() const { return githubAnnotations_; }
    bool answerYes() const { return answerYes_; }
    // Name the directory by typing it into the field (its *.Dfm files) instead of choosing it in
    // the directory dialog (its *.Ebf files).
    bool typed() const { return typed_; }
    // --server HOST:PORT, --tls, --ca-file FILE, --plain-text.
    const ServerOverride& server() const { return server_; }

    // Makes --server and the TLS options what the run's connects use, without saving them.
    void applyServerOverride() const { server_.apply(); }

private:
    // The options of a line that parsed; whether it is still a run.
    bool read(const QCommandLineParser& parser);
    // The DIRECTORY arguments, each in one spelling; whether they all name readable directories.
    bool readDirectories(const QStringList& paths);

    QString language_;
    QStringList directories_;
    bool check_ = false;
    bool failOnRemoved_ = false;
    QStringList reportPaths_;
    bool githubAnnotations_ = false;
    bool answerYes_ = false;
    bool typed_ = false;
    ServerOverride server_;
};
