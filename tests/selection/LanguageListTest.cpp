#include "tests/support/WindowFixture.h"

#include "components/BusyAnimation.h"
#include "toolkit/Exceptions.h"

#include <QLabel>
#include <QLineEdit>

namespace {

const QStringList kListedInServerOrder{QStringLiteral("POR-Português"), QStringLiteral("ENG-English"),
                                       QStringLiteral("SPA-Español"), QStringLiteral("PT-Portugues"),
                                       QStringLiteral("AA-Afar")};

} // namespace

// A server whose list holds, after the three it starts with, a two-letter code and one that sorts
// first: neither alphabetical nor by code is the server's order.
class LanguageListTest : public WindowFixture {
protected:
    void beforeWindow() override {
        addLanguage(QStringLiteral("PT"), QStringLiteral("Portugues"));
        addLanguage(QStringLiteral("AA"), QStringLiteral("Afar"));
        stIdiLeDfm = "XYZ";
        showsBefore = BusyAnimation::ShowCount();
        hidesBefore = BusyAnimation::HideCount();
    }

    void addLanguage(const QString& code, const QString& description) {
        int exitCode = -1;
        const QString output =
            server.admin({QStringLiteral("languages"), QStringLiteral("add"), code, description}, &exitCode);
        ASSERT_EQ(exitCode, 0) << "the server refused the language " << code.toStdString() << ": "
                               << output.toStdString();
    }

    QStringList items() const {
        QStringList all;
        for (int i = 0; i < form->cbbIdioma->count(); ++i)
            all.append(form->cbbIdioma->itemText(i));
        return all;
    }

    // The server's own listing, as CODE-DESCRIPTION.
    QStringList serverListing() const {
        QStringList all;
        for (const QString& line :
             server.admin({QStringLiteral("languages")}).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList fields = line.split(QLatin1Char('\t'));
            all.append(fields.value(0) + QLatin1Char('-') + fields.value(1));
        }
        return all;
    }

    int showsBefore = 0;
    int hidesBefore = 0;
};

TEST_F(LanguageListTest, ListsTheServersLanguagesInTheOrderSent) {
    EXPECT_EQ(items(), kListedInServerOrder);
    EXPECT_EQ(items(), serverListing());
    QStringList sorted = kListedInServerOrder;
    sorted.sort(Qt::CaseInsensitive);
    ASSERT_NE(sorted, kListedInServerOrder) << "the order would not tell a sorted box from the server's";
}

TEST_F(LanguageListTest, NothingIsChosenAndTheModulesCodeIsLeftAlone) {
    EXPECT_EQ(form->cbbIdioma->currentIndex(), -1);
    EXPECT_TRUE(form->cbbIdioma->currentText().isEmpty());
    EXPECT_EQ(stIdiLeDfm, AnsiString("XYZ"));
    EXPECT_FALSE(form->sbtImportExport->isEnabled());
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(LanguageListTest, TheBusyAnimationShowsTwiceAndIsGoneAtTheEnd) {
    // Connecting, then reading the list: the reading comes last.
    EXPECT_EQ(BusyAnimation::ShowCount() - showsBefore, 2);
    EXPECT_EQ(BusyAnimation::HideCount() - hidesBefore, 2);
    EXPECT_EQ(BusyAnimation::Kind(), saRead);
    EXPECT_FALSE(BusyAnimation::IsShown());
}

TEST_F(LanguageListTest, AFailedConnectShowsOnlyTheConnectingAnimationAndHidesIt) {
    form.reset();
    server.stop();
    const int shows = BusyAnimation::ShowCount();
    const int hides = BusyAnimation::HideCount();
    EXPECT_THROW(createWindow(), ESocketError);
    EXPECT_EQ(BusyAnimation::ShowCount() - shows, 1);
    EXPECT_EQ(BusyAnimation::HideCount() - hides, 1);
    EXPECT_EQ(BusyAnimation::Kind(), saConnect);
    EXPECT_FALSE(BusyAnimation::IsShown());
    EXPECT_EQ(stIdiLeDfm, AnsiString("XYZ"));
}

TEST_F(LanguageListTest, TheImportButtonGetsTheImportPicture) {
    const QPixmap picture = form->imgImportExport->pixmap();
    ASSERT_FALSE(picture.isNull());
    EXPECT_FALSE(form->sbtImportExport->Glyph().isNull());
    EXPECT_EQ(form->sbtImportExport->Glyph().toImage(), picture.toImage());
    EXPECT_FALSE(form->sbtImportExport->icon().isNull());
}

TEST_F(LanguageListTest, ChoosingAnItemSetsTheCodeToItsFirstThreeCharacters) {
    chooseLanguage(QStringLiteral("ENG"));
    EXPECT_EQ(stIdiLeDfm, AnsiString("ENG"));
    chooseLanguage(QStringLiteral("POR"));
    EXPECT_EQ(stIdiLeDfm, AnsiString("POR"));
    // Three characters whatever the code's length: the separator comes along.
    chooseLanguage(QStringLiteral("PT"));
    EXPECT_EQ(stIdiLeDfm, AnsiString("PT-"));
    chooseLanguage(QStringLiteral("AA"));
    EXPECT_EQ(stIdiLeDfm, AnsiString("AA-"));
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(LanguageListTest, TheCodeFollowsTheTextShownWhenTheUserTypesOverAChoice) {
    chooseLanguage(QStringLiteral("POR"));
    ASSERT_EQ(stIdiLeDfm, AnsiString("POR"));
    // The import checks the text shown; the rows must get the language that text names.
    form->cbbIdioma->lineEdit()->setText(QStringLiteral("ENG-English"));
    EXPECT_EQ(stIdiLeDfm, AnsiString("ENG"));
    form->cbbIdioma->lineEdit()->clear();
    EXPECT_TRUE(stIdiLeDfm.isEmpty());
}

TEST_F(LanguageListTest, TextTheCodePageCannotHoldNamesNoLanguage) {
    chooseLanguage(QStringLiteral("POR"));
    form->cbbIdioma->lineEdit()->setText(QStringLiteral("日本語"));
    EXPECT_TRUE(stIdiLeDfm.isEmpty());
    EXPECT_TRUE(dialogs->messages.isEmpty()) << "typing is no failure";
}

TEST_F(LanguageListTest, ANewWindowShowsNoChoiceAndKeepsTheEarlierCode) {
    chooseLanguage(QStringLiteral("SPA"));
    form.reset();
    form = createWindow();
    EXPECT_EQ(form->cbbIdioma->currentIndex(), -1);
    EXPECT_TRUE(form->cbbIdioma->currentText().isEmpty());
    EXPECT_EQ(items(), kListedInServerOrder);
    EXPECT_EQ(stIdiLeDfm, AnsiString("SPA"));
}
