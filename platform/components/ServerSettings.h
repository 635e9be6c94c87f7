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

struct Address {
    QString host;
    int port = kDefaultPort;
    QString tokenFile; // empty: the server asks for no token
};

// The address as stored in the host's settings file, defaults filled in.
Address stored();
void store(const Address& address);

// Command-line overrides of the running host; they are not written to the settings file.
void setOverride(std::optional<QString> host, std::optional<int> port, std::optional<QString> tokenFile = {});
void clearOverride();

// What a connect uses now: settings, then environment, then command line.
Address effective();

} // namespace ServerSettings

// The server's host and port as the connection takes them before every connect.
QString WebURL();
int WebPort();
