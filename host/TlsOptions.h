#pragma once

#include <QCoreApplication>
#include <QString>

#include <optional>

class QCommandLineParser;

// --tls and --ca-file FILE, as both host executables take them: connect to the application server
// over TLS for this run, trusting the system's CA certificates, or only those in FILE (which
// implies --tls). Neither given, the settings and the environment decide. --plain-text: send a
// token without TLS to a server off this machine all the same, which is otherwise refused.
struct TlsOptions {
    Q_DECLARE_TR_FUNCTIONS(TlsOptions)

public:
    std::optional<bool> tls;
    std::optional<QString> caFile; // absolute
    // --plain-text: a token may go in clear text to a server off this machine.
    std::optional<bool> plainText;

    static void addTo(QCommandLineParser& parser);
    // What the parser found; nothing, with whyNot, when --ca-file names no file that can be read.
    static std::optional<TlsOptions> read(const QCommandLineParser& parser, QString* whyNot);
};

// The server both host executables connect to for this run in place of the saved settings:
// --server HOST:PORT (each declares it with its own help) and the TLS options.
struct ServerOverride {
    // --server; both set or neither.
    std::optional<QString> host;
    std::optional<int> port;
    TlsOptions tls;

    // Takes what the parser found. False, with whyNot, when --server is no HOST:PORT with a port
    // from 1 to 65535 (whyNot is then badServer, %1 the value) or the TLS options cannot be used.
    bool read(const QCommandLineParser& parser, const QString& badServer, QString* whyNot);
    // Makes these what every connect of this process uses, without saving them.
    void apply() const;
};
