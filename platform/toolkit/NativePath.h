#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names are the platform's own bytes, and not every name is UTF-8; Qt would turn the bytes it
// cannot decode into U+FFFD and the name would no longer open. These carry such a name through a
// QString and back unchanged: each byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC80 + (byte - 0x80), as Python's "surrogateescape" does. A valid UTF-8 name decodes as Qt
// decodes it.
namespace NativePath {

QString fromBytes(QByteArrayView bytes);

// The exact bytes fromBytes was given.
QByteArray toBytes(QStringView path);

// Whether the name is valid UTF-8, so that it decodes without an escaped byte.
bool isUtf8(QByteArrayView bytes);

// The name for people to read: each escaped byte as \xNN, the rest as it is.
QString shown(QStringView path);

} // namespace NativePath
