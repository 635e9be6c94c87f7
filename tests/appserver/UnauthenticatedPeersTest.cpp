#include "appserver/net/UnauthenticatedPeers.h"
#include "appserver/net/PeerKey.h"

#include <QObject>

#include <gtest/gtest.h>

#include <cctype>
#include <deque>
#include <vector>

namespace {

// A budget of 6 in all and 3 per peer, filled as `held` says (connections of a peer in the order
// they came), then one newcomer from `from`: whether it gets in, and whose place it takes.
struct Newcomer {
    const char* name;
    std::vector<std::pair<const char*, int>> held;
    const char* from;
    bool admitted;
    const char* displacedFrom; // null: none
};

const Newcomer kNewcomers[] = {
    {"room left", {{"10.0.0.1", 3}}, "10.0.0.2", true, nullptr},
    {"full: a peer holding none takes the busiest one's oldest",
     {{"10.0.0.1", 3}, {"10.0.0.2", 3}},
     "10.0.0.3",
     true,
     "10.0.0.1"},
    {"full of peers holding one each: one holding none still gets in",
     {{"10.0.0.1", 1}, {"10.0.0.2", 1}, {"10.0.0.3", 1}, {"10.0.0.4", 1}, {"10.0.0.5", 1}, {"10.0.0.6", 1}},
     "10.0.0.7",
     true,
     "10.0.0.1"},
    {"full: two more than the newcomer's own",
     {{"10.0.0.1", 3}, {"10.0.0.2", 2}, {"10.0.0.3", 1}},
     "10.0.0.3",
     true,
     "10.0.0.1"},
    {"full: one more is not enough, or places would go back and forth",
     {{"10.0.0.1", 2}, {"10.0.0.2", 2}, {"10.0.0.3", 2}},
     "10.0.0.3",
     false,
     nullptr},
    {"a peer at its own limit", {{"10.0.0.1", 3}}, "10.0.0.1", false, nullptr},
    {"an IPv6 /64 is one peer", {{"2001:db8:1:2::5", 3}}, "2001:db8:1:2:ffff::9", false, nullptr},
    {"another /64 is another peer", {{"2001:db8:1:2::5", 3}}, "2001:db8:1:3::5", true, nullptr},
};

class UnauthenticatedPeersTest : public ::testing::TestWithParam<Newcomer> {};

} // namespace

TEST_P(UnauthenticatedPeersTest, ANewcomerGetsInOrIsTurnedAway) {
    const Newcomer& c = GetParam();
    UnauthenticatedPeers budget(6, 3);
    std::deque<QObject> connections;
    for (const auto& [address, count] : c.held) {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(budget.admit(&connections.emplace_back(), QHostAddress(address)).admitted);
    }
    const QObject* oldestOfFirst = connections.empty() ? nullptr : &connections.front();
    const int before = budget.count();
    const UnauthenticatedPeers::Admission admission =
        budget.admit(&connections.emplace_back(), QHostAddress(c.from));
    EXPECT_EQ(admission.admitted, c.admitted);
    if (c.displacedFrom) {
        EXPECT_EQ(admission.displaced, oldestOfFirst) << "the oldest of the busiest";
        EXPECT_EQ(admission.displacedFrom, QHostAddress(c.displacedFrom));
    } else {
        EXPECT_EQ(admission.displaced, nullptr);
    }
    EXPECT_EQ(budget.count(), before + (c.admitted && !c.displacedFrom ? 1 : 0));
    // Whatever happened, every connection counted can leave, and leaves the budget empty.
    for (QObject& connection : connections)
        budget.leave(&connection);
    EXPECT_EQ(budget.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, UnauthenticatedPeersTest, ::testing::ValuesIn(kNewcomers),
                         [](const auto& row) {
                             std::string name = row.param.name;
                             for (char& ch : name)
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

TEST(PeerKeyTest, NamesWhatThePeerIsCountedBy) {
    const struct {
        const char* address;
        const char* key;
    } rows[] = {
        {"192.0.2.7", "192.0.2.7"},
        {"::ffff:192.0.2.7", "192.0.2.7"},
        {"2001:db8:1:2:3:4:5:6", "2001:db8:1:2::/64"},
        {"fe80::1%lo", "fe80::/64"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(peerKeyName(peerKey(QHostAddress(row.address))), row.key) << row.address;
}
