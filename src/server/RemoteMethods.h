#pragma once

#include <QString>

// The remote methods of the server object "Vdr04000.rdmImpPocket".
namespace RemoteMethods {

inline const QString kServerName = QStringLiteral("Vdr04000.rdmImpPocket");

inline const QString kGetIdiLeDfm = QStringLiteral("GetIdiLeDfm");
inline const QString kGetPropried = QStringLiteral("GetPropried");
inline const QString kGetVersao = QStringLiteral("GetVersao");
inline const QString kSetPropried = QStringLiteral("SetPropried");
inline const QString kSetVerProp = QStringLiteral("SetVerProp");
inline const QString kSetVersao = QStringLiteral("SetVersao");

} // namespace RemoteMethods
