#pragma once

#include <QString>

#include <stdexcept>

// Why a server object's method did not give a result. The dispatcher answers each kind with its
// own JSON-RPC error; the message is part of that answer and stays in English.
class CallError : public std::runtime_error {
public:
    enum class Kind {
        UnknownMethod,
        BadArguments,
        DatabaseFailed, // the message is the driver's, possibly over several lines
        AnswerTooLarge, // what is stored would make an answer past the server's output limit
    };

    CallError(Kind kind, const QString& message) : std::runtime_error(message.toStdString()), kind_(kind) {}
    Kind kind() const { return kind_; }
    QString message() const { return QString::fromStdString(what()); }

private:
    Kind kind_;
};
