#pragma once

#include <QLatin1String>
#include <QLocale>
#include <QString>

// The program's own texts and Qt's, in one language, installed in the running application.
// The sources are written in English, so English needs no catalog: a locale without one of the
// program's catalogs keeps every text English, Qt's included, so that no message mixes two
// languages.
namespace Translations {

// The catalogs' names: the desktop's and the capture command's, and the server's (the same texts,
// under a name of its own so that the server's package stands alone).
inline constexpr QLatin1String kProgramCatalog("vdr04000");
inline constexpr QLatin1String kServerCatalog("appserver");

// Where the catalogs are: share/vdr04000/translations beside the program's bin/, in the build
// tree and in an installation alike.
QString directory();

// Loads the catalog `name` for locale, and Qt's own with it. Returns
// whether the program's texts are now in that language; English is always true. Later calls
// replace what an earlier one installed.
bool install(const QLocale& locale, const QString& name);

} // namespace Translations
