#include "wire/DateTimeText.h"

#include <gtest/gtest.h>

namespace {

QDateTime at(int day, int hour, int minute, int second, int ms = 0) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second, ms));
}

TEST(DateTimeTexts, ReadsTheWireFormStrictlyAndTheServersReadingTakesAnyLocalIsoForm) {
    const std::optional<QDateTime> none;
    const struct {
        const char* text;
        std::optional<QDateTime> parse;
        std::optional<QDateTime> parseIso;
    } cases[] = {
        {"2026-12-07T08:01:44.123", at(7, 8, 1, 44, 123), at(7, 8, 1, 44, 123)},
        {"2026-12-07T08:01:44", at(7, 8, 1, 44), at(7, 8, 1, 44)},
        {"2024-02-29T23:59:59.999", QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999)),
         QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999))},
        {"2026-12-07T24:00:00", none, at(8, 0, 0, 0)},
        {"2026-12-07T24:00:00.000", none, at(8, 0, 0, 0)},
        {"2026-12-07 08:01:44", none, at(7, 8, 1, 44)},
        {"2026-12-07T08:01:44,123", none, at(7, 8, 1, 44, 123)},
        {"2026-12-07T08:01:44.12", none, at(7, 8, 1, 44, 120)},
        {"2026-12-07T08:01", none, at(7, 8, 1, 0)},
        {"2026-12-07", none, at(7, 0, 0, 0)},
        {"2026-02-30T08:00:00", none, none},
        {"2026-12-07T08:01:60", none, none},
        {"2026-12-07T08:01:44Z", none, none},
        {"2026-12-07T08:01:44.12Z", none, none},
        {"2026-12-07T08:01:44+01:00", none, none},
        {"+2026-12-07T08:01:44.123", none, none},
        {"２026-12-07T08:01:44", none, none},
        {"", none, none},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DateTimeText::parse(text), c.parse);
        EXPECT_EQ(DateTimeText::parseIso(text), c.parseIso);
        if (c.parse) {
            EXPECT_EQ(DateTimeText::parse(text)->timeSpec(), Qt::LocalTime);
        }
    }
}

TEST(DateTimeTexts, WritesLocalTimeWithMillisecondsWhateverTheValuesZone) {
    EXPECT_EQ(DateTimeText::format(at(7, 8, 1, 44, 5)), "2026-12-07T08:01:44.005");
    // Equal date-times are the same moment: written in local time, the value reads back as itself.
    const QDateTime elsewhere(QDate(2026, 12, 7), QTime(8, 1, 44, 5), Qt::OffsetFromUTC, 5 * 3600 + 1800);
    EXPECT_EQ(DateTimeText::parse(DateTimeText::format(elsewhere)), elsewhere);
}

} // namespace
