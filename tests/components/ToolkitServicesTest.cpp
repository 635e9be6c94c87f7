#include "locale/Translations.h"
#include "tests/support/ScriptedDialogs.h"
#include "toolkit/AnsiString.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FailureHandling.h"
#include "toolkit/FileSearch.h"
#include "widgets/Application.h"
#include "widgets/DirectoryDialog.h"
#include "widgets/FileColumns.h"
#include "widgets/ListBox.h"
#include "widgets/Panel.h"
#include "widgets/ProgressBar.h"
#include "widgets/Screen.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

TEST(AnsiStrings, CutsFindsTrimsAndUpperCasesByteWise) {
    EXPECT_EQ(Ansi::Copy("frmCliente", 4, 3), AnsiString("Cli"));
    EXPECT_EQ(Ansi::Copy("abc", 3, 10), AnsiString("c")) << "a count past the end stops at the end";
    EXPECT_EQ(Ansi::Copy("abc", 4, 1), AnsiString());
    EXPECT_EQ(Ansi::Copy("abc", 1, 0), AnsiString());
    EXPECT_EQ(Ansi::Copy("abc", 2, -5), AnsiString());
    EXPECT_EQ(Ansi::Pos("=", "Caption = 1"), 9);
    EXPECT_EQ(Ansi::Pos("x", "abc"), 0);
    EXPECT_EQ(Ansi::Trim("\t \x01 a b \x1F "), AnsiString("a b"));
    EXPECT_EQ(Ansi::UpperCase("F\xEDsica"), AnsiString("F\xEDSICA")) << "only a..z change";
    EXPECT_TRUE(Ansi::SameText("Por-Portugu\xEAs", "POR-PORTUGU\xEAS"));
    EXPECT_FALSE(Ansi::SameText("\xEA", "\xCA"));
}

TEST(AnsiStrings, ConvertAtTheBordersAndRefuseWhatWindows1252CannotHold) {
    EXPECT_EQ(Ansi::toUnicode("Portugu\xEAs \x80"), QStringLiteral("Português €"));
    EXPECT_EQ(Ansi::fromUnicode(QStringLiteral("Português €")), AnsiString("Portugu\xEAs \x80"));
    try {
        Ansi::fromUnicode(QStringLiteral("Ωmega"), QStringLiteral("File name"));
        FAIL();
    } catch (const EConvertError& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral("File name")));
    }
}

TEST(FailureGuard, HandsFailuresToTheHandlerAndStaysSilentOnAbort) {
    QStringList seen;
    const auto previous = Toolkit::setFailureHandler([&](const std::exception& e) { seen.append(e.what()); });
    Toolkit::guarded([] { throw EDatabaseError(QStringLiteral("campo grande demais")); });
    Toolkit::guarded([] { throw EAbort(); });
    Toolkit::guarded([] { throw 42; });
    QPushButton button;
    Toolkit::bindHandler(&button, &QPushButton::clicked, &button,
                         [] { throw ESocketError(QStringLiteral("servidor fora")); });
    button.click();
    Toolkit::setFailureHandler(previous);
    EXPECT_EQ(seen, (QStringList{"campo grande demais", "Unknown failure", "servidor fora"}));
}

TEST(FailureGuard, TheDefaultHandlingShowsAnErrorDialog) {
    ScriptedDialogsGuard dialogs;
    Toolkit::setFailureHandler({});
    Toolkit::guarded([] { throw EStreamError(QStringLiteral("arquivo sumiu")); });
    ASSERT_EQ(dialogs->messages.size(), 1);
    EXPECT_EQ(dialogs->messages[0].text, QStringLiteral("arquivo sumiu"));
    EXPECT_EQ(dialogs->messages[0].type, mtError);
}

TEST(DialogService, WithNoServiceInstalledADialogFailsInsteadOfShowing) {
    std::unique_ptr<DialogService> installed = setDialogService(nullptr);
    try {
        MessageDlg("Confirma a leitura?", mtConfirmation, mbYes | mbNo, 0);
        ADD_FAILURE() << "the dialog returned an answer";
    } catch (const Exception& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral("Confirma a leitura?")));
    }
    setDialogService(std::move(installed));
}

