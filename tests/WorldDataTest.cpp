// The committed world data: graph and wall table agree with each other and the wall test, and
// close the airway.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "support/RealGraph.h"
#include "world/World.h"

namespace {

bool inside(const Vektor3D& p) { return insideAirway(realGraph(), bronchiWall, p); }

// A wall vertex, moved d along its normal.
Vektor3D at(const WallVertex& v, double d = 0) {
    return Vektor3D(v.x, v.y, v.z) + Vektor3D(v.nx, v.ny, v.nz) * d;
}

std::vector<Vektor3D> polyline(uint32_t edge) {
    const BronchiEdge& e = *realGraph().edge(edge);
    float a[3], b[3];
    realGraph().nodePosition(e.from, a);
    realGraph().nodePosition(e.to, b);
    std::vector<Vektor3D> line{Vektor3D(a[0], a[1], a[2])};
    for (const auto& p : e.points) line.emplace_back(p->x, p->y, p->z);
    line.emplace_back(b[0], b[1], b[2]);
    return line;
}

TEST(WorldData, GraphAndIndexTablesHaveTheLayoutOfTheWallTable) {
    std::vector<std::array<std::size_t, 3>> edges;  // from, to, number of points
    for (uint32_t i = 0; const BronchiEdge* e = realGraph().edge(i); ++i)
        edges.push_back({e->from, e->to, e->points.size()});
    EXPECT_EQ(edges,
              (std::vector<std::array<std::size_t, 3>>{{0, 1, 70}, {1, 2, 62}, {1, 3, 101}}));
    EXPECT_EQ(std::vector<uint32_t>(wallSegmentBase, wallSegmentBase + 4),
              (std::vector<uint32_t>{0, 1, 72, 135}));
    // 12 triangles after the last group.
    EXPECT_EQ((std::array<uint32_t, 3>{wallSegmentStart[0], wallSegmentStart[1],
                                       wallSegmentStart[237] + 12}),
              (std::array<uint32_t, 3>{0, 0, wallTriangleCount}));
}

TEST(WorldData, EveryGroupedTriangleSitsInTheGroupOfTheSegmentNearestItsVertexZero) {
    for (uint32_t s = 1; s <= 236; ++s)
        for (uint32_t i = wallSegmentStart[s]; i < wallSegmentStart[s + 1]; ++i) {
            const WallVertex& v = BronchiMesh[i].vertex[0];
            uint32_t from, to, k;
            float d;
            ASSERT_TRUE(realGraph().nearestSegment(v.x, v.y, v.z, from, to, k, d) &&
                        wallSegmentBase[to] + k == s)
                << i;
        }
}

TEST(WorldData, SurfaceIsClosedWithEveryEdgeSharedByTwoTrianglesTurnedAlike) {
    std::map<std::array<float, 6>, int> directed;
    for (const WallTriangle& t : BronchiMesh)
        for (int k = 0; k < 3; ++k) {
            const WallVertex& a = t.vertex[k];
            const WallVertex& b = t.vertex[(k + 1) % 3];
            ++directed[{a.x, a.y, a.z, b.x, b.y, b.z}];
        }
    for (const auto& [e, n] : directed)
        ASSERT_TRUE(n == 1 && directed.count({e[3], e[4], e[5], e[0], e[1], e[2]}));
}

// Away from its closed end, whose cap the wall test judges less closely.
TEST(WorldData, CentreLinesAreInsideAndPointsThreeUnitsBeyondAnyWallVertexAreNot) {
    const Vektor3D ends[] = {polyline(0).front(), polyline(1).back(), polyline(2).back()};
    for (uint32_t i = 0; i < 3; ++i) {
        const std::vector<Vektor3D> line = polyline(i);
        for (std::size_t k = 0; k + 1 < line.size(); ++k)
            for (const Vektor3D& c : {line[k], (line[k] + line[k + 1]) * 0.5})
                EXPECT_TRUE((c - ends[i]).length() < 8 || inside(c))
                    << "edge " << i << " segment " << k;
    }
    for (const WallTriangle& t : BronchiMesh)
        for (const WallVertex& v : t.vertex)
            ASSERT_FALSE(inside(at(v, 3.0))) << v.x << " " << v.y << " " << v.z;
}

// Checked in a child process started in a folder that holds Bronchi.gra, as the game is.
TEST(WorldGlobal, InsideAirwayUsesTheMapOfTheWorkingFolderAndTheRealTable) {
    std::filesystem::current_path(ONCORAIDER_SOURCE_DIR "/data");
    loadBronchiGraphQuietly();
    EXPECT_TRUE(insideAirway(polyline(0).back()));  // node 1, where the ship starts
    EXPECT_FALSE(insideAirway(at(BronchiMesh[wallSegmentStart[100]].vertex[0], 2)));
}

}  // namespace
