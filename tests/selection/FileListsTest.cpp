#include "tests/support/FormFolder.h"
#include "tests/support/ViewStandIn.h"

#include "selection/FileLists.h"
#include "selection/NameList.h"
#include "window/MessageTable.h"

#include "toolkit/Exceptions.h"
#include "toolkit/NativePath.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>

#include <memory>

namespace {

const QString kAlreadySelected = QStringLiteral("Arquivo já selecionado.");

void fill(NameList& list, const QStringList& texts) {
    for (const QString& text : texts)
        list.Add(text);
}

} // namespace

// The file lists over a stand-in for the window's controls: no window, no server.
class FileSelection : public testing::Test {
protected:
    FileSelection() { view.directory = QStringLiteral("/forms"); }

    ViewStandIn view;
    TMessages messages{CaptureMessages()};
    FileLists files{view, messages};
    FormFolder folder;
};

class ChoosingADirectory : public FileSelection {
protected:
    // What a user finds in a form directory: form files of every letter case and things that only
    // look like them.
    void fillFolder() {
        for (const char* name : {"b.ebf", "a.EBF", "C.Ebf", ".hidden.Ebf", "notes.txt", "form.Dfm",
                                 "a.Ebf.bak", "nested/inner.Ebf"})
            folder.file(QString::fromLatin1(name));
        folder.directory(QStringLiteral("x.Ebf"));
        folder.fifo(QStringLiteral("pipe.Ebf"));
    }
};

TEST_F(ChoosingADirectory, CancellingChangesNothing) {
    view.language = QStringLiteral("POR-Português");
    fill(view.lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    fill(view.lsbSelec, {QStringLiteral("/forms/c.Ebf")});
    files.updateImportButton();
    ASSERT_TRUE(view.importEnabled);

    view.directories.append(std::nullopt);
    files.chooseDirectory();

    EXPECT_TRUE(view.directories.isEmpty()) << "the dialog was asked once";
    EXPECT_EQ(view.directory, QStringLiteral("/forms"));
    EXPECT_EQ(view.lsbDisp.Texts(), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")}));
    EXPECT_EQ(view.lsbSelec.Texts(), QStringList{QStringLiteral("/forms/c.Ebf")});
    EXPECT_TRUE(view.importEnabled);
    EXPECT_TRUE(view.messages.isEmpty());
}

TEST_F(ChoosingADirectory, AChoiceListsThePlainEbfFilesByNameInCaseInsensitiveOrder) {
    fillFolder();
    for (const QString& choice : {folder.path(), folder.path() + QLatin1Char('/')}) {
        SCOPED_TRACE(choice.toStdString());
        view.lsbDisp.Clear();
        view.directories.append(choice);
        files.chooseDirectory();

        EXPECT_EQ(view.directory, choice);
        // Hidden files, directories, pipes, other patterns and sub-directories' contents stay out.
        EXPECT_EQ(view.lsbDisp.Texts(),
                  (QStringList{QStringLiteral("a.EBF"), QStringLiteral("b.ebf"), QStringLiteral("C.Ebf")}));
        EXPECT_TRUE(view.lsbSelec.Count() == 0);
        EXPECT_FALSE(view.importEnabled);
        EXPECT_TRUE(view.messages.isEmpty());
    }
}

TEST_F(ChoosingADirectory, AFormFileWhoseNameIsNotUtf8FailsTheListingNamingItAfterListingTheRest) {
    fillFolder();
    // Qt cannot name it, so it is made through the C library.
    FILE* file = std::fopen((QFile::encodeName(folder.path()) + "/Pre\xE7o.Ebf").constData(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    view.directories.append(folder.path());
    try {
        files.chooseDirectory();
        ADD_FAILURE() << "the listing went on without a word";
    } catch (const Exception& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral("Pre\\xE7o.Ebf")))
            << failure.message().toStdString();
    }
    EXPECT_EQ(view.lsbDisp.Texts(),
              (QStringList{QStringLiteral("a.EBF"), QStringLiteral("b.ebf"), QStringLiteral("C.Ebf")}));
}

TEST_F(ChoosingADirectory, ADirectoryWhoseNameIsNotUtf8IsListedAndNamedWithItsByteEscaped) {
    // Qt cannot make it, so it is made through the C library.
    const QByteArray directory = QFile::encodeName(folder.path()) + "/forms-\xFF";
    ASSERT_EQ(::mkdir(directory.constData(), 0700), 0);
    for (const char* name : {"/a.EBF", "/b.ebf", "/.hidden.Ebf", "/Pre\xE7o.Ebf"}) {
        FILE* file = std::fopen((directory + name).constData(), "w");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
    }
    view.directories.append(NativePath::fromBytes(directory));
    try {
        files.chooseDirectory();
        ADD_FAILURE() << "the listing went on without a word";
    } catch (const Exception& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral("Pre\\xE7o.Ebf in ") + folder.path() +
                                               QStringLiteral("/forms-\\xFF:")))
            << failure.message().toStdString();
    }
    EXPECT_EQ(view.lsbDisp.Texts(), (QStringList{QStringLiteral("a.EBF"), QStringLiteral("b.ebf")}));
}

