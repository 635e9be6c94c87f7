#include "widgets/WindowsFonts.h"

#include <QFontDatabase>
#include <QHash>

namespace {

struct Mapping {
    // A font file this application registers for itself; empty when the family is installed.
    QString regularFile;
    QString boldFamily;
};

// "MS Sans Serif" is a bitmap font; Wine's copy of it (Debian's fonts-wine, outside the fonts
// the desktop scans) holds the same strikes pixel for pixel, so captions measure as on Windows.
// It has no bold strike, and Qt emboldens only scalable fonts, so bold text takes Liberation Sans
// (fonts-liberation2), which at these sizes runs close to Windows' emboldened bitmap.
const QHash<QString, Mapping>& mappings() {
    static const QHash<QString, Mapping> table{
        {QStringLiteral("ms sans serif"),
         {QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf"), QStringLiteral("Liberation Sans")}},
    };
    return table;
}

// The family name the registered file goes by, or an empty string when it cannot be loaded.
// Each file is registered once per process.
QString registeredFamily(const QString& file) {
    static QHash<QString, QString> registered;
    const auto known = registered.constFind(file);
    if (known != registered.constEnd())
        return *known;
    QString family;
    const int id = QFontDatabase::addApplicationFont(file);
    if (id >= 0) {
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            family = families.first();
    }
    registered.insert(file, family);
    return family;
}

QString installedFamily(const Mapping& mapping, bool bold) {
    if (bold || mapping.regularFile.isEmpty())
        return QFontDatabase::hasFamily(mapping.boldFamily) ? mapping.boldFamily : QString();
    return registeredFamily(mapping.regularFile);
}

} // namespace

namespace WindowsFonts {

QFont Font(const QString& family, int pixelSize, bool bold) {
    QString chosen = family;
    const auto mapping = mappings().constFind(family.toLower());
    if (mapping != mappings().constEnd()) {
        chosen = installedFamily(*mapping, bold);
        // Without the bitmap copy, the bold family's regular face is still closer than Qt's default.
        if (chosen.isEmpty())
            chosen = installedFamily(*mapping, true);
        if (chosen.isEmpty())
            chosen = family;
    }
    QFont font(chosen);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

bool IsMapped(const QString& family, bool bold) {
    const auto mapping = mappings().constFind(family.toLower());
    return mapping != mappings().constEnd() && !installedFamily(*mapping, bold).isEmpty();
}

} // namespace WindowsFonts
