#pragma once

#include <QString>

#include <optional>

// Where the application server is. The host application keeps the address in its settings;
// environment variables override the settings and the host's command line overrides both. The
// connection reads it afresh at every connect, so a change takes effect on the next window.
namespace ServerSettings {

constexpr int kDefaultPort = 21400;
inline constexpr const char* kDefaultHost = "127.0.0.1";

// Environment variables that override the stored settings.
inline constexpr const char* kHostVariable = "VDR_SERVER_HOST";
inline constexpr const char* kPortVariable = "VDR_SERVER_PORT";
inline constexpr const char* kTokenFileVariable = "VDR_SERVER_TOKEN_FILE";
// 1 or 0; set but empty counts as unset, and any other value as 1, so that a misspelt "off" never
// sends the token in clear text.
inline constexpr const char* kTlsVariable = "VDR_SERVER_TLS";
// A PEM file of CA certificates; naming one turns TLS on unless VDR_SERVER_TLS says otherwise.
inline constexpr const char* kCaFileVariable = "VDR_SERVER_CA";
// 1: an access token may go in clear text to a server off this machine (see plainTextRefusal).
// Only 1, true, yes or on mean so: a misspelling keeps the refusal.
inline constexpr const char* kPlainTextVariable = "VDR_SERVER_PLAINTEXT";

struct Address {
    QString host;
    int port = kDefaultPort;
    QString tokenFile; // empty: the server asks for no token
    // TLS, the server's certificate verified for host; otherwise plain TCP.
    bool tls = false;
    // With tls: the CA certificates (PEM) to trust instead of the system's; empty: the system's.
    QString caFile = {};
    // Plain TCP with a token to a server off this machine was asked for explicitly.
    bool plainText = false;
};

// The address as stored in the host's settings file, defaults filled in.
Address stored();
void store(const Address& address);

// Command-line overrides of the running host, each where given; they are not written to the
// settings file.
struct Override {
    std::optional<QString> host = std::nullopt;
    std::optional<int> port = std::nullopt;
    std::optional<QString> tokenFile = std::nullopt;
    std::optional<bool> tls = std::nullopt;
    std::optional<QString> caFile = std::nullopt;
    std::optional<bool> plainText = std::nullopt;
};
void setOverride(Override given);
void clearOverride();

// What a connect uses now: settings, then environment, then command line.
Address effective();

// True for "localhost" (any letter case) and addresses in 127.0.0.0/8 and ::1. Names are not
// resolved: any other name may lead off this machine, "localhost." (with the dot) included.
bool isLoopback(const QString& host);

// Why a connect to host must not go ahead: a token would go in clear text (no TLS) to a server
// that may be off this machine, and plain text was not asked for explicitly. Empty when it may.
QString plainTextRefusal(const QString& host, bool hasToken, bool tls, bool plainTextMeant);

} // namespace ServerSettings

// The server's host and port as the connection takes them before every connect.
QString WebURL();
int WebPort();
