#include "components/LineConnector.h"

#include "components/TlsClient.h"
#include "toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QSslSocket>
#include <QTcpSocket>

// The messages keep the translation context of the connection they are raised for.
namespace {
// Answers can carry a packet of many 4,000-character values; anything beyond this is not ours.
constexpr qint64 kMaxLine = 64 * 1024 * 1024;
} // namespace

LineConnector::LineConnector(const Transport& transport) : transport_(transport) {}

LineConnector::~LineConnector() = default;

QString LineConnector::where() const {
    return QStringLiteral("%1:%2").arg(endpoint_.host).arg(endpoint_.port);
}

void LineConnector::open(const Endpoint& endpoint) {
    endpoint_ = endpoint;
    const auto port = static_cast<quint16>(endpoint.port);
    if (transport_) {
        hookOpen_ = true;
    } else if (endpoint.tls) {
        socket_ = connectVerified(endpoint.host, port, endpoint.caFile, endpoint.timeoutMs, where());
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    } else {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(endpoint.host, port);
        if (!socket->waitForConnected(endpoint.timeoutMs))
            throw ESocketError(QCoreApplication::translate(
                                   "NetConnection", "Cannot connect to the application server at %1: %2")
                                   .arg(where(), socket->errorString()));
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket_ = std::move(socket);
    }
}

void LineConnector::close() {
    hookOpen_ = false;
    hookAnswers_.clear();
    if (!socket_)
        return;
    socket_->disconnectFromHost();
    if (socket_->state() != QAbstractSocket::UnconnectedState)
        socket_->waitForDisconnected(1000);
    socket_.reset();
}

bool LineConnector::isOpen() const {
    if (transport_)
        return hookOpen_;
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

bool LineConnector::stillOpen() {
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState && socket_->bytesAvailable() == 0)
        socket_->waitForReadyRead(0);
    return isOpen();
}

void LineConnector::requireOpen() const {
    if (!isOpen())
        throw ESocketError(QCoreApplication::translate(
                               "NetConnection", "The connection to the application server at %1 is not open")
                               .arg(where()));
}

void LineConnector::writeLine(const QByteArray& line, const QString& what) {
    if (transport_) {
        hookAnswers_.push_back(transport_(line));
        return;
    }
    // Handed to the kernel at once, without waiting for it to go out: with lines in flight the
    // server may be writing answers meanwhile, and waiting here without reading them could wait
    // for good. Whatever the kernel cannot take yet goes out while the answers are awaited.
    if (socket_->write(line) != line.size()) {
        const QString why = socket_->errorString();
        close();
        throw ESocketError(
            QCoreApplication::translate("NetConnection", "Cannot send %1 to the application server at %2: %3")
                .arg(what, where(), why));
    }
    socket_->flush();
}

QByteArray LineConnector::readLine(const QString& what) {
    if (transport_) {
        QByteArray answer = std::move(hookAnswers_.front());
        hookAnswers_.pop_front();
        return answer;
    }
    while (!socket_->canReadLine()) {
        if (socket_->bytesAvailable() > kMaxLine) {
            close(); // the rest of the line would be read as the next one
            throw ESocketError(
                QCoreApplication::translate("NetConnection", "The answer to %1 from %2 is too large")
                    .arg(what, where()));
        }
        if (!socket_->waitForReadyRead(endpoint_.timeoutMs)) {
            const QString reason = socket_->state() == QAbstractSocket::ConnectedState
                                       ? QCoreApplication::translate("NetConnection", "no answer within %1 s")
                                             .arg(endpoint_.timeoutMs / 1000)
                                       : socket_->errorString();
            // The wait fails; the connection can be opened again, as after a close while idle, so
            // that a server that was restarted serves again without a new window.
            close();
            throw ESocketError(QCoreApplication::translate(
                                   "NetConnection", "The application server at %1 did not answer %2: %3")
                                   .arg(where(), what, reason));
        }
    }
    return socket_->readLine();
}
