#include "selection/FileLists.h"

#include "selection/FileList.h"

#include "toolkit/Exceptions.h"
#include "toolkit/FileSearch.h"
#include "toolkit/NativePath.h"

#include <QCoreApplication>

FileLists::FileLists(SelectionView& view, const TMessages& messages) : view_(view), messages_(messages) {}

void FileLists::listDirectory(const QString& pattern) {
    for (const QString& name : FindFiles(pattern, faArchive))
        view_.Available().Add(name);
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

void FileLists::ChooseDirectory() {
    QString directory;
    if (!view_.ChooseDirectory(directory))
        return;
    view_.SetDirectoryText(directory);
    listDirectory(directory + FileList::kEbfPattern);
}

void FileLists::OpenDirectory(const QString& directory) {
    // What the field's change does in the window, where a view tells no changes: the files of the
    // directory before, refused ones included, are not listed under this one.
    DirectoryChanged();
    view_.SetDirectoryText(directory);
    listDirectory(directory + FileList::kEbfPattern);
}

void FileLists::TypeDirectory(const QString& directory) {
    view_.SetDirectoryText(directory);
    DirectoryChanged();
    DirectoryLeft();
}

void FileLists::DirectoryChanged() {
    view_.Available().Clear();
}

void FileLists::DirectoryLeft() {
    if (view_.Available().Count() > 0)
        return;
    listDirectory(view_.DirectoryText() + FileList::kDfmPattern);
}

void FileLists::MoveRight(bool selectedOnly) {
    ListControl& available = view_.Available();
    ListControl& selected = view_.Selected();
    const QString directory = view_.DirectoryText();
    const QString separator = FileList::SeparatorFor(directory);
    // From the end, so the indexes still to visit stay valid while entries leave.
    for (int i = available.Count() - 1; i >= 0; --i) {
        if (selectedOnly && !available.Selected(i))
            continue;
        const QString path = directory + separator + available.Items(i);
        if (selected.IndexOf(path) >= 0) {
            view_.RefuseFile(path, messages_.Msg("Arq_Ja"));
            continue;
        }
        selected.Add(path);
        available.Delete(i);
    }
    UpdateImportButton();
}

void FileLists::MoveLeft(bool selectedOnly) {
    ListControl& available = view_.Available();
    ListControl& selected = view_.Selected();
    const QString directory = view_.DirectoryText();
    for (int i = selected.Count() - 1; i >= 0; --i) {
        if (selectedOnly && !selected.Selected(i))
            continue;
        const QString path = selected.Items(i);
        if (FileList::StartsWithDirectory(path, directory))
            available.Add(FileList::ExtractFileName(path));
        selected.Delete(i);
    }
    UpdateImportButton();
}

void FileLists::UpdateImportButton() {
    view_.SetImportEnabled(view_.Selected().Count() > 0 && !view_.LanguageText().isEmpty());
}
