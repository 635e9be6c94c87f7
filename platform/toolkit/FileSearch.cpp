#include "toolkit/FileSearch.h"

#include "toolkit/NativePath.h"

#include <QRegularExpression>

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace {

enum class EntryKind { File, Directory, Other };

// The entries of a pattern's directory whose names match its last component. The directory is
// opened by its own bytes, so that a name that is not UTF-8 (given through NativePath) is read.
class Search {
public:
    explicit Search(const QString& pattern) {
        const qsizetype slash = pattern.lastIndexOf(QLatin1Char('/'));
        directory_ = slash < 0 ? QByteArray(".") : NativePath::toBytes(pattern.left(slash + 1));
        name_ = QRegularExpression::fromWildcard(pattern.mid(slash + 1), Qt::CaseInsensitive);
    }

    // Calls found(name, utf8, kind) for each matching entry but . and ..; a name that is not UTF-8
    // (utf8 false) is shown with its stray bytes as \xNN. Nothing for a directory that does not
    // exist or cannot be read.
    template <typename Found> void forEach(Found found) const {
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(directory_.constData()), closedir);
        if (!dir)
            return;
        while (const dirent* entry = readdir(dir.get())) {
            const QByteArray bytes(entry->d_name);
            if (bytes == "." || bytes == "..")
                continue;
            const bool utf8 = NativePath::isUtf8(bytes);
            const QString decoded = NativePath::fromBytes(bytes);
            const QString name = utf8 ? decoded : NativePath::shown(decoded);
            if (!name_.match(name).hasMatch())
                continue;
            // Links are followed, as a program opening the name would; a dangling one is no file.
            struct stat status {};
            EntryKind kind = EntryKind::Other;
            if (fstatat(dirfd(dir.get()), entry->d_name, &status, 0) == 0)
                kind = S_ISREG(status.st_mode)   ? EntryKind::File
                       : S_ISDIR(status.st_mode) ? EntryKind::Directory
                                                 : EntryKind::Other;
            found(name, utf8, kind);
        }
    }

private:
    QByteArray directory_;
    QRegularExpression name_;
};

} // namespace

QStringList FindFiles(const QString& pattern, int attributes) {
    QStringList names;
    Search(pattern).forEach([&](const QString& name, bool utf8, EntryKind kind) {
        // A name that is not UTF-8 could not be stored as a program code; FindUndecodableFiles
        // names it for a refusal.
        if (!utf8)
            return;
        if (name.startsWith(QLatin1Char('.')) && !(attributes & (faHidden | faSysFile)))
            return;
        // Devices, sockets and pipes are not form files, whatever their name.
        const int wanted = kind == EntryKind::File        ? faArchive
                           : kind == EntryKind::Directory ? faDirectory
                                                          : faSysFile;
        if (attributes & wanted)
            names.append(name);
    });
    return names;
}

QStringList FindUndecodableFiles(const QString& pattern) {
    QStringList names;
    Search(pattern).forEach([&](const QString& name, bool utf8, EntryKind kind) {
        if (!utf8 && kind == EntryKind::File && !name.startsWith(QLatin1Char('.')))
            names.append(name);
    });
    names.sort();
    return names;
}
