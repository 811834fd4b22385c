// Tumor: the float/double steps of shrink.
#include "bodies/Tumor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

float shrunk(float size) {
    Tumor t;
    t.size = size;
    t.shrink(30);
    return t.size;
}

// Float steps would part from these near 0.04; the 34th step goes below 0, and the next parks.
TEST(Tumor, ShrinkSubtractsInDoubleStoresAFloatAndParksAtZero) {
    int steps = 0;
    float size = 1.0f;
    for (; size > 0; ++steps) {
        const float next = shrunk(size);
        ASSERT_EQ(next, static_cast<float>(static_cast<double>(size) - 0.03)) << steps;
        size = next;
    }
    EXPECT_EQ(steps, 34);
    for (float parked : {size, 0.0f, NAN}) EXPECT_EQ(shrunk(parked), 0.0f) << parked;
}

}  // namespace
