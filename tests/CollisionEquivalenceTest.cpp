// The game's wall query against the same query spelled out step by step (support/
// LiteralWallTest.h): nearestSegment and insideAirway must agree bit for bit, ties included,
// over many points on the real airway data and on small graphs with degenerate centre-lines.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/LiteralWallTest.h"
#include "world/BronchiGraph.h"
#include "world/BronchiMesh.h"
#include "world/WallCollision.h"

namespace {

std::unique_ptr<BronchiGraph> loadQuietly(const std::string& file)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto graph = std::make_unique<BronchiGraph>(file.c_str());
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return graph;
}

std::unique_ptr<BronchiGraph> loadText(const std::string& text)
{
    const std::string file =
        testing::TempDir() + "equivalence" + std::to_string(getpid()) + ".gra";
    std::ofstream(file) << text;
    auto graph = loadQuietly(file);
    std::remove(file.c_str());
    return graph;
}

const WallTable realWall{BronchiMesh,          wallTriangleCount, wallSegmentBase,
                         wallSegmentBaseCount, wallSegmentStart,  wallSegmentStartCount};

uint32_t bitsOf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

struct Point {
    float x, y, z;
};

// Compares both queries at every point; returns how many points disagreed (at most a few are
// reported in detail).
int countDisagreements(const BronchiGraph& graph, const WallTable& wall,
                       const std::vector<Point>& points)
{
    int disagreements = 0;
    for (const Point& p : points) {
        uint32_t f1 = 7, t1 = 7, s1 = 7, f2 = 7, t2 = 7, s2 = 7;
        float d1 = 7.0f, d2 = 7.0f;
        const bool found1 = graph.nearestSegment(p.x, p.y, p.z, f1, t1, s1, d1);
        const bool found2 = literal::nearestSegment(graph, p.x, p.y, p.z, f2, t2, s2, d2);
        const Vektor3D at(p.x, p.y, p.z);
        const bool inside1 = insideAirway(graph, wall, at);
        const bool inside2 = literal::insideAirway(graph, wall, at);
        if (found1 != found2 || f1 != f2 || t1 != t2 || s1 != s2 || bitsOf(d1) != bitsOf(d2) ||
            inside1 != inside2) {
            if (++disagreements <= 5) {
                ADD_FAILURE() << "at (" << p.x << ", " << p.y << ", " << p.z << "): segment "
                              << f1 << "-" << t1 << " #" << s1 << " d " << d1 << " inside "
                              << inside1 << ", literally " << f2 << "-" << t2 << " #" << s2
                              << " d " << d2 << " inside " << inside2;
            }
        }
    }
    return disagreements;
}

// How many of the points the literal query finds at exactly the same least distance from two
// centre-line segments, or from two first vertices of the group it searches.
struct Ties {
    int segments = 0;
    int vertices = 0;
};

Ties countTies(const BronchiGraph& graph, const WallTable& wall, const std::vector<Point>& points)
{
    Ties ties;
    for (const Point& p : points) {
        uint32_t from, to, segment;
        float best;
        if (!literal::nearestSegment(graph, p.x, p.y, p.z, from, to, segment, best))
            continue;
        const float q[3] = {p.x, p.y, p.z};
        int atBest = 0;
        literal::forEachSegment(graph, q, [&](const BronchiEdge&, uint32_t, float d) {
            atBest += d == best ? 1 : 0;
        });
        ties.segments += atBest > 1 ? 1 : 0;

        if (to >= wall.segmentBaseCount)
            continue;
        const uint64_t s = uint64_t{wall.segmentBase[to]} + segment;
        if (s + 1 >= wall.segmentStartCount)
            continue;
        const uint32_t first = wall.segmentStart[s];
        const uint32_t last = std::min(wall.segmentStart[s + 1], wall.triangleCount);
        float nearest = 4200000.0f;
        int atNearest = 0;
        for (uint32_t i = first; i + 1 < last; ++i) {
            const WallVertex& v = wall.triangles[i].vertex[0];
            const float q[3] = {p.x, p.y, p.z};
            const float r[3] = {v.x, v.y, v.z};
            const float d = literal::distance(q, r);
            if (d < nearest) {
                nearest = d;
                atNearest = 1;
            } else if (d == nearest) {
                ++atNearest;
            }
        }
        ties.vertices += atNearest > 1 ? 1 : 0;
    }
    return ties;
}

