#pragma once

#include <QStringList>

// File attribute bits of a search; faArchive asks for plain files (read-only ones included),
// leaving out directories, hidden files and anything that is not a regular file.
enum TFileAttr : int {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faDirectory = 0x10,
    faArchive = 0x20
};

// Names (without directory) of the files matching pattern, a path whose last component may hold
// the wildcards * and ?, matched without regard to letter case. Sub-directories are not searched.
// A directory that does not exist or cannot be read yields nothing. The directory may be a name
// that is not UTF-8, as NativePath decodes it.
QStringList FindFiles(const QString& pattern, int attributes);

// The plain files matching pattern (as FindFiles, hidden ones left out) whose names are not valid
// in the file system's encoding, UTF-8: they could not become program codes, so FindFiles never
// lists them. Each is shown with its undecodable bytes as \xNN.
QStringList FindUndecodableFiles(const QString& pattern);
