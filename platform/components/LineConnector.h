#pragma once

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

class QTcpSocket;

// One connection to the application server that carries lines ending in '\n': over TCP, over TLS
// (see TlsClient.h), or through a hook in place of a socket. What the lines mean is not its
// business. Its messages name the server as HOST:PORT of the last open.
class LineConnector {
public:
    // Takes one line and hands back the server's answer line: a server in the same process.
    using Transport = std::function<QByteArray(const QByteArray& line)>;

    struct Endpoint {
        QString host = {};
        int port = 0;
        bool tls = false;
        QString caFile = {}; // TLS: the CA certificates to trust instead of the system's
        int timeoutMs = 0;   // for the connect, and for each answer line
    };

    // The hook carries the lines instead of a socket while it is set. It is read at every open and
    // every line, so that its owner may change it on an open connection.
    explicit LineConnector(const Transport& transport);
    ~LineConnector();
    LineConnector(const LineConnector&) = delete;
    LineConnector& operator=(const LineConnector&) = delete;

    // Connects, or opens over the hook; ESocketError names host and port when that fails.
    void open(const Endpoint& endpoint);
    // Also after the server dropped the connection, so that it can be opened again.
    void close();
    bool isOpen() const;
    // isOpen, after taking in a close the server sent while nobody was reading.
    bool stillOpen();
    // ESocketError unless open.
    void requireOpen() const;
    QString where() const;

    // Hands line to the kernel, or to the hook. what names the line in messages. A failure closes
    // the connection.
    void writeLine(const QByteArray& line, const QString& what);
    // The next line the server sent, its '\n' included, waiting for it up to the endpoint's
    // timeout. A connection that fails or lets the wait end is closed.
    QByteArray readLine(const QString& what);

private:
    const Transport& transport_;
    Endpoint endpoint_;
    std::unique_ptr<QTcpSocket> socket_;
    bool hookOpen_ = false;
    std::deque<QByteArray> hookAnswers_; // what the hook answered, not yet read
};