TEST_F(ChoosingADirectory, ADirectoryWithoutFormFilesOrThatIsGoneListsNothing) {
    folder.file(QStringLiteral("form.Dfm"));
    view.directories = {folder.path(), folder.path() + QStringLiteral("/missing")};

    files.chooseDirectory();
    EXPECT_EQ(view.lsbDisp.Count(), 0);
    files.chooseDirectory();
    EXPECT_EQ(view.directory, folder.path() + QStringLiteral("/missing"));
    EXPECT_EQ(view.lsbDisp.Count(), 0);
    EXPECT_TRUE(view.messages.isEmpty());
}

class DirectoryField : public FileSelection {
protected:
    void fillFolder() {
        for (const char* name : {"b.Dfm", "A.DFM", "c.dfm", "e.Ebf", ".hidden.Dfm", "nested/inner.Dfm"})
            folder.file(QString::fromLatin1(name));
        folder.directory(QStringLiteral("x.Dfm"));
        folder.fifo(QStringLiteral("pipe.Dfm"));
    }
};

TEST_F(DirectoryField, ATextChangeEmptiesTheAvailableListAndLeavesTheSelectedFiles) {
    fill(view.lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    fill(view.lsbSelec, {QStringLiteral("/forms/a.Ebf")});
    files.directoryChanged();
    EXPECT_EQ(view.lsbDisp.Count(), 0);
    EXPECT_EQ(view.lsbSelec.Texts(), QStringList{QStringLiteral("/forms/a.Ebf")});
}

TEST_F(DirectoryField, LeavingItWithAnEmptyListListsTheTypedDirectorysDfmFilesOnce) {
    fillFolder();
    for (const QString& typed : {folder.path(), folder.path() + QLatin1Char('/')}) {
        SCOPED_TRACE(typed.toStdString());
        view.lsbDisp.Clear();
        view.directory = typed;
        files.directoryLeft();
        // Never the directory's .Ebf files; the rest as the dialog's listing leaves out.
        const QStringList dfmFiles{QStringLiteral("A.DFM"), QStringLiteral("b.Dfm"), QStringLiteral("c.dfm")};
        EXPECT_EQ(view.lsbDisp.Texts(), dfmFiles);
        files.directoryLeft();
        EXPECT_EQ(view.lsbDisp.Texts(), dfmFiles) << "left twice";
    }
    EXPECT_TRUE(view.messages.isEmpty());
}

TEST_F(DirectoryField, LeavingItWhileTheListHasEntriesChangesNothing) {
    fillFolder();
    view.directory = folder.path();
    fill(view.lsbDisp, {QStringLiteral("e.Ebf")});
    files.directoryLeft();
    EXPECT_EQ(view.lsbDisp.Texts(), QStringList{QStringLiteral("e.Ebf")});
}

TEST_F(DirectoryField, LeavingItForADirectoryThatIsGoneListsNothing) {
    view.directory = folder.path() + QStringLiteral("/missing");
    files.directoryLeft();
    EXPECT_EQ(view.lsbDisp.Count(), 0);
    EXPECT_TRUE(view.messages.isEmpty());
}

TEST_F(DirectoryField, AnEmptyFieldStandsForTheRootDirectory) {
    view.directory.clear();
    files.directoryLeft();
    EXPECT_TRUE(view.messages.isEmpty()) << "searching the root must not fail";

    view.lsbDisp.Clear();
    fill(view.lsbDisp, {QStringLiteral("form.Dfm")});
    files.moveRight(false);
    EXPECT_EQ(view.lsbSelec.Texts(), QStringList{QStringLiteral("/form.Dfm")});
}

class MovingRight : public FileSelection {};

TEST_F(MovingRight, AllJoinTheirNamesToTheDirectoryWithASlashUnlessItEndsInOne) {
    const struct {
        const char* directory;
        QStringList available;
        QStringList selected;
    } cases[] = {
        {"/forms", {"b.Ebf", "a.Ebf"}, {"/forms/a.Ebf", "/forms/b.Ebf"}},
        {"/forms/", {"a.Ebf"}, {"/forms/a.Ebf"}},
        {"/", {"r.Ebf"}, {"/r.Ebf"}},
    };
    for (const auto& move : cases) {
        SCOPED_TRACE(move.directory);
        view.directory = QString::fromLatin1(move.directory);
        view.lsbSelec.Clear();
        fill(view.lsbDisp, move.available);
        files.moveRight(false);
        EXPECT_EQ(view.lsbSelec.Texts(), move.selected);
        EXPECT_EQ(view.lsbDisp.Count(), 0);
    }
    EXPECT_TRUE(view.messages.isEmpty());
}

TEST_F(MovingRight, OnlyTheSelectedOnesMoveAndTheOthersStay) {
    fill(view.lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf"), QStringLiteral("c.Ebf")});
    files.moveRight(true);
    EXPECT_EQ(view.lsbDisp.Count(), 3) << "nothing was selected";
    EXPECT_EQ(view.lsbSelec.Count(), 0);
    EXPECT_TRUE(view.messages.isEmpty());

    view.lsbDisp.SetSelected(0, true);
    view.lsbDisp.SetSelected(2, true);
    files.moveRight(true);
    EXPECT_EQ(view.lsbSelec.Texts(),
              (QStringList{QStringLiteral("/forms/a.Ebf"), QStringLiteral("/forms/c.Ebf")}));
    EXPECT_EQ(view.lsbDisp.Texts(), QStringList{QStringLiteral("b.Ebf")});
}

TEST_F(MovingRight, APathAlreadySelectedInAnyLetterCaseIsRefusedWithOneMessageEach) {
    fill(view.lsbSelec, {QStringLiteral("/FORMS/A.EBF"), QStringLiteral("/forms/c.Ebf")});
    fill(view.lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf"), QStringLiteral("c.Ebf")});
    files.moveRight(false);

    EXPECT_EQ(view.lsbDisp.Texts(), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("c.Ebf")}));
    EXPECT_EQ(view.lsbSelec.Texts(),
              (QStringList{QStringLiteral("/FORMS/A.EBF"), QStringLiteral("/forms/b.Ebf"),
                           QStringLiteral("/forms/c.Ebf")}));
    ASSERT_EQ(view.messages.size(), 2);
    for (const ViewStandIn::Shown& shown : view.messages) {
        EXPECT_EQ(shown.text, kAlreadySelected);
        EXPECT_EQ(shown.kind, ViewStandIn::Kind::Error);
    }
    EXPECT_EQ(view.refusedFiles,
              (QStringList{QStringLiteral("/forms/c.Ebf"), QStringLiteral("/forms/a.Ebf")}));
}

TEST_F(MovingRight, ARefusedSelectedEntryStaysAndTheOtherSelectedOneMoves) {
    fill(view.lsbSelec, {QStringLiteral("/forms/b.Ebf")});
    fill(view.lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf"), QStringLiteral("c.Ebf")});
    view.lsbDisp.SetSelected(1, true);
    view.lsbDisp.SetSelected(2, true);
    files.moveRight(true);
    EXPECT_EQ(view.lsbDisp.Texts(), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")}));
    EXPECT_EQ(view.lsbSelec.Texts(),
              (QStringList{QStringLiteral("/forms/b.Ebf"), QStringLiteral("/forms/c.Ebf")}));
    EXPECT_EQ(view.texts(), QStringList{kAlreadySelected});
}

TEST_F(MovingRight, OfTheSameNameTwiceOneMovesAndTheOtherIsRefused) {
    fill(view.lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf")});
    files.moveRight(false);
    EXPECT_EQ(view.lsbDisp.Texts(), QStringList{QStringLiteral("a.Ebf")});
    EXPECT_EQ(view.lsbSelec.Texts(),
              (QStringList{QStringLiteral("/forms/a.Ebf"), QStringLiteral("/forms/b.Ebf")}));
    EXPECT_EQ(view.texts(), QStringList{kAlreadySelected});
}

TEST_F(MovingRight, ThePathsOfOtherDirectoriesDoNotCount) {
    fill(view.lsbSelec, {QStringLiteral("/other/a.Ebf"), QStringLiteral("/forms/a.Ebf.bak")});
    fill(view.lsbDisp, {QStringLiteral("a.Ebf")});
    files.moveRight(false);
    EXPECT_EQ(view.lsbDisp.Count(), 0);
    EXPECT_EQ(view.lsbSelec.Texts(),
              (QStringList{QStringLiteral("/forms/a.Ebf"), QStringLiteral("/forms/a.Ebf.bak"),
                           QStringLiteral("/other/a.Ebf")}));
    EXPECT_TRUE(view.messages.isEmpty());
}

class MovingLeft : public FileSelection {
protected:
    MovingLeft() {
        fill(view.lsbSelec, {QStringLiteral("/forms/a.Ebf"), QStringLiteral("/other/b.Ebf"),
                             QStringLiteral("/forms2/c.Ebf"), QStringLiteral("/FORMS/d.Ebf")});
    }

    void select(const QString& path) {
        const int index = view.lsbSelec.IndexOf(path);
        ASSERT_GE(index, 0) << path.toStdString();
        view.lsbSelec.SetSelected(index, true);
    }
};

TEST_F(MovingLeft, AllLeaveAndThoseUnderTheDirectoryPrefixComeBackByName) {
    files.moveLeft(false);
    EXPECT_EQ(view.lsbSelec.Count(), 0);
    // "/forms2" starts with "/forms"; "/FORMS" does not.
    EXPECT_EQ(view.lsbDisp.Texts(), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("c.Ebf")}));
    EXPECT_TRUE(view.messages.isEmpty());
}

TEST_F(MovingLeft, OnlyTheSelectedOnesLeaveAndTheOthersStay) {
    files.moveLeft(true);
    EXPECT_EQ(view.lsbSelec.Count(), 4) << "nothing was selected";
    EXPECT_EQ(view.lsbDisp.Count(), 0);

    select(QStringLiteral("/forms/a.Ebf"));
    select(QStringLiteral("/other/b.Ebf"));
    select(QStringLiteral("/FORMS/d.Ebf"));
    files.moveLeft(true);
    EXPECT_EQ(view.lsbSelec.Texts(), QStringList{QStringLiteral("/forms2/c.Ebf")});
    EXPECT_EQ(view.lsbDisp.Texts(), QStringList{QStringLiteral("a.Ebf")});
}

TEST_F(MovingLeft, AnEmptyDirectoryFieldTakesEverythingBackByName) {
    view.directory.clear();
    files.moveLeft(false);
    EXPECT_EQ(view.lsbSelec.Count(), 0);
    EXPECT_EQ(view.lsbDisp.Texts(), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("b.Ebf"),
                                                 QStringLiteral("c.Ebf"), QStringLiteral("d.Ebf")}));
}

