// The committed world data: data/Bronchi.gra and the compiled-in wall table agree with each other
// and with the wall test, and the surface is a closed airway the ship cannot leave.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "world/BronchiGraph.h"
#include "world/BronchiMesh.h"
#include "world/WallCollision.h"
#include "world/World.h"

namespace {

const std::string graphFile = std::string(ONCORAIDER_SOURCE_DIR) + "/data/Bronchi.gra";

const WallTable realWall{BronchiMesh,          wallTriangleCount, wallSegmentBase,
                         wallSegmentBaseCount, wallSegmentStart,  wallSegmentStartCount};

using Point = std::array<double, 3>;

Point sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const Point& a) { return std::sqrt(dot(a, a)); }
Point cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Point position(const WallVertex& v) { return {v.x, v.y, v.z}; }
Point normal(const WallVertex& v) { return {v.nx, v.ny, v.nz}; }

// Winding number of the whole table around p (solid angles after Van Oosterom and Strackee):
// about +-1 inside a closed surface, 0 outside, whatever the wall test thinks.
bool enclosed(const Point& p) {
    double total = 0.0;
    for (const WallTriangle& t : BronchiMesh) {
        const Point a = sub(position(t.vertex[0]), p);
        const Point b = sub(position(t.vertex[1]), p);
        const Point c = sub(position(t.vertex[2]), p);
        const double la = norm(a), lb = norm(b), lc = norm(c);
        total += 2.0 * std::atan2(dot(a, cross(b, c)),
                                  la * lb * lc + dot(a, b) * lc + dot(a, c) * lb + dot(b, c) * la);
    }
    return std::abs(total) > 2.0 * M_PI;
}

bool gameSaysInside(const BronchiGraph& graph, const Point& p) {
    return insideAirway(graph, realWall, Vektor3D(p[0], p[1], p[2]));
}

class WorldData : public testing::Test {
protected:
    static void SetUpTestSuite() {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        graph = std::make_unique<BronchiGraph>(graphFile.c_str());
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
    }
    static void TearDownTestSuite() { graph.reset(); }

    static Point node(uint32_t id) {
        float p[3] = {0, 0, 0};
        graph->nodePosition(id, p);
        return {p[0], p[1], p[2]};
    }
    // The polyline of an edge, nodes included.
    static std::vector<Point> polyline(const BronchiEdge& e) {
        std::vector<Point> line{node(e.from)};
        for (const auto& p : e.points) line.push_back({p->x, p->y, p->z});
        line.push_back(node(e.to));
        return line;
    }

    static std::unique_ptr<BronchiGraph> graph;
};

std::unique_ptr<BronchiGraph> WorldData::graph;

TEST_F(WorldData, GraphHasTheTracheaAndTwoMainBronchiWithTheirPointCounts) {
    ASSERT_EQ(graph->edgeCount(), 3u);
    const uint32_t expected[3][3] = {{0, 1, 70}, {1, 2, 62}, {1, 3, 101}};
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(graph->edge(i)->from, expected[i][0]);
        EXPECT_EQ(graph->edge(i)->to, expected[i][1]);
        EXPECT_EQ(graph->edge(i)->points.size(), expected[i][2]);
    }
    float p[3];
    EXPECT_TRUE(graph->nodePosition(3, p));
    EXPECT_FALSE(graph->nodePosition(4, p));
    std::vector<uint32_t> next;
    ASSERT_TRUE(graph->successors(0, next));
    EXPECT_EQ(next, std::vector<uint32_t>{1});
    // The trachea runs along z, node 0 at the top: the ship starts at node 1 facing +z.
    EXPECT_GT(node(0)[2], node(1)[2] + 50.0);
    EXPECT_LT(std::hypot(node(0)[0] - node(1)[0], node(0)[1] - node(1)[1]), 1.0);
}

TEST_F(WorldData, EveryGraphLineFitsTheLoaderBuffer) {
    std::ifstream in(graphFile, std::ios::binary);
    std::string line;
    size_t longest = 0;
    while (std::getline(in, line)) {
        EXPECT_EQ(line.find('\r'), std::string::npos);
        EXPECT_FALSE(!line.empty() && (line.back() == ' ' || line.back() == '\t')) << line.substr(0, 20);
        longest = std::max(longest, line.size());
    }
    EXPECT_LT(longest, 3071u);
    EXPECT_GT(longest, 2000u);  // the 101 points of the left main bronchus share one line
}

