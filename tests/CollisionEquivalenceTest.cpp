// The game's wall query against the one spelled out in support/LiteralWallTest.h: bit for bit,
// ties included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>

#include "support/LiteralWallTest.h"
#include "support/RealGraph.h"
#include "world/World.h"

using Point = std::array<float, 3>;

static std::unique_ptr<BronchiGraph> loadText(const std::string& text)
{
    const std::string file = testing::TempDir() + std::to_string(std::random_device{}()) + ".gra";
    std::ofstream(file) << text;
    auto graph = std::make_unique<BronchiGraph>(file.c_str());
    std::remove(file.c_str());
    return graph;
}

static int expectAgreement(const BronchiGraph& graph, const WallTable& wall,
                           const std::vector<Point>& points)
{
    int disagreements = 0, ties = 0;  // ties: segments as near as the nearest, beside it
    for (const Point& p : points) {
        uint32_t a[3] = {7, 7, 7}, b[3] = {7, 7, 7};
        float da = 7.0f, db = 7.0f;
        const bool foundA = graph.nearestSegment(p[0], p[1], p[2], a[0], a[1], a[2], da);
        const bool foundB = literal::nearestSegment(graph, p[0], p[1], p[2], b[0], b[1], b[2], db);
        const Vektor3D at(p[0], p[1], p[2]);
        const auto game = std::make_tuple(foundA, a[0], a[1], a[2], insideAirway(graph, wall, at));
        const auto spelled =
            std::make_tuple(foundB, b[0], b[1], b[2], literal::insideAirway(graph, wall, at));
        if ((game != spelled || std::memcmp(&da, &db, sizeof da) != 0) && ++disagreements <= 5)
            ADD_FAILURE() << testing::PrintToString(std::make_tuple(p, game, da, spelled, db));
        literal::forEachSegment(graph, p.data(),
                                [&](const BronchiEdge&, uint32_t, float d) { ties += d == db; });
        ties -= foundB;
    }
    return ties;
}

TEST(CollisionEquivalence, AgreesOnTheAirwayAtRandomTiedAndExtremePoints)
{
    std::mt19937 random(20240611);  // the mesh's box and 30 beyond
    std::uniform_real_distribution<float> x(165.0f, 386.0f), y(246.0f, 429.0f), z(249.0f, 514.0f);
    std::vector<Point> points, seeds;
    for (int i = 0; i < 20000; ++i) points.push_back({x(random), y(random), z(random)});
    // Around polyline vertices, where the stretch tests turn, and between wall vertices, where
    // distances tie.
    for (uint32_t e = 0; const BronchiEdge* edge = realGraph().edge(e); ++e) {
        realGraph().nodePosition(edge->from, seeds.emplace_back().data());
        for (const auto& p : edge->points) seeds.push_back({p->x, p->y, p->z});
        realGraph().nodePosition(edge->to, seeds.emplace_back().data());
    }
    for (uint32_t i = 0; i + 1 < wallTriangleCount; i += 10)
        for (const WallVertex& v : {BronchiMesh[i].vertex[0], BronchiMesh[i + 1].vertex[0]})
            seeds.push_back({v.x, v.y, v.z});
    for (std::size_t i = 0; i + 1 < seeds.size(); ++i) {
        const Point &v = seeds[i], &w = seeds[i + 1];
        points.push_back({(v[0] + w[0]) * 0.5f, (v[1] + w[1]) * 0.5f, (v[2] + w[2]) * 0.5f});
        for (const float step : {0.0f, -1e-4f, 1e-4f, -0.5f, 0.5f, 3.0f})
            for (int k = 0; k < 3; ++k) {
                points.push_back(v);
                points.back()[k] += step;
            }
    }
    points.insert(points.end(), {{0, 0, 0}, {-0.0f, 0, 0}, {1e30f, 300, 400}, {INFINITY, 30, 40},
                                 {-1e30f, -1e30f, 1e30f}, {3e38f, 3e38f, 3e38f}, {27, -INFINITY, 9},
                                 {NAN, 30, 40}, {27, 33, NAN}, {NAN, NAN, NAN}, {1e-40f, 9, 9}});
    EXPECT_GT(expectAgreement(realGraph(), bronchiWall, points), 100);
}

TEST(CollisionEquivalence, AgreesOnRepeatedPointsCoincidingNodesMissingNodeBackwardEdgeNoEdge)
{
    // Edge 0 1 repeats a point, 1 2 joins coinciding nodes, 2 7 names no node, 1 3 runs backwards.
    const auto g = loadText("VoxelSize: 1 1 1\n"
                            "[Artnodes]\n0 0 10 10 10\n0 0 10 10 40\n0 0 10 10 40\n0 0 30 40 20\n"
                            "[Edges]\n0 1 0 10 10 20 0 10 10 20 0 10 12 30\n1 2 0 11 10 40\n"
                            "2 7 0 5 5 5\n1 3 0 20 25 30 0 25 35 25\n");
    const std::vector<WallTriangle> triangles = {
        {{{10, 12, 15, 0, 1, 0}}}, {{{8, 10, 15, -1, 0, 0}}}, {{{12, 10, 25, 1, 0, 0}}},
        {{{10, 8, 35, 0, -1, 0}}}, {{{10, 10, 41, 0, 0, 1}}}, {{{25, 30, 25, 1, 1, 0}}}};
    const std::vector<uint32_t> base = {0, 1, 5, 7};
    const std::vector<uint32_t> start = {0, 0, 2, 3, 3, 4, 5, 5, 6, 6};
    const WallTable wall{triangles.data(), 6, base.data(), 4, start.data(), 10};
    std::vector<Point> points;  // the whole grid from 5 to 35, 45, 45: every vertex, many ties
    for (int i = 0; i < 31 * 41 * 41; ++i)
        points.push_back({i % 31 + 5.0f, i / 31 % 41 + 5.0f, i / 31 / 41 + 5.0f});
    EXPECT_GT(expectAgreement(*g, wall, points), 10);
    expectAgreement(*loadText("VoxelSize: 1 1 1\n[Artnodes]\n0 0 1 2 3\n"), wall, {{1, 2, 3}});
    // Voxel sizes of 0 and -0 make coordinates infinite and NaN.
    const auto odd = loadText("VoxelSize: 0 1 -0\n[Artnodes]\n0 0 5 1 0\n1 0 -3 3 -7\n0 0 0 4 1\n"
                              "[Edges]\n0 1 0 1 2 1\n1 2\n");
    expectAgreement(*odd, wall,
                    {{0, 0, 0}, {NAN, 0, NAN}, {INFINITY, 3, INFINITY}, {-INFINITY, 0, 3e38f}});
}
