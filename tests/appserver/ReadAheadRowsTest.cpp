#include "appserver/storage/ReadAheadRows.h"

#include <gtest/gtest.h>

#include <functional>

// What a look-up takes from the rows read ahead for it: each key once, and never what a write
// made stale or the cap dropped.

namespace {

TranslationRow rowOf(const QString& component) {
    TranslationRow row;
    row.component = component;
    return row;
}

struct Case {
    const char* name;
    std::function<void(ReadAheadRows&)> after; // what happens between reading ahead and taking
    const char* key;
    int rows; // -1: nothing read ahead stands for the key
};

} // namespace

TEST(ReadAheadRowsTest, ALookUpTakesWhatWasReadForItOnceAndNothingMadeStale) {
    const Case cases[] = {
        {"a key with a row stored", [](ReadAheadRows&) {}, "stored", 1},
        {"a key with none stored", [](ReadAheadRows&) {}, "free", 0},
        {"a key never read ahead", [](ReadAheadRows&) {}, "other", -1},
        {"taken twice", [](ReadAheadRows& read) { read.take("stored"); }, "stored", -1},
        {"written since", [](ReadAheadRows& read) { read.forget("free"); }, "free", -1},
        {"a part undone since", [](ReadAheadRows& read) { read.clear(); }, "stored", -1},
        {"kept beside another connection's",
         [](ReadAheadRows& read) {
             read.keep({"theirs"}, {{"theirs", {rowOf("b")}}});
         },
         "stored", 1},
        {"past the cap, with none expired",
         [](ReadAheadRows& read) {
             QList<QString> many;
             for (int i = 0; i < ReadAheadRows::kMaxKeys; ++i)
                 many.append(QString::number(i));
             read.keep(many, {});
         },
         "stored", -1},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        ReadAheadRows read;
        read.keep({"stored", "free"}, {{"stored", {rowOf("a")}}, {"unasked", {rowOf("c")}}});
        each.after(read);
        const std::optional<QList<TranslationRow>> taken = read.take(each.key);
        ASSERT_EQ(taken.has_value(), each.rows >= 0);
        if (taken) {
            EXPECT_EQ(taken->size(), each.rows);
        }
        EXPECT_LE(read.size(), ReadAheadRows::kMaxKeys);
    }
}