TEST_F(WorldData, IndexTablesFrameTwoHundredThirtySixGroupsOfAtLeastThree) {
    EXPECT_EQ((std::vector<uint32_t>(wallSegmentBase, wallSegmentBase + 4)),
              (std::vector<uint32_t>{0, 1, 72, 135}));
    EXPECT_EQ(wallSegmentStart[0], 0u);
    EXPECT_EQ(wallSegmentStart[1], 0u);
    EXPECT_EQ(wallSegmentStart[237], 21810u);
    for (uint32_t s = 1; s <= 236; ++s) {
        EXPECT_GE(wallSegmentStart[s + 1], wallSegmentStart[s] + 3) << "wall segment " << s;
    }
    // Each edge's centre-line segments k = 0 .. n map onto its own run of wall segments.
    for (uint32_t i = 0; i < graph->edgeCount(); ++i) {
        const BronchiEdge& e = *graph->edge(i);
        const uint32_t last = wallSegmentBase[e.to] + static_cast<uint32_t>(e.points.size());
        EXPECT_EQ(last + 1, e.to == 3 ? 237u : wallSegmentBase[e.to + 1]);
    }
}

TEST_F(WorldData, EveryGroupedTriangleSitsInTheGroupOfItsVertexZero) {
    for (uint32_t s = 1; s <= 236; ++s) {
        for (uint32_t i = wallSegmentStart[s]; i < wallSegmentStart[s + 1]; ++i) {
            const WallVertex& v = BronchiMesh[i].vertex[0];
            uint32_t from = 0, to = 0, k = 0;
            float distance = 0;
            ASSERT_TRUE(graph->nearestSegment(v.x, v.y, v.z, from, to, k, distance));
            ASSERT_EQ(wallSegmentBase[to] + k, s) << "triangle " << i;
        }
    }
}

TEST_F(WorldData, SurfaceIsClosedConsistentlyTurnedAndInsideTheWorldBox) {
    std::map<std::pair<Point, Point>, int> directed;
    for (const WallTriangle& t : BronchiMesh) {
        for (int k = 0; k < 3; ++k) {
            ++directed[{position(t.vertex[k]), position(t.vertex[(k + 1) % 3])}];
            const WallVertex& v = t.vertex[k];
            EXPECT_TRUE(v.x > 195 && v.x < 356 && v.y > 276 && v.y < 399 && v.z > 279 && v.z < 484);
        }
    }
    // Every edge is met once in each direction: two triangles, turned the same way.
    for (const auto& [edge, count] : directed) {
        ASSERT_EQ(count, 1);
        ASSERT_EQ(directed.count({edge.second, edge.first}), 1u);
    }
    EXPECT_EQ(directed.size(), 3u * wallTriangleCount);
}

TEST_F(WorldData, NormalsAreUnitAndFaceAwayFromTheCounterClockwiseSide) {
    double signedVolume = 0.0;
    for (const WallTriangle& t : BronchiMesh) {
        const Point a = position(t.vertex[0]);
        const Point inward = cross(sub(position(t.vertex[1]), a), sub(position(t.vertex[2]), a));
        signedVolume += dot(a, inward) / 6.0;
        for (const WallVertex& v : t.vertex) {
            EXPECT_NEAR(norm(normal(v)), 1.0, 1e-5);
            EXPECT_LT(dot(normal(v), inward), 0.0);
        }
    }
    // Counter-clockwise seen from inside turns the divergence-theorem volume negative.
    EXPECT_LT(signedVolume, -10000.0);
}

TEST_F(WorldData, CentreLinesAwayFromTheClosedEndsAreInside) {
    int sampled = 0;
    for (uint32_t i = 0; i < graph->edgeCount(); ++i) {
        const std::vector<Point> line = polyline(*graph->edge(i));
        for (size_t k = 0; k + 1 < line.size(); ++k) {
            for (double t = 0.0; t < 1.0; t += 0.25) {
                const Point p{line[k][0] + t * (line[k + 1][0] - line[k][0]),
                              line[k][1] + t * (line[k + 1][1] - line[k][1]),
                              line[k][2] + t * (line[k + 1][2] - line[k][2])};
                bool nearEnd = false;
                for (uint32_t end : {0u, 2u, 3u}) nearEnd |= norm(sub(p, node(end))) < 8.0;
                if (nearEnd) continue;
                EXPECT_TRUE(gameSaysInside(*graph, p)) << p[0] << " " << p[1] << " " << p[2];
                if (++sampled % 50 == 0) {
                    EXPECT_TRUE(enclosed(p));
                }
            }
        }
    }
    EXPECT_GT(sampled, 800);
    EXPECT_TRUE(gameSaysInside(*graph, node(1)));  // where the ship starts
}