class CollisionEquivalence : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        graph = loadQuietly(
            (std::filesystem::path(ONCORAIDER_SOURCE_DIR) / "data" / "Bronchi.gra").string());
    }
    static void TearDownTestSuite() { graph.reset(); }

    static std::unique_ptr<BronchiGraph> graph;
};

std::unique_ptr<BronchiGraph> CollisionEquivalence::graph;

// Every polyline vertex of the graph: the first point of one segment and the last of another.
std::vector<Point> polylineVertices(const BronchiGraph& g)
{
    std::vector<Point> vertices;
    for (uint32_t e = 0; e < g.edgeCount(); ++e) {
        const BronchiEdge& edge = *g.edge(e);
        float a[3], b[3];
        if (g.nodePosition(edge.from, a))
            vertices.push_back({a[0], a[1], a[2]});
        for (const auto& p : edge.points)
            vertices.push_back({p->x, p->y, p->z});
        if (g.nodePosition(edge.to, b))
            vertices.push_back({b[0], b[1], b[2]});
    }
    return vertices;
}

}  // namespace

TEST_F(CollisionEquivalence, AgreesAtRandomPointsInAndAroundTheAirway)
{
    ASSERT_EQ(graph->edgeCount(), 3u) << "data/Bronchi.gra not found";
    // The mesh spans x 195.5 to 355.5, y 276.5 to 398.5, z 279.3 to 483.6; go 30 beyond.
    std::mt19937 random(20240611);
    std::uniform_real_distribution<float> x(165.0f, 386.0f), y(246.0f, 429.0f), z(249.0f, 514.0f);
    std::vector<Point> points;
    for (int i = 0; i < 20000; ++i)
        points.push_back({x(random), y(random), z(random)});
    EXPECT_EQ(countDisagreements(*graph, realWall, points), 0);
}

TEST_F(CollisionEquivalence, AgreesOnAndAroundEveryWallVertexWithTiesAmongThem)
{
    ASSERT_EQ(graph->edgeCount(), 3u) << "data/Bronchi.gra not found";
    // On every first vertex, just inside and just outside along its normal, and half way to
    // the first vertex of the next triangle: points on the tangent plane, on both sides of it,
    // and equally far from two vertices.
    std::vector<Point> points;
    for (uint32_t i = 0; i < wallTriangleCount; i += 5) {
        const WallVertex& v = BronchiMesh[i].vertex[0];
        const WallVertex& w = BronchiMesh[(i + 1) % wallTriangleCount].vertex[0];
        points.push_back({v.x, v.y, v.z});
        points.push_back({v.x - 0.25f * v.nx, v.y - 0.25f * v.ny, v.z - 0.25f * v.nz});
        points.push_back({v.x + 0.25f * v.nx, v.y + 0.25f * v.ny, v.z + 0.25f * v.nz});
        points.push_back({(v.x + w.x) * 0.5f, (v.y + w.y) * 0.5f, (v.z + w.z) * 0.5f});
    }
    EXPECT_EQ(countDisagreements(*graph, realWall, points), 0);
    const Ties ties = countTies(*graph, realWall, points);
    EXPECT_GT(ties.vertices, 100) << "the points must include ties between wall vertices";
}

TEST_F(CollisionEquivalence, AgreesOnPolylineVerticesWhereNeighbouringSegmentsTie)
{
    ASSERT_EQ(graph->edgeCount(), 3u) << "data/Bronchi.gra not found";
    // On each vertex both neighbouring segments measure 0 to their line; half way between two
    // vertices both far ends can be equally far; a little off the vertex the inclusive tests
    // change their verdicts.
    std::vector<Point> points;
    const std::vector<Point> vertices = polylineVertices(*graph);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const Point& v = vertices[i];
        points.push_back(v);
        for (const float step : {-1e-4f, 1e-4f, -0.5f, 0.5f, 3.0f}) {
            points.push_back({v.x + step, v.y, v.z});
            points.push_back({v.x, v.y + step, v.z});
            points.push_back({v.x, v.y, v.z + step});
        }
        if (i + 1 < vertices.size()) {
            const Point& w = vertices[i + 1];
            points.push_back({(v.x + w.x) * 0.5f, (v.y + w.y) * 0.5f, (v.z + w.z) * 0.5f});
        }
    }
    EXPECT_EQ(countDisagreements(*graph, realWall, points), 0);
    const Ties ties = countTies(*graph, realWall, points);
    EXPECT_GT(ties.segments, 100) << "the points must include ties between segments";
}

