#pragma once

#include <QFont>
#include <QString>

// Windows forms ask for their fonts by Windows names ("MS Sans Serif"), which this machine does not
// have: without a mapping Qt substitutes its default font, wider than the original, and captions
// sized for the original are cut. The toolkit maps each such name onto installed fonts with close
// metrics. It registers the fonts with this application only; the user's font setup is untouched.
namespace WindowsFonts {

// The font a form means by family at pixelSize pixels of character height (a form's font height of
// -11 is 11 pixels), regular or bold. A family without a mapping is asked of Qt as it stands.
QFont Font(const QString& family, int pixelSize, bool bold = false);

// Whether family is mapped to a font that is installed here, in the given weight.
bool IsMapped(const QString& family, bool bold = false);

} // namespace WindowsFonts
