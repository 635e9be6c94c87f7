#pragma once

#include <QHostAddress>
#include <QString>

// The address a peer is counted by in the door's budgets: its own for IPv4, its /64 for IPv6, since
// one host is commonly given a whole /64 and could otherwise pass for thousands of peers. An
// IPv4 address mapped into IPv6 counts as the IPv4 address.
QHostAddress peerKey(const QHostAddress& address);
// How the log names a key: "192.0.2.7", or "2001:db8:1:2::/64".
QString peerKeyName(const QHostAddress& key);
