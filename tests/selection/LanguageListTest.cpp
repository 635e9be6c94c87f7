#include "tests/support/PartsFixture.h"

#include "appserver/storage/Records.h"

// A server whose list holds, after the three it starts with, a two-letter code and one that sorts
// first: neither alphabetical nor by code is the server's order.
class ServerLanguages : public PartsFixture {
protected:
    void SetUp() override {
        server.storage().addLanguage(
            {QStringLiteral("PT"), QStringLiteral("Portugues"), QStringLiteral("PT")});
        server.storage().addLanguage({QStringLiteral("AA"), QStringLiteral("Afar"), QStringLiteral("AA")});
        open();
    }
};

TEST_F(ServerLanguages, AreListedInTheOrderSent) {
    const QStringList listedInServerOrder{QStringLiteral("POR-Português"), QStringLiteral("ENG-English"),
                                          QStringLiteral("SPA-Español"), QStringLiteral("PT-Portugues"),
                                          QStringLiteral("AA-Afar")};
    EXPECT_EQ(languageItems, listedInServerOrder);
    // The server's own listing, as CODE-DESCRIPTION.
    QStringList serverListing;
    for (const LanguageEntry& language : server.storage().languages())
        serverListing.append(language.code + QLatin1Char('-') + language.description);
    EXPECT_EQ(languageItems, serverListing);
    QStringList sorted = listedInServerOrder;
    sorted.sort(Qt::CaseInsensitive);
    ASSERT_NE(sorted, listedInServerOrder) << "the order would not tell a sorted list from the server's";
}

TEST(LanguageCode, IsTheFirstThreeCharactersOfTheTextShown) {
    const struct {
        const char* shown;
        AnsiString code;
    } cases[] = {
        {"ENG-English", "ENG"},
        {"POR-Português", "POR"},
        // Three characters whatever the code's length: the separator comes along.
        {"PT-Portugues", "PT-"},
        {"AA-Afar", "AA-"},
        {"", ""},
        // Text the code page cannot hold names no language.
        {"日本語", ""},
    };
    for (const auto& language : cases)
        EXPECT_EQ(LanguageList::codeOf(QString::fromUtf8(language.shown)), language.code) << language.shown;
}
