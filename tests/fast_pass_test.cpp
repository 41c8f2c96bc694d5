// The duplicates and candidates are found without visiting every pair; on any
// list they must give exactly what the plain pair pass gives, order included.
#include <gtest/gtest.h>

#include <random>

#include "support/builders.h"
#include "support/reference_pass.h"

namespace tessary::tests {
namespace {

OverlayList RandomList(std::mt19937& random, std::size_t size) {
    static const char16_t* const stems[] = {u"Tortoise", u"tortoise", u"Tortois", u"CloudSync", u"CloudStor",
                                            u"Cloud", u"Box Sync ", u"Box Sync", u"\u00C9t\u00E9", u"", u"Drive"};
    static const char16_t tails[] = {u'1', u'2', u'3', u'a', u'A', u' ', u'\t', u'\u00E9', u'\uFFFF', u'x'};
    static const char16_t* const clsids[] = {u"{A}", u"{a}", u"{B}"};
    OverlayList list;
    for (std::size_t i = 0; i < size; ++i) {
        std::u16string name(random() % 4, u' ');
        name += stems[random() % std::size(stems)];
        for (std::size_t k = random() % 5; k > 0; --k) name += tails[random() % std::size(tails)];
        list.push_back(Entry(name, clsids[random() % std::size(clsids)]));
    }
    return list;
}

TEST(FastPass, GivesExactlyThePlainPairPassResults) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 3000; ++round) {
        const OverlayList list = RandomList(random, round < 2900 ? random() % 40 : 200 + random() % 200);
        OverlayList fast = list;
        OverlayList plain = list;
        MarkDuplicates(fast);
        PlainMarkDuplicates(plain);
        ASSERT_EQ(fast, plain) << "round " << round;

        NameList fastCandidates{u"Existing"};
        NameList plainCandidates{u"Existing"};
        CollectGroupCandidates(list, fastCandidates);
        PlainCollectGroupCandidates(list, plainCandidates);
        ASSERT_EQ(fastCandidates, plainCandidates) << "round " << round;
    }
}

}  // namespace
}  // namespace tessary::tests
