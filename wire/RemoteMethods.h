#pragma once

#include <QString>

// The server object the capture module opens, and its remote methods by name.
namespace RemoteMethods {

inline const QString kServerName = QStringLiteral("Vdr04000.rdmImpPocket");
// The first request of a connection: opens a server object by name.
inline const QString kOpen = QStringLiteral("rpc.open");

inline const QString kGetIdiLeDfm = QStringLiteral("GetIdiLeDfm");
inline const QString kGetPropried = QStringLiteral("GetPropried");
inline const QString kGetVersao = QStringLiteral("GetVersao");
inline const QString kSetPropried = QStringLiteral("SetPropried");
inline const QString kSetVerProp = QStringLiteral("SetVerProp");
inline const QString kSetVersao = QStringLiteral("SetVersao");
// Read-only: one page of the stored rows of one program in one language, for the capture command.
inline const QString kGetProgramRows = QStringLiteral("GetProgramRows");

} // namespace RemoteMethods
