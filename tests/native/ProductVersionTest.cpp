// The four-part version's order: part by part, the major part first.
#include "version/ProductVersion.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kMax = 0xFFFFFFFF;

struct OrderCase {
    ProductVersion lower, higher;
};

TEST(ProductVersion, OrdersPartByPartMostSignificantFirst) {
    const OrderCase cases[] = {
        {{6, 0, 79, 0}, {6, 0, 80, 0}},   {{6, 0, 79, 65535}, {6, 0, 79, 65536}}, {{5, kMax, kMax, kMax}, {6, 0, 0, 0}},
        {{6, 0, 0, 0}, {6, 70000, 0, 0}}, {{0, 0, 0, 0}, {0, 0, 0, 1}},
    };
    for (const OrderCase& c : cases) {
        EXPECT_LT(c.lower, c.higher);
        EXPECT_GT(c.higher, c.lower);
        EXPECT_NE(c.lower, c.higher);
        EXPECT_GE(c.higher, c.higher);
    }
    EXPECT_EQ((ProductVersion{6, 0, 79, 0}), (ProductVersion{6, 0, 79, 0}));
}

}  // namespace
