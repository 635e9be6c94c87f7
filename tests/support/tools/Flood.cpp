// flood: one client that sends lines to the application server as fast as its socket takes them,
// for the tests and benchmarks of the server's fairness.
//
//   flood HOST:PORT [--requests] [--no-read] [--seconds S]
//
// By default every line is garbage (not JSON), so each earns an error answer; --requests sends
// look-ups instead, after opening the server object. The answers are read and dropped as they come,
// unless --no-read. Prints "flooding" once the first lines are out, runs until killed or for S
// seconds, then prints "lines sent: N, answers: M".

#include "wire/RemoteMethods.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

QByteArray requestLine(int id, const QString& method, const QJsonValue& params) {
    const QJsonObject request{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                              {QStringLiteral("id"), id},
                              {QStringLiteral("method"), method},
                              {QStringLiteral("params"), params}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
}

// About 64 KiB of lines: what one write hands the kernel.
QByteArray block(bool requests) {
    QByteArray lines;
    for (int i = 0; lines.size() < 64 * 1024; ++i) {
        if (requests) {
            const QJsonArray params{
                QStringLiteral("FLOOD"),   QStringLiteral("FRMFLOOD"), QStringLiteral("LBL%1").arg(i),
                QStringLiteral("CAPTION"), QStringLiteral("0"),        QStringLiteral("Texto %1").arg(i),
                QStringLiteral("POR")};
            lines += requestLine(i + 2, RemoteMethods::kGetPropried, params);
        } else {
            lines += "garbage that is not a request, line " + QByteArray::number(i) + '\n';
        }
    }
    return lines;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Floods the application server with lines."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("address"), QStringLiteral("The server, HOST:PORT."));
    const QCommandLineOption requestsOption(QStringLiteral("requests"),
                                            QStringLiteral("Send look-ups, not garbage."));
    const QCommandLineOption noReadOption(QStringLiteral("no-read"),
                                          QStringLiteral("Never read the answers."));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("Stop after S seconds."),
                                           QStringLiteral("S"), QStringLiteral("0"));
    parser.addOptions({requestsOption, noReadOption, secondsOption});
    parser.process(application);
    const QStringList positional = parser.positionalArguments();
    const qsizetype colon = positional.value(0).lastIndexOf(QLatin1Char(':'));
    if (positional.size() != 1 || colon < 0)
        parser.showHelp(2);

    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    std::signal(SIGINT, [](int) { stopRequested = 1; });

    QTcpSocket socket;
    socket.connectToHost(positional[0].left(colon),
                         static_cast<quint16>(positional[0].mid(colon + 1).toUInt()));
    if (!socket.waitForConnected(10000)) {
        std::fprintf(stderr, "flood: cannot connect: %s\n", qPrintable(socket.errorString()));
        return 1;
    }
    const bool requests = parser.isSet(requestsOption);
    const bool read = !parser.isSet(noReadOption);
    if (requests) {
        socket.write(requestLine(1, RemoteMethods::kOpen,
                                 QJsonObject{{QStringLiteral("serverName"), RemoteMethods::kServerName}}));
    }
    const QByteArray lines = block(requests);
    const qint64 linesPerBlock = lines.count('\n');
    const qint64 seconds = parser.value(secondsOption).toLongLong();
    QElapsedTimer clock;
    clock.start();
    qint64 sent = 0;
    qint64 answers = 0;
    while (!stopRequested && socket.state() == QAbstractSocket::ConnectedState &&
           (seconds <= 0 || clock.elapsed() < seconds * 1000)) {
        if (socket.bytesToWrite() < lines.size()) {
            socket.write(lines);
            if (sent == 0) {
                std::printf("flooding\n");
                std::fflush(stdout);
            }
            sent += linesPerBlock;
        }
        socket.waitForBytesWritten(10);
        // Waiting for the writes may already have read answers into the buffer, and then
        // waitForReadyRead reports nothing new: take what is there every time round.
        if (read) {
            socket.waitForReadyRead(0);
            answers += socket.readAll().count('\n');
        }
    }
    std::printf("lines sent: %lld, answers: %lld\n", static_cast<long long>(sent),
                static_cast<long long>(answers));
    return 0;
}