TEST_F(CollisionEquivalence, AgreesAtPointsBeyondFloatRangeOrNotANumber)
{
    ASSERT_EQ(graph->edgeCount(), 3u) << "data/Bronchi.gra not found";
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Point> points = {
        {0, 0, 0},       {-0.0f, 0, 0},    {1e30f, 300, 400}, {-1e30f, -1e30f, 1e30f},
        {3e38f, 3e38f, 3e38f}, {inf, 300, 400}, {275, -inf, 400}, {nan, 300, 400},
        {275, 330, nan}, {nan, nan, nan}, {1e-40f, 1e-40f, 1e-40f}};
    EXPECT_EQ(countDisagreements(*graph, realWall, points), 0);
}

TEST(CollisionEquivalenceSmall, AgreesOnGraphsWithRepeatedPointsAndCoincidingNodes)
{
    // Edge 0 1 repeats a point (a segment of no length); edge 1 2 runs between two nodes at the
    // same place (no axis); edge 2 7 names a node that does not exist; edge 1 3 runs backwards
    // in the axial measure.
    const auto g = loadText(
        "VoxelSize: 1 1 1\n[Artnodes]\n0 0 10 10 10\n0 0 10 10 40\n0 0 10 10 40\n"
        "0 0 30 40 20\n[Edges]\n0 1 0 10 10 20 0 10 10 20 0 10 12 30\n1 2 0 11 10 40\n"
        "2 7 0 5 5 5\n1 3 0 20 25 30 0 25 35 25\n");
    ASSERT_EQ(g->edgeCount(), 4u);
    const std::vector<WallTriangle> triangles = {
        {{{10, 12, 15, 0, 1, 0}}}, {{{8, 10, 15, -1, 0, 0}}}, {{{12, 10, 25, 1, 0, 0}}},
        {{{10, 8, 35, 0, -1, 0}}}, {{{10, 10, 41, 0, 0, 1}}}, {{{25, 30, 25, 1, 1, 0}}}};
    const std::vector<uint32_t> base = {0, 1, 5, 7};
    const std::vector<uint32_t> start = {0, 0, 2, 3, 3, 4, 5, 5, 6, 6};
    const WallTable wall{triangles.data(), uint32_t(triangles.size()), base.data(),
                         uint32_t(base.size()), start.data(), uint32_t(start.size())};
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(0.0f, 50.0f);
    std::vector<Point> points = polylineVertices(*g);
    for (int i = 0; i < 5000; ++i)
        points.push_back({coordinate(random), coordinate(random), coordinate(random)});
    // And on the half grid, where many distances come out equal.
    for (float x = 5; x <= 35; x += 2.5f)
        for (float y = 5; y <= 45; y += 2.5f)
            for (float z = 5; z <= 45; z += 2.5f)
                points.push_back({x, y, z});
    EXPECT_EQ(countDisagreements(*g, wall, points), 0);
    EXPECT_GT(countTies(*g, wall, points).segments, 10);
}

TEST(CollisionEquivalenceSmall, WithoutEdgesNothingIsFoundAndNothingIsTouched)
{
    const auto g = loadText("VoxelSize: 1 1 1\n[Artnodes]\n0 0 1 2 3\n");
    uint32_t from = 11, to = 12, segment = 13;
    float distance = 14.0f;
    EXPECT_FALSE(g->nearestSegment(1, 2, 3, from, to, segment, distance));
    EXPECT_EQ(from, 11u);
    EXPECT_EQ(to, 12u);
    EXPECT_EQ(segment, 13u);
    EXPECT_EQ(distance, 14.0f);
}