TEST(ScreenCursor, OneOverrideAtATime) {
    Screen::SetCursor(crHourGlass);
    Screen::SetCursor(crHourGlass);
    EXPECT_EQ(Screen::Cursor(), crHourGlass);
    Screen::SetCursor(crDefault);
    EXPECT_EQ(Screen::Cursor(), crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(FileSearchByPattern, MatchesIgnoringCaseAndSkipsHiddenAndOtherEntries) {
    QTemporaryDir dir;
    for (const char* name : {"a.Ebf", "B.EBF", "c.ebf", ".hidden.Ebf", "d.Dfm", "e.Ebf.bak"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub.Ebf")));
    QStringList found = FindFiles(dir.path() + QStringLiteral("/*.Ebf"), faArchive);
    found.sort();
    EXPECT_EQ(found, (QStringList{"B.EBF", "a.Ebf", "c.ebf"}));
    EXPECT_EQ(FindFiles(dir.path() + QStringLiteral("//*.Dfm"), faArchive), QStringList{"d.Dfm"});
    EXPECT_TRUE(FindFiles(dir.path() + QStringLiteral("/missing/*.Ebf"), faArchive).isEmpty());
}

TEST(SortedListBox, KeepsAlphabeticalOrderIgnoringCaseAndAcceptsTwins) {
    TListBox list;
    list.SetSorted(true);
    for (const char* name : {"b.Ebf", "A.ebf", "c.Ebf", "a.Ebf", "B.ebf"})
        list.Add(name);
    QStringList items;
    for (int i = 0; i < list.Count(); ++i)
        items.append(list.Items(i));
    EXPECT_EQ(items, (QStringList{"A.ebf", "a.Ebf", "b.Ebf", "B.ebf", "c.Ebf"}));
    EXPECT_EQ(list.IndexOf("C.EBF"), 4);
    EXPECT_EQ(list.IndexOf("d.Ebf"), -1);
    EXPECT_THROW(list.Delete(9), Exception);
}

TEST(PanelAlignment, DocksTopBottomLeftThenFillsTheRest) {
    TPanel parent;
    parent.SetBevelInner(TBevel::bvLowered);
    parent.SetBevelOuter(TBevel::bvNone);
    parent.resize(200, 100);
    auto* top = new TPanel(&parent);
    top->resize(10, 20);
    auto* left = new TPanel(&parent);
    left->resize(30, 10);
    auto* rest = new TPanel(&parent);
    SetAlign(top, TAlign::alTop);
    SetAlign(left, TAlign::alLeft);
    SetAlign(rest, TAlign::alClient);
    EXPECT_EQ(top->geometry(), QRect(1, 1, 198, 20));
    EXPECT_EQ(left->geometry(), QRect(1, 21, 30, 78));
    EXPECT_EQ(rest->geometry(), QRect(31, 21, 168, 78));
    parent.show(); // a hidden widget gets its resize event when it is shown
    parent.resize(300, 100);
    EXPECT_EQ(rest->width(), 268);
}

// Nothing to count (no line in the selected files) is an empty bar, not Qt's endless busy one.
TEST(TheProgressBar, WithNothingToCountShowsAnEmptyBar) {
    const auto look = [](int maximum) {
        TProgressBar bar;
        bar.setTextVisible(false);
        bar.resize(200, 18);
        bar.setRange(0, maximum);
        bar.setValue(0);
        return bar.grab().toImage();
    };
    EXPECT_EQ(look(0), look(1));
}

// Once asked, the texts on screen are Portuguese: the program's own messages, the texts Qt adds to
// the windows (the message dialogs' buttons, the directory dialog, the edit fields' context menu)
// and the dates.
TEST(ScreenTexts, ArePortugueseOnceAsked) {
    ASSERT_TRUE(Application::UsePortugueseTexts()) << "the program's catalog is missing";
    const auto english = qScopeGuard([] {
        QLocale::setDefault(QLocale::c());
        Translations::install(QLocale::c(), Translations::kProgramCatalog);
    });
    const struct {
        const char* context;
        const char* english;
        QString portuguese;
    } texts[] = {
        {"QPlatformTheme", "&Yes", QStringLiteral("&Sim")},
        {"QPlatformTheme", "&No", QStringLiteral("&Não")},
        {"QPlatformTheme", "Cancel", QStringLiteral("Cancelar")},
        {"QFileDialog", "Look in:", QStringLiteral("Procurar em:")},
        {"QFileDialog", "Directory:", QStringLiteral("Pasta:")},
        {"QFileDialog", "&Choose", QStringLiteral("Es&colher")},
        {"QFileDialog", "Files of type:", QStringLiteral("Arquivos do tipo:")},
        {"QLineEdit", "&Copy", QStringLiteral("&Copiar")},
        {"ScreenDialogs", "Error", QStringLiteral("Erro")},
    };
    for (const auto& [context, source, portuguese] : texts)
        EXPECT_EQ(QCoreApplication::translate(context, source), portuguese) << context << ' ' << source;
    EXPECT_EQ(QLocale().toString(QDate(2026, 12, 8), QLocale::ShortFormat), QStringLiteral("08/12/2026"));

    // The directory dialog's type and date columns, which Qt's file model gives untranslated and in
    // the machine's locale (English here).
    QTemporaryDir scratch;
    ASSERT_TRUE(QDir(scratch.path()).mkdir(QStringLiteral("forms")));
    const QString forms = scratch.filePath(QStringLiteral("forms"));
    const time_t modified = QDateTime(QDate(2026, 12, 8), QTime(9, 30)).toSecsSinceEpoch();
    const timespec times[2] = {{modified, 0}, {modified, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(forms).constData(), times, 0), 0);
    DirectoryDialog dialog(nullptr, QStringLiteral("Selecione"), scratch.path(), false);
    auto* files = qobject_cast<QFileSystemModel*>(dialog.proxyModel()->sourceModel());
    ASSERT_NE(files, nullptr);
    QEventLoop listing;
    QObject::connect(files, &QFileSystemModel::directoryLoaded, &listing, &QEventLoop::quit);
    QTimer::singleShot(10'000, &listing, &QEventLoop::quit);
    if (files->rowCount(files->index(scratch.path())) == 0)
        listing.exec();
    const QModelIndex row = dialog.proxyModel()->mapFromSource(files->index(forms));
    EXPECT_EQ(row.siblingAtColumn(FileColumns::kTypeColumn).data().toString(), QStringLiteral("Pasta"));
    EXPECT_EQ(row.siblingAtColumn(FileColumns::kDateColumn).data().toString(),
              QStringLiteral("08/12/2026 09:30"));
}