TEST_F(WorldData, PointsPushedThreeUnitsThroughTheWallAreOutside) {
    int checked = 0;
    for (uint32_t i = 0; i < wallTriangleCount; ++i) {
        const WallVertex& v = BronchiMesh[i].vertex[0];
        const Point n = normal(v);
        const Point p{v.x + 3.0 * n[0], v.y + 3.0 * n[1], v.z + 3.0 * n[2]};
        // Near the carina a push can cross the tissue into the other bronchus; only the
        // winding number tells, and it is costly, so it is asked only when the game says inside.
        if (gameSaysInside(*graph, p)) {
            EXPECT_TRUE(enclosed(p)) << "triangle " << i << " at " << p[0] << " " << p[1] << " " << p[2];
        }
        if (i % 997 == 0) {
            EXPECT_FALSE(enclosed(p));
            ++checked;
        }
    }
    EXPECT_GE(checked, 20);
}

TEST_F(WorldData, PointsBeyondEachClosedEndAreOutside) {
    for (uint32_t i = 0; i < graph->edgeCount(); ++i) {
        const BronchiEdge& e = *graph->edge(i);
        for (const bool atFrom : {true, false}) {
            const uint32_t end = atFrom ? e.from : e.to;
            if (end == 1) continue;  // the fork, not a closed end
            const std::vector<Point> line = polyline(e);
            const Point tip = node(end);
            const Point inner = atFrom ? line[3] : line[line.size() - 4];
            const Point out = sub(tip, inner);
            const Point dir{out[0] / norm(out), out[1] / norm(out), out[2] / norm(out)};
            // How far the wall reaches past the node along the centre-line's direction.
            double reach = 0.0;
            for (const WallTriangle& t : BronchiMesh) {
                const Point d = sub(position(t.vertex[0]), tip);
                if (norm(d) < 20.0) reach = std::max(reach, dot(d, dir));
            }
            for (double beyond : {1.5, 4.0, 10.0}) {
                const Point p{tip[0] + (reach + beyond) * dir[0], tip[1] + (reach + beyond) * dir[1],
                              tip[2] + (reach + beyond) * dir[2]};
                EXPECT_FALSE(gameSaysInside(*graph, p)) << "node " << end << ", " << beyond << " beyond";
            }
            EXPECT_FALSE(enclosed({tip[0] + (reach + 1.5) * dir[0], tip[1] + (reach + 1.5) * dir[1],
                                   tip[2] + (reach + 1.5) * dir[2]}));
        }
    }
}

// Run by the next test in a child process whose working folder holds Bronchi.gra, so that the
// game's own global graph is loaded before main, as in the game.
TEST(WorldGlobal, DISABLED_ChildWithBronchiGraInItsFolder) {
    ASSERT_EQ(bronchiGraph.edgeCount(), 3u);
    float start[3];
    bronchiGraph.nodePosition(1, start);
    EXPECT_TRUE(insideAirway(Vektor3D(start[0], start[1], start[2])));
    const WallVertex& v = BronchiMesh[wallSegmentStart[100]].vertex[0];
    EXPECT_FALSE(insideAirway(Vektor3D(v.x + 2.0 * v.nx, v.y + 2.0 * v.ny, v.z + 2.0 * v.nz)));
    EXPECT_TRUE(insideAirway(Vektor3D(v.x - 2.0 * v.nx, v.y - 2.0 * v.ny, v.z - 2.0 * v.nz)));
}

TEST(WorldGlobal, InsideAirwayUsesTheGraphLoadedAtStartUpAndTheRealTable) {
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    std::string pattern = testing::TempDir() + "worldXXXXXX";
    const std::filesystem::path folder = mkdtemp(pattern.data());
    std::filesystem::copy_file(graphFile, folder / "Bronchi.gra");
    const std::string command = "cd '" + folder.string() + "' && '" + self +
                                "' --gtest_also_run_disabled_tests"
                                " --gtest_filter=WorldGlobal.DISABLED_ChildWithBronchiGraInItsFolder 2>/dev/null";
    FILE* child = popen(command.c_str(), "r");
    ASSERT_NE(child, nullptr);
    std::string output;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, child)) output += buffer;
    const int status = pclose(child);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(status, 0) << output;
    // The graph's loading lines come before anything of the test runner's.
    EXPECT_EQ(output.rfind("find Voxel Size...done", 0), 0u) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

}  // namespace