TEST_F(MovingLeft, ANameComingBackBesideItselfStandsTwice) {
    fill(view.lsbDisp, {QStringLiteral("a.Ebf")});
    select(QStringLiteral("/forms/a.Ebf"));
    files.moveLeft(true);
    EXPECT_EQ(view.lsbDisp.Texts(), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("a.Ebf")}));
}

TEST_F(MovingLeft, AFileMovedRightAndBackIsAvailableAgain) {
    view.lsbSelec.Clear();
    fill(view.lsbDisp, {QStringLiteral("a.Ebf"), QStringLiteral("B.Ebf")});
    files.moveRight(false);
    files.moveLeft(false);
    EXPECT_EQ(view.lsbDisp.Texts(), (QStringList{QStringLiteral("a.Ebf"), QStringLiteral("B.Ebf")}));
    files.moveRight(false);
    EXPECT_EQ(view.lsbSelec.Texts(),
              (QStringList{QStringLiteral("/forms/a.Ebf"), QStringLiteral("/forms/B.Ebf")}));
    EXPECT_TRUE(view.messages.isEmpty());
}

class ImportButton : public FileSelection {
protected:
    bool enabled() const { return view.importEnabled; }
};

TEST_F(ImportButton, IsEnabledExactlyWhileAFileIsSelectedAndALanguageShown) {
    const struct {
        bool fileSelected;
        const char* language;
        bool enabled;
    } cases[] = {
        {false, "ENG-English", false},
        {true, "", false},
        {true, "SPA-Español", true},
        // Any text counts; the import itself checks it.
        {true, "E", true},
    };
    for (const auto& rule : cases) {
        SCOPED_TRACE(rule.language);
        view.lsbSelec.Clear();
        if (rule.fileSelected)
            fill(view.lsbSelec, {QStringLiteral("/forms/a.Ebf")});
        view.language = QString::fromUtf8(rule.language);
        view.importEnabled = !rule.enabled;
        files.updateImportButton();
        EXPECT_EQ(enabled(), rule.enabled);
    }
}

