#pragma once

#include <QString>

// Path rules of the file lists on this platform: "/" separates directories, the patterns match
// without regard to letter case, and a file's name is what follows the last "/".
namespace FileList {

inline const QString kEbfPattern = QStringLiteral("/*.Ebf");
inline const QString kDfmPattern = QStringLiteral("/*.Dfm");

// What goes between a directory and a file name: nothing when the directory already ends in "/".
QString SeparatorFor(const QString& directory);
QString ExtractFileName(const QString& path);
// Whether path's first characters are exactly directory, letter case counting. A plain prefix
// test: "/forms2/c.Ebf" starts with "/forms".
bool StartsWithDirectory(const QString& path, const QString& directory);

} // namespace FileList
