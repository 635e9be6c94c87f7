#include "appserver/storage/TranslationKey.h"

#include <gtest/gtest.h>

// The normalisation behind the matching rule, without a server.

TEST(TranslationKeyTest, UpperCasesOnlyTheLettersAToZ) {
    EXPECT_EQ(upperAsciiLetters("Física"), "FíSICA");
    EXPECT_EQ(upperAsciiLetters("ação çedilha ÿ"), "AçãO çEDILHA ÿ");
    EXPECT_EQ(upperAsciiLetters("frmCliente_01"), "FRMCLIENTE_01");
}

TEST(TranslationKeyTest, TrimsTrailingBlanksAndControlCharactersOnly) {
    EXPECT_EQ(trimRightControls("  Nome \t\r\n\x01 "), "  Nome");
    EXPECT_EQ(trimRightControls("Nome\u00a0"), "Nome\u00a0") << "a no-break space is above 32";
    EXPECT_EQ(trimRightControls("   "), "");
}

TEST(TranslationKeyTest, KeysOfTheSameRowSpelledDifferentlyAreEqual) {
    const TranslationKey lookup =
        TranslationKey::forLookup("CLIENTE", "frmCliente", "lblNome", "CAPTION", 0, "Nome", "por");
    TranslationRow stored{"CLIENTE", "FRMCLIENTE", "LBLNOME", "CAPTION", -0.0,
                          "N",       "Nome  ",     "Nome",    {},        "POR"};
    EXPECT_TRUE(lookup.matches(stored));
    EXPECT_EQ(lookup.matchKey(), TranslationKey::ofRow(stored).matchKey());
    EXPECT_EQ(lookup.matchKey().size(), 64);
}

TEST(TranslationKeyTest, PiecesCannotRunIntoEachOther) {
    const TranslationKey a = TranslationKey::forLookup("AB", "C", "X", "CAPTION", 0, "V", "POR");
    const TranslationKey b = TranslationKey::forLookup("A", "BC", "X", "CAPTION", 0, "V", "POR");
    EXPECT_FALSE(a == b);
    EXPECT_NE(a.matchKey(), b.matchKey());
}

TEST(TranslationKeyTest, TheNumberAndTheValueTellKeysApart) {
    const TranslationKey zero = TranslationKey::forLookup("P", "F", "C", "CAPTION", 0, "V", "POR");
    EXPECT_NE(zero.matchKey(), TranslationKey::forLookup("P", "F", "C", "CAPTION", 1, "V", "POR").matchKey());
    EXPECT_NE(zero.matchKey(), TranslationKey::forLookup("P", "F", "C", "CAPTION", 0, "v", "POR").matchKey());
    EXPECT_NE(zero.matchKey(), TranslationKey::forLookup("P", "F", "C", "CAPTION", 0, "V ", "POR").matchKey())
        << "a value sent with trailing blanks is taken as sent";
}
