// The game's nearest centre-line segment against support/LiteralWallTest.h's, bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "support/LiteralWallTest.h"
#include "support/RealGraph.h"
#include "support/TextGraph.h"

using Point = std::array<float, 3>;

static void expectAgreement(const BronchiGraph& graph, const std::vector<Point>& points) {
    int disagreements = 0;
    for (const Point& p : points) {
        uint32_t a[3] = {7, 7, 7}, b[3] = {7, 7, 7};
        float da = 7.0f, db = 7.0f;
        const bool foundA = graph.nearestSegment(p[0], p[1], p[2], a[0], a[1], a[2], da);
        const bool foundB = literal::nearestSegment(graph, p[0], p[1], p[2], b[0], b[1], b[2], db);
        const auto game = std::make_tuple(foundA, a[0], a[1], a[2]);
        const auto spelled = std::make_tuple(foundB, b[0], b[1], b[2]);
        if ((game != spelled || std::memcmp(&da, &db, sizeof da) != 0) && ++disagreements <= 5)
            ADD_FAILURE() << testing::PrintToString(std::make_tuple(p, game, da, spelled, db));
    }
}

// Random points in the mesh's box and 30 beyond, points at and around the polyline vertices,
// where the stretch tests turn, and extreme ones.
TEST(CollisionEquivalence, AgreesOnTheAirwayAtRandomVertexAndExtremePoints) {
    std::mt19937 random(20240611);
    std::uniform_real_distribution<float> x(165.0f, 386.0f), y(246.0f, 429.0f), z(249.0f, 514.0f);
    std::vector<Point> points{{0, 0, 0},         {-0.0f, 0, 0},          {1e30f, 300, 400},
                              {INFINITY, 30, 40}, {3e38f, 3e38f, 3e38f}, {27, -INFINITY, 9},
                              {NAN, 30, 40},      {27, 33, NAN},         {1e-40f, 9, 9}};
    for (int i = 0; i < 20000; ++i)
        points.push_back({x(random), y(random), z(random)});
    for (uint32_t e = 0; const BronchiEdge* edge = realGraph().edge(e); ++e)
        for (const auto& v : edge->points)
            for (const float step : {0.0f, -1e-4f, 1e-4f, 0.5f})
                points.push_back({v->x + step, v->y - step, v->z + step});
    expectAgreement(realGraph(), points);
}

// No edge; voxel sizes of 0 and -0 that make coordinates infinite and NaN; then edge 0 1 repeats a
// point, 1 2 joins coinciding nodes, 2 7 names no node and 1 3 runs backwards.
TEST(CollisionEquivalence, AgreesOnNoEdgeOddVoxelsRepeatedPointsCoincidingNodesAndAMissingNode) {
    std::vector<Point> points{{NAN, 0, NAN}, {INFINITY, 3, INFINITY}, {-INFINITY, 0, 3e38f}};
    expectAgreement(*TextGraph("VoxelSize: 1 1 1\n[Artnodes]\n0 0 1 2 3\n"), points);
    expectAgreement(*TextGraph("VoxelSize: 0 1 -0\n[Artnodes]\n0 0 5 1 0\n1 0 -3 3 -7\n0 0 0 4 1\n"
                               "[Edges]\n0 1 0 1 2 1\n1 2\n"),
                    points);
    for (int i = 0; i < 31 * 41 * 41; ++i)  // from 5 to 35, 45, 45: many ties
        points.push_back({i % 31 + 5.0f, i / 31 % 41 + 5.0f, i / 31 / 41 + 5.0f});
    expectAgreement(*TextGraph("VoxelSize: 1 1 1\n[Artnodes]\n0 0 10 10 10\n0 0 10 10 40\n"
                               "0 0 10 10 40\n0 0 30 40 20\n[Edges]\n"
                               "0 1 0 10 10 20 0 10 10 20 0 10 12 30\n1 2 0 11 10 40\n"
                               "2 7 0 5 5 5\n1 3 0 20 25 30 0 25 35 25\n"),
                    points);
}
