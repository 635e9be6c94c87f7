#include "selection/FileLists.h"

#include "selection/FileList.h"

#include "toolkit/Exceptions.h"
#include "toolkit/FileSearch.h"
#include "toolkit/NativePath.h"

#include <QCoreApplication>

FileLists::FileLists(SelectionView& view, const TMessages& messages) : view_(view), messages_(messages) {}

void FileLists::listDirectory(const QString& pattern) {
    for (const QString& name : FindFiles(pattern, faArchive))
        view_.available().Add(name);
    // A form file nobody can name would be left out without a word, and a capture of the directory
    // would pass without having read it.
    const QStringList unnamed = FindUndecodableFiles(pattern);
    if (!unnamed.isEmpty())
        throw EStreamError(QCoreApplication::translate(
                               "FileLists", "Cannot list %1 in %2: a file name that is not valid UTF-8 "
                                            "cannot be opened here; rename the file")
                               .arg(unnamed.join(QStringLiteral(", ")),
                                    NativePath::shown(pattern.left(pattern.lastIndexOf(QLatin1Char('/'))))));
}

void FileLists::chooseDirectory() {
    QString directory;
    if (!view_.chooseDirectory(directory))
        return;
    view_.setDirectoryText(directory);
    listDirectory(directory + FileList::kEbfPattern);
}

void FileLists::openDirectory(const QString& directory) {
    // What the field's change does in the window, where a view tells no changes: the files of the
    // directory before, refused ones included, are not listed under this one.
    directoryChanged();
    view_.setDirectoryText(directory);
    listDirectory(directory + FileList::kEbfPattern);
}

void FileLists::typeDirectory(const QString& directory) {
    view_.setDirectoryText(directory);
    directoryChanged();
    directoryLeft();
}

void FileLists::directoryChanged() {
    view_.available().Clear();
}

void FileLists::directoryLeft() {
    if (view_.available().Count() > 0)
        return;
    listDirectory(view_.directoryText() + FileList::kDfmPattern);
}

void FileLists::moveRight(bool selectedOnly) {
    ListControl& available = view_.available();
    ListControl& selected = view_.selected();
    const QString directory = view_.directoryText();
    const QString separator = FileList::SeparatorFor(directory);
    // From the end, so the indexes still to visit stay valid while entries leave.
    for (int i = available.Count() - 1; i >= 0; --i) {
        if (selectedOnly && !available.Selected(i))
            continue;
        const QString path = directory + separator + available.Items(i);
        if (selected.IndexOf(path) >= 0) {
            view_.refuseFile(path, messages_.Msg("Arq_Ja"));
            continue;
        }
        selected.Add(path);
        available.Delete(i);
    }
    updateImportButton();
}

void FileLists::moveLeft(bool selectedOnly) {
    ListControl& available = view_.available();
    ListControl& selected = view_.selected();
    const QString directory = view_.directoryText();
    for (int i = selected.Count() - 1; i >= 0; --i) {
        if (selectedOnly && !selected.Selected(i))
            continue;
        const QString path = selected.Items(i);
        if (FileList::StartsWithDirectory(path, directory))
            available.Add(FileList::ExtractFileName(path));
        selected.Delete(i);
    }
    updateImportButton();
}

void FileLists::updateImportButton() {
    view_.setImportEnabled(view_.selected().Count() > 0 && !view_.languageText().isEmpty());
}
