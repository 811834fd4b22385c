// Wall test: small hand-made wall tables over a graph loaded from a temporary file.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "world/BronchiGraph.h"
#include "world/WallCollision.h"

namespace {

std::unique_ptr<BronchiGraph> loadQuietly(const std::string& text) {
    std::string pattern = testing::TempDir() + "wallXXXXXX";
    const std::filesystem::path folder = mkdtemp(pattern.data());
    const std::string path = (folder / "Bronchi.gra").string();
    std::ofstream(path, std::ios::binary) << text;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto graph = std::make_unique<BronchiGraph>(path.c_str());
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    std::filesystem::remove_all(folder);
    return graph;
}

// One edge 0 -> 1 from (10,10,10) through (10,10,20) to (10,10,30): centre-line segment 0 is
// level with z 10 to 20, segment 1 with z 20 to 30.
const std::string oneEdge =
    "VoxelSize: 1 1 1\n[Artnodes]\n0 0 10 10 10\n0 0 10 10 30\n[Edges]\n0 1 0 10 10 20\n";

// Only vertex 0 takes part; the other two are left at the origin.
WallTriangle wallAt(float x, float y, float z, float nx, float ny, float nz) {
    WallTriangle triangle{};
    triangle.vertex[0] = {x, y, z, nx, ny, nz};
    return triangle;
}

// A wall plane at x = 13 facing +x (inside where x < 13) and one at x = 7 facing -x.
const WallTriangle east = wallAt(13, 10, 15, 1, 0, 0);
const WallTriangle west = wallAt(7, 10, 15, -1, 0, 0);

struct Table {
    std::vector<WallTriangle> triangles;
    std::vector<uint32_t> base;
    std::vector<uint32_t> start;
    WallTable view() const {
        return {triangles.data(), static_cast<uint32_t>(triangles.size()), base.data(),
                static_cast<uint32_t>(base.size()), start.data(),
                static_cast<uint32_t>(start.size())};
    }
};

class WallCollision : public testing::Test {
protected:
    std::unique_ptr<BronchiGraph> graph = loadQuietly(oneEdge);
    bool inside(const Table& table, double x, double y, double z) const {
        return insideAirway(*graph, table.view(), Vektor3D(x, y, z));
    }
};

TEST_F(WallCollision, InsideIsStrictlyOnTheLumenSideOfTheNearestFirstVertex) {
    // Segment 0 maps to wall segment 1, a group of one triangle.
    const Table table{{east}, {5, 1}, {0, 0, 1, 1}};
    EXPECT_TRUE(inside(table, 12, 10, 15));
    EXPECT_FALSE(inside(table, 14, 10, 15));
    EXPECT_FALSE(inside(table, 13, 11.5, 12));  // on the tangent plane
    // The position is judged in floats: 13 - 1e-9 is 13, on the plane; 13 - 1e-5 is not.
    EXPECT_FALSE(inside(table, 13 - 1e-9, 10, 15));
    EXPECT_TRUE(inside(table, 13 - 1e-5, 10, 15));
}

TEST_F(WallCollision, TheCentreLineSegmentChoosesTheGroup) {
    // Segment 0 -> wall segment 1 (east only), segment 1 -> wall segment 2 (west only).
    const Table table{{east, west}, {5, 1}, {0, 0, 1, 2}};
    EXPECT_FALSE(inside(table, 14, 10, 15));
    EXPECT_TRUE(inside(table, 14, 10, 25));
    EXPECT_FALSE(inside(table, 6, 10, 25));
}

TEST_F(WallCollision, EmptyGroupTakesTheNextGroupsFirstTriangleWithoutSearch) {
    // Wall segment 1 is empty: triangle 0 (east) is taken although west is nearer to x = 6.
    const Table table{{east, west, west}, {5, 1}, {0, 0, 0, 3}};
    EXPECT_TRUE(inside(table, 6, 10, 15));
    EXPECT_FALSE(inside(table, 6, 10, 25));  // segment 1 searches its group: west wins
}

TEST_F(WallCollision, LastTriangleOfAGroupNeverWinsAndTiesGoToTheLowerIndex) {
    // From (12,10,15): triangles 0 and 1 lie 1 away, triangle 2 nearest of all.
    const WallTriangle tieInside = wallAt(13, 10, 15, 1, 0, 0);
    const WallTriangle tieOutside = wallAt(11, 10, 15, 1, 0, 0);
    const WallTriangle nearestOutside = wallAt(12, 10, 15.5f, 0, 0, -1);
    const Table table{{tieInside, tieOutside, nearestOutside, east}, {5, 1}, {0, 0, 3, 4}};
    EXPECT_TRUE(inside(table, 12, 10, 15));
    const WallTable view = table.view();
    EXPECT_FALSE(insideNearestWall(view, 12, 10, 15, 1, 3));  // triangle 1 alone says outside
    EXPECT_FALSE(insideNearestWall(view, 12, 10, 15, 0, 4));  // not last here: triangle 2 wins
}

TEST_F(WallCollision, VerticesFartherThanTheStartDistanceLeaveTheFirstTriangle) {
    const Table table{{east, west, west}, {}, {}};
    // Both searched vertices lie beyond 4200000: triangle 0 stays, though west is nearer.
    EXPECT_TRUE(insideNearestWall(table.view(), -4300000.0f, 10, 15, 0, 3));
    EXPECT_FALSE(insideNearestWall(table.view(), -4100000.0f, 10, 15, 0, 3));
}

TEST_F(WallCollision, OnlyTheEndOfTheRangeIsClampedToTheLastEntry) {
    const Table table{{east, east, west}, {5, 2}, {0, 0, 1, 2}};
    // Segment 1 maps to wall segment 3, the last entry: it starts and ends at triangle 2.
    EXPECT_FALSE(inside(table, 6, 10, 25));
    // One place further the wall segment is past the table: no wall known, inside.
    const Table shifted{{east, east, west}, {5, 3}, {0, 0, 1, 2}};
    EXPECT_TRUE(inside(shifted, 6, 10, 25));
    EXPECT_FALSE(inside(shifted, 6, 10, 15));
}

// The cases the table's layout leaves open: with no wall to test against, nothing is hit.
TEST_F(WallCollision, NoUsableWallMeansInsideAndNoReadOutsideTheTables) {
    const Table table{{east, west}, {5, 1}, {0, 0, 2, 2}};
    const double outside[3] = {50, 50, 15};
    ASSERT_FALSE(inside(table, outside[0], outside[1], outside[2]));

    const auto emptyGraph = loadQuietly("VoxelSize: 1 1 1\n");
    EXPECT_TRUE(insideAirway(*emptyGraph, table.view(), Vektor3D(50, 50, 15)));
    // An edge ending at node 3 with a base table of two entries.
    const auto toThree = loadQuietly(
        "VoxelSize: 1 1 1\n[Artnodes]\n0 0 10 10 10\n0 0 0 0 0\n0 0 0 0 0\n0 0 10 10 30\n"
        "[Edges]\n0 3\n");
    EXPECT_TRUE(insideAirway(*toThree, table.view(), Vektor3D(50, 50, 15)));
    // Start entries naming triangles past the mesh.
    EXPECT_TRUE(inside(Table{{east, west}, {5, 1}, {0, 2, 2, 2}}, 50, 50, 15));
    EXPECT_TRUE(inside(Table{{east, west}, {5, 1}, {}}, 50, 50, 15));
    // A range reaching past the mesh is cut at its end: triangle 1 is then its last and is not
    // searched, although west is nearer.
    EXPECT_TRUE(inside(Table{{east, west}, {5, 1}, {0, 0, 40, 40}}, 6, 10, 15));
}

}  // namespace
