#pragma once

#include "selection/SelectionView.h"

#include "components/Messages.h"

// The directory, the available and selected file lists and the import button's rule.
class FileLists {
public:
    FileLists(SelectionView& view, const TMessages& messages);

    // Asks for a directory; once chosen it is opened.
    void chooseDirectory();
    // Lists the *.Ebf files of directory alone, shown in the directory field.
    void openDirectory(const QString& directory);
    // Types directory into the field and leaves it: its *.Dfm files are listed.
    void typeDirectory(const QString& directory);
    // Typing in the directory field empties the available list.
    void directoryChanged();
    // Leaving the field with an empty available list lists the typed directory's *.Dfm files.
    void directoryLeft();

    // Moves the chosen (or all) available files into the selected list as full paths; a path
    // already there is refused with a message and stays available.
    void moveRight(bool selectedOnly);
    // Moves the chosen (or all) selected files back; a file of another directory only leaves.
    void moveLeft(bool selectedOnly);

    // The import button is enabled exactly while a file is selected and a language is shown.
    void updateImportButton();

private:
    void listDirectory(const QString& pattern);

    SelectionView& view_;
    const TMessages& messages_;
};
