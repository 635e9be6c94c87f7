#pragma once

#include <QJsonObject>
#include <QJsonValue>

// The check every server answer passes before it is used: raises EServerError when the result
// reports a failure or carries no data packet, and otherwise returns the packet. The flag asks
// for the failure to be raised (every caller here passes true); the number selects no variant
// of the check yet and is kept for callers that pass one.
QJsonObject CheckResultServ(const QJsonValue& result, bool raise, int number);
