#pragma once

#include <QString>
#include <stdexcept>

// The one failure hierarchy of the platform and the module. Messages are kept as UTF-8 so that
// std::exception::what() stays usable; message() gives them back as text for the screen.
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// An operation the user ended: the default failure handling stays silent about it.
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

// Data set misuse or a value that does not fit its field.
class EDatabaseError : public Exception {
    using Exception::Exception;
};

// Text that cannot be represented in the module's code page, or a malformed value.
class EConvertError : public Exception {
    using Exception::Exception;
};

// Files and streams.
class EStreamError : public Exception {
    using Exception::Exception;
};

// The link to the application server: connect, transport and protocol failures.
class ESocketError : public Exception {
    using Exception::Exception;
};

// A failure the application server reported for a remote call.
class EServerError : public Exception {
    using Exception::Exception;
};
