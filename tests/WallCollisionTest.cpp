// Wall test: small hand-made wall tables over a graph loaded from a temporary file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "world/BronchiGraph.h"
#include "world/WallCollision.h"

namespace {

std::unique_ptr<BronchiGraph> loadQuietly(const std::string& text) {
    const std::string file = testing::TempDir() + "wall" + std::to_string(getpid()) + ".gra";
    std::ofstream(file) << text;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto graph = std::make_unique<BronchiGraph>(file.c_str());
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    std::remove(file.c_str());
    return graph;
}

const WallTriangle east{{{13, 10, 15, 1, 0, 0}}};
const WallTriangle west{{{7, 10, 15, -1, 0, 0}}};
const WallTriangle far{{{20, 10, 15, -1, 0, 0}}};

// One edge (10,10,10) (10,10,20) (10,10,30): segment k spans z 10k + 10 to 10k + 20.
struct WallCollision : testing::Test {
    std::unique_ptr<BronchiGraph> graph = loadQuietly(
        "VoxelSize: 1 1 1\n[Artnodes]\n0 0 10 10 10\n0 0 10 10 30\n[Edges]\n0 1 0 10 10 20\n");
    bool inside(const std::vector<WallTriangle>& t, const std::vector<uint32_t>& b,
                const std::vector<uint32_t>& s, double x, double y, double z) const {
        const WallTable w{t.data(), uint32_t(t.size()), b.data(), uint32_t(b.size()),
                          s.data(), uint32_t(s.size())};
        return insideAirway(*graph, w, Vektor3D(x, y, z));
    }
};

TEST_F(WallCollision, InsideIsStrictlyOnTheLumenSideJudgedInFloats) {
    EXPECT_TRUE(inside({east}, {5, 1}, {0, 0, 1, 1}, 12, 10, 15));  // a group of one triangle
    EXPECT_FALSE(inside({east}, {5, 1}, {0, 0, 1, 1}, 13, 11.5, 12));  // on the tangent plane
    EXPECT_FALSE(inside({east}, {5, 1}, {0, 0, 1, 1}, 13 - 1e-9, 10, 15));  // 13 as a float
}

TEST_F(WallCollision, EmptyGroupTakesTheNextGroupsFirstTriangleWithoutSearch) {
    // Triangle 0 (far) says outside though east, nearer, says inside; wall segment 2 is searched.
    EXPECT_FALSE(inside({far, east, east}, {5, 1}, {0, 0, 0, 3}, 12, 10, 15));
    EXPECT_TRUE(inside({far, east, east}, {5, 1}, {0, 0, 0, 3}, 12, 10, 25));
}

TEST_F(WallCollision, LastTriangleOfAGroupNeverWinsAndTiesGoToTheLowerIndex) {
    // From (12,10,15): triangles 0 (inside) and 1 (outside) lie 1 away, 2 (outside) 0.5.
    const std::vector<WallTriangle> group{
        east, {{{11, 10, 15, 1, 0, 0}}}, {{{12, 10, 15.5f, 0, 0, -1}}}, west};
    EXPECT_TRUE(inside(group, {5, 1}, {0, 0, 3, 4}, 12, 10, 15));
    EXPECT_FALSE(inside(group, {5, 1}, {0, 0, 4, 4}, 12, 10, 15));  // not last here: 2 wins
}

TEST_F(WallCollision, OnlyTheEndOfTheRangeIsClampedAndMissingWallsCountAsInside) {
    // Segment 1 maps to wall segment 3, the last entry: it starts and ends at triangle 2.
    EXPECT_FALSE(inside({east, east, west}, {5, 2}, {0, 0, 1, 2}, 6, 10, 25));
    // A range reaching past the mesh is cut at its end, whose triangle (west) is not searched.
    EXPECT_TRUE(inside({east, west}, {5, 1}, {0, 0, 40, 40}, 6, 10, 15));
    // Outside every triangle, so only "no wall known" answers inside: a wall segment past the start
    // table, a first triangle past the mesh, a `to` past the base table, no edges.
    EXPECT_TRUE(inside({east, east, east}, {5, 3}, {0, 0, 1, 2}, 14, 10, 25));
    EXPECT_TRUE(inside({east}, {5, 1}, {0, 2, 2, 2}, 14, 10, 25));
    EXPECT_TRUE(inside({east}, {5}, {0, 0, 1, 1}, 14, 10, 25));
    graph = loadQuietly("VoxelSize: 1 1 1\n");
    EXPECT_TRUE(inside({east}, {5, 1}, {0, 0, 1, 1}, 14, 10, 25));
}

}  // namespace
