// echo_pair: the floor of one request/answer exchange over loopback TCP, with the same Qt socket
// calls the module's connection makes (TCP_NODELAY, write, waitForBytesWritten, waitForReadyRead
// until a whole line is in) against a second process that answers each line at once, as the
// application server's event loop does, but with no JSON and no database.
//
//   echo_pair --request-bytes A --answer-bytes B [--round-trips N] [--batches R]
// prints one JSON object: the median, minimum and maximum microseconds per round trip over R
// batches of N round trips, and the 99th percentile of the single round trips.
//
//   echo_pair --replay FILE --connect HOST:PORT [--batches R]
// does the same against a running server with the lines of FILE: the first line once, untimed
// (rpc.open), then the other lines in turn as one batch; it also tells the mean request and
// answer sizes, so that the echo can be run with them.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kTimeoutMs = 10000;

// Each message is one line of exactly the given size, line end included.
QByteArray lineOfSize(qsizetype bytes) {
    QByteArray line(std::max<qsizetype>(bytes, 1) - 1, 'x');
    line.append('\n');
    return line;
}

int serve(qsizetype answerBytes) {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "echo_pair: cannot listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QByteArray answer = lineOfSize(answerBytes);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server, answer] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, answer] {
                while (socket->canReadLine()) {
                    socket->readLine();
                    socket->write(answer);
                }
            });
            QObject::connect(socket, &QTcpSocket::disconnected, &server, [] { QCoreApplication::quit(); });
        }
    });
    std::printf("%d\n", server.serverPort());
    std::fflush(stdout);
    return QCoreApplication::exec();
}

qsizetype exchange(QTcpSocket& socket, const QByteArray& request) {
    if (socket.write(request) != request.size() || !socket.waitForBytesWritten(kTimeoutMs))
        throw std::runtime_error("cannot send");
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kTimeoutMs))
            throw std::runtime_error("no answer");
    }
    return socket.readLine().size();
}

QJsonObject timeBatches(QTcpSocket& socket, const QList<QByteArray>& requests, int batches) {
    std::vector<double> perBatch;
    std::vector<double> each; // every round trip of every batch
    qint64 requestBytes = 0;
    qint64 answerBytes = 0;
    for (const QByteArray& request : requests)
        requestBytes += request.size();
    for (int batch = 0; batch < batches; ++batch) {
        answerBytes = 0;
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        for (const QByteArray& request : requests) {
            answerBytes += exchange(socket, request);
            const qint64 now = clock.nsecsElapsed();
            each.push_back(static_cast<double>(now - last) / 1000.0);
            last = now;
        }
        perBatch.push_back(static_cast<double>(last) / 1000.0 / double(requests.size()));
    }
    std::vector<double> sorted = perBatch;
    std::sort(sorted.begin(), sorted.end());
    std::sort(each.begin(), each.end());
    QJsonArray batchesJson;
    for (double value : perBatch)
        batchesJson.append(value);
    const auto count = double(requests.size());
    return {{QStringLiteral("request_bytes"), double(requestBytes) / count},
            {QStringLiteral("answer_bytes"), double(answerBytes) / count},
            {QStringLiteral("round_trips_per_batch"), requests.size()},
            {QStringLiteral("median_us"), sorted[sorted.size() / 2]},
            {QStringLiteral("min_us"), sorted.front()},
            {QStringLiteral("max_us"), sorted.back()},
            {QStringLiteral("p99_us"), each[each.size() * 99 / 100]},
            {QStringLiteral("batches_us"), batchesJson}};
}

bool connectTo(QTcpSocket& socket, const QString& host, quint16 port) {
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(kTimeoutMs)) {
        std::fprintf(stderr, "echo_pair: cannot connect to %s:%u: %s\n", qPrintable(host), port,
                     qPrintable(socket.errorString()));
        return false;
    }
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

void print(const QJsonObject& result) {
    QTextStream(stdout) << QJsonDocument(result).toJson(QJsonDocument::Compact) << Qt::endl;
}

int measureEcho(qsizetype requestBytes, qsizetype answerBytes, int roundTrips, int batches) {
    QProcess echo;
    echo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    echo.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--serve"), QStringLiteral("--answer-bytes"), QString::number(answerBytes)});
    if (!echo.waitForReadyRead(kTimeoutMs)) {
        std::fprintf(stderr, "echo_pair: the echo process did not start\n");
        return 1;
    }
    QTcpSocket socket;
    if (!connectTo(socket, QStringLiteral("127.0.0.1"),
                   static_cast<quint16>(echo.readLine().trimmed().toUInt())))
        return 1;
    const QList<QByteArray> requests(roundTrips, lineOfSize(requestBytes));
    try {
        timeBatches(socket, requests.mid(0, std::min(roundTrips, 1000)), 1); // warm-up
        print(timeBatches(socket, requests, batches));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "echo_pair: %s: %s\n", failure.what(), qPrintable(socket.errorString()));
        return 1;
    }
    socket.disconnectFromHost();
    echo.waitForFinished(kTimeoutMs);
    return 0;
}

int replay(const QString& path, const QString& address, int batches) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "echo_pair: cannot read %s\n", qPrintable(path));
        return 1;
    }
    QList<QByteArray> requests;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (!line.endsWith('\n'))
            line.append('\n');
        requests.append(line);
    }
    const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
    QTcpSocket socket;
    if (requests.size() < 2 || colon < 0 ||
        !connectTo(socket, address.left(colon), static_cast<quint16>(address.mid(colon + 1).toUInt())))
        return 1;
    try {
        exchange(socket, requests.takeFirst());
        print(timeBatches(socket, requests, batches));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "echo_pair: %s: %s\n", failure.what(), qPrintable(socket.errorString()));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Loopback TCP round trip of one line each way, Qt sockets."));
    parser.addHelpOption();
    const QCommandLineOption serveOption(QStringLiteral("serve"), QStringLiteral("Be the echo side."));
    const QCommandLineOption requestOption(QStringLiteral("request-bytes"), QStringLiteral("Request size."),
                                           QStringLiteral("BYTES"), QStringLiteral("200"));
    const QCommandLineOption answerOption(QStringLiteral("answer-bytes"), QStringLiteral("Answer size."),
                                          QStringLiteral("BYTES"), QStringLiteral("600"));
    const QCommandLineOption tripsOption(QStringLiteral("round-trips"),
                                         QStringLiteral("Round trips per batch."), QStringLiteral("N"),
                                         QStringLiteral("20000"));
    const QCommandLineOption batchesOption(QStringLiteral("batches"), QStringLiteral("Batches."),
                                           QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption replayOption(QStringLiteral("replay"),
                                          QStringLiteral("Request lines to replay."), QStringLiteral("FILE"));
    const QCommandLineOption connectOption(
        QStringLiteral("connect"), QStringLiteral("Server to replay them to."), QStringLiteral("HOST:PORT"));
    parser.addOptions(
        {serveOption, requestOption, answerOption, tripsOption, batchesOption, replayOption, connectOption});
    parser.process(application);

    const qsizetype answerBytes = parser.value(answerOption).toLongLong();
    if (parser.isSet(serveOption))
        return serve(answerBytes);
    const int batches = std::max(1, parser.value(batchesOption).toInt());
    if (parser.isSet(replayOption))
        return replay(parser.value(replayOption), parser.value(connectOption), batches);
    const int roundTrips = std::max(1, parser.value(tripsOption).toInt());
    return measureEcho(parser.value(requestOption).toLongLong(), answerBytes, roundTrips, batches);
}