// Every move decides the button anew by the rule above, whatever it moved, refused or left.
TEST_F(ImportButton, EveryMoveDecidesItAnew) {
    enum Move { Right, Left };
    const struct {
        const char* name;
        bool language;
        QStringList available, selected;
        Move move;
        bool selectedOnly;
        int picked; // the entry picked in the list the move takes from, or -1
        bool enabledBefore, enabledAfter;
        const char* directory = "/forms";
    } cases[] = {
        {"the picked one right", true, {"a.Ebf", "b.Ebf"}, {}, Right, true, 1, false, true},
        {"all right", true, {"a.Ebf", "b.Ebf"}, {}, Right, false, -1, false, true},
        {"the picked one right, no language", false, {"a.Ebf", "b.Ebf"}, {}, Right, true, 1, true, false},
        {"all right, no language", false, {"a.Ebf", "b.Ebf"}, {}, Right, false, -1, true, false},
        {"a refused move", true, {"a.Ebf"}, {"/forms/a.Ebf"}, Right, false, -1, false, true},
        {"nothing picked to move right", true, {}, {"/forms/a.Ebf"}, Right, true, -1, false, true},
        // Enabled behind the rule's back, as the end of an import run leaves it.
        {"nothing to move right", true, {}, {}, Right, true, -1, true, false},
        {"nothing at all to move right", true, {}, {}, Right, false, -1, true, false},
        {"nothing to move left", true, {}, {}, Left, true, -1, true, false},
        {"nothing at all to move left", true, {}, {}, Left, false, -1, true, false},
        {"some files back", true, {}, {"/forms/a.Ebf", "/forms/b.Ebf"}, Left, true, 0, true, true},
        {"all files back", true, {}, {"/forms/a.Ebf", "/forms/b.Ebf"}, Left, false, -1, true, false},
        {"files that do not come back", true, {}, {"/forms/a.Ebf"}, Left, true, 0, true, false, "/other"},
    };
    for (const auto& move : cases) {
        SCOPED_TRACE(move.name);
        view.language = move.language ? QStringLiteral("POR-Português") : QString();
        view.directory = QString::fromLatin1(move.directory);
        view.lsbDisp.Clear();
        view.lsbSelec.Clear();
        fill(view.lsbDisp, move.available);
        fill(view.lsbSelec, move.selected);
        if (move.picked >= 0)
            (move.move == Right ? view.lsbDisp : view.lsbSelec).SetSelected(move.picked, true);
        view.importEnabled = move.enabledBefore;
        if (move.move == Right)
            files.moveRight(move.selectedOnly);
        else
            files.moveLeft(move.selectedOnly);
        EXPECT_EQ(enabled(), move.enabledAfter);
    }
}
