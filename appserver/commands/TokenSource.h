#pragma once

#include "appserver/rpc/AccessToken.h"

#include <QString>

#include <optional>

// The token the server requires. Never taken from the command line, where every user of the
// machine could read it in the process list.
struct ConfiguredToken {
    AccessToken token;
    QString file;    // for the log: the token file it came from; empty when from APPSERVER_TOKEN or none
    QString warning; // for the log: a weakness of how it is kept; usually empty
};

// Fewer characters than this refuse the start. Characters are Unicode code points: an emoji counts
// as one, a letter with a combining accent as two.
inline constexpr qsizetype kMinTokenChars = 16;

// From the file tokenFile when given (read once, UTF-8, surrounding blanks removed, as clients
// keep it), else from environmentValue (APPSERVER_TOKEN) when set, else none. Nothing when the
// file cannot be read or holds only blanks, or the variable holds only blanks, or the token has
// fewer than kMinTokenChars characters; whyNot tells why.
std::optional<ConfiguredToken> loadToken(const QString& tokenFile,
                                         const std::optional<QString>& environmentValue, QString* whyNot);
