#pragma once

#include <QString>

// The object names of the capture window and of the controls its users reach by name: the
// capture command plays the user's part through them, and the tests find controls by them.
namespace ControlNames {

inline const QString frmLeituraPocket = QStringLiteral("frmLeituraPocket");

inline const QString edtDiretorio = QStringLiteral("edtDiretorio");
inline const QString sbtDiretorio = QStringLiteral("sbtDiretorio");
inline const QString lsbDisp = QStringLiteral("lsbDisp");
inline const QString lsbSelec = QStringLiteral("lsbSelec");
inline const QString sbtDireita = QStringLiteral("sbtDireita");
inline const QString sbtTudoDir = QStringLiteral("sbtTudoDir");
inline const QString sbtEsquerda = QStringLiteral("sbtEsquerda");
inline const QString sbtTudoEsq = QStringLiteral("sbtTudoEsq");
inline const QString cbbIdioma = QStringLiteral("cbbIdioma");
inline const QString lblStatus = QStringLiteral("lblStatus");
// Made by the base window.
inline const QString sbtImportExport = QStringLiteral("sbtImportExport");
inline const QString sbtCancel = QStringLiteral("sbtCancel");
inline const QString pgbProgresso = QStringLiteral("pgbProgresso");

} // namespace ControlNames
