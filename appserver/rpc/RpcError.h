#pragma once

#include <QString>

#include <stdexcept>

// JSON-RPC error codes of docs/protocol.md.
namespace RpcCode {
constexpr int ParseError = -32700;
constexpr int InvalidRequest = -32600;
constexpr int MethodNotFound = -32601;
constexpr int InvalidParams = -32602;
constexpr int InternalError = -32603;
constexpr int UnknownServer = -32001; // also a missing or wrong token
constexpr int NotOpen = -32002;
constexpr int TooManyConnections = -32003;
constexpr int TlsRequired = -32004;    // a plain-text request to a server that serves TLS only
constexpr int AnswerTooLarge = -32005; // the answer would pass the output limit
} // namespace RpcCode

// A protocol fault, answered as a JSON-RPC error rather than a result object. The message is part
// of the answer and stays in English, whatever the server's locale.
class RpcError : public std::runtime_error {
public:
    RpcError(int code, const QString& message) : std::runtime_error(message.toStdString()), code_(code) {}
    int code() const { return code_; }
    QString message() const { return QString::fromStdString(what()); }

private:
    int code_;
};
