// Tumor: the float/double steps of shrink.
#include "bodies/Tumor.h"

#include <gtest/gtest.h>

#include <cmath>

// Float steps would part from these near 0.04; the 34th goes below 0, and the next parks.
TEST(Tumor, ShrinkSubtractsInDoubleStoresAFloatAndParksAtZero) {
    Tumor t;
    int steps = 0;
    for (; t.size > 0; ++steps) {
        const double before = t.size;
        t.shrink(30);
        ASSERT_EQ(t.size, static_cast<float>(before - 0.03)) << steps;
    }
    EXPECT_EQ(steps, 34);
    for (float parked : {t.size, 0.0f, NAN}) {
        t.size = parked;
        t.shrink(30);
        EXPECT_EQ(t.size, 0.0f) << parked;
    }
}
