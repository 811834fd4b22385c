// Wall test: small hand-made wall tables over a graph of one edge (10,10,10) (10,10,20)
// (10,10,30), whose segment k spans z 10k + 10 to 10k + 20.
#include <gtest/gtest.h>

#include "support/TextGraph.h"
#include "world/WallCollision.h"

const WallTriangle east{{{13, 10, 15, 1, 0, 0}}}, west{{{7, 10, 15, -1, 0, 0}}};
const WallTriangle far{{{20, 10, 15, -1, 0, 0}}};
// From (12,10,15): triangles 0 (inside) and 1 (outside) lie 1 away, 2 (outside) 0.5.
const std::vector<WallTriangle> group{
    east, {{{11, 10, 15, 1, 0, 0}}}, {{{12, 10, 15.5f, 0, 0, -1}}}, west};

TEST(WallCollision, SearchesTheGroupOfTheNearestSegmentAndCountsMissingWallsAsInside) {
    const struct {
        std::vector<WallTriangle> triangles;
        std::vector<uint32_t> base, start;
        Vektor3D at;
        bool inside;
        const char* why;
    } cases[] = {
        {{east}, {5, 1}, {0, 0, 1, 1}, {12, 10, 15}, true, "a group of one triangle"},
        {{east}, {5, 1}, {0, 0, 1, 1}, {13, 11.5, 12}, false, "on the tangent plane"},
        {{east}, {5, 1}, {0, 0, 1, 1}, {13 - 1e-9, 10, 15}, false, "13 as a float"},
        // Triangle 0 (far) says outside though east, nearer, says inside; segment 2 is searched.
        {{far, east, east}, {5, 1}, {0, 0, 0, 3}, {12, 10, 15}, false, "empty group: no search"},
        {{far, east, east}, {5, 1}, {0, 0, 0, 3}, {12, 10, 25}, true, "the next group searched"},
        {group, {5, 1}, {0, 0, 3, 4}, {12, 10, 15}, true, "last one never wins, ties go low"},
        {group, {5, 1}, {0, 0, 4, 4}, {12, 10, 15}, false, "not last here: 2 wins"},
        // Segment 1 maps to wall segment 3, the last entry: it starts and ends at triangle 2.
        {{east, east, west}, {5, 2}, {0, 0, 1, 2}, {6, 10, 25}, false, "only the end clamped"},
        {{east, west}, {5, 1}, {0, 0, 40, 40}, {6, 10, 15}, true, "cut at the mesh's end"},
        // Outside every triangle, so only "no wall known" answers inside.
        {{east, east, east}, {5, 3}, {0, 0, 1, 2}, {14, 10, 25}, true, "past the start table"},
        {{east}, {5, 1}, {0, 2, 2, 2}, {14, 10, 25}, true, "first triangle past the mesh"},
        {{east}, {5}, {0, 0, 1, 1}, {14, 10, 25}, true, "`to` past the base table"},
    };
    const TextGraph graph(
        "VoxelSize: 1 1 1\n[Artnodes]\n0 0 10 10 10\n0 0 10 10 30\n[Edges]\n0 1 0 10 10 20\n");
    for (const auto& c : cases) {
        const WallTable wall{c.triangles.data(), uint32_t(c.triangles.size()), c.base.data(),
                             uint32_t(c.base.size()), c.start.data(), uint32_t(c.start.size())};
        EXPECT_EQ(insideAirway(*graph, wall, c.at), c.inside) << c.why;
    }
    const WallTable wall{&east, 1, cases[0].base.data(), 2, cases[0].start.data(), 4};
    EXPECT_TRUE(insideAirway(*TextGraph("VoxelSize: 1 1 1\n"), wall, {14, 10, 25})) << "no edge";
}
