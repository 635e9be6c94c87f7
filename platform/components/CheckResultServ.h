#pragma once

#include <QJsonObject>
#include <QJsonValue>

// The check every server answer passes before it is used: raises EServerError when the result
// reports a failure or carries no data packet, and otherwise returns the packet. The flag asks
// for the failure to be raised (every caller here passes true); the number callers pass selects
// nothing, as there is one check.
QJsonObject CheckResultServ(const QJsonValue& result, bool raise, int number);
