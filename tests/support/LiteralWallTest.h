// The wall query spelled out step by step, without a single shortcut, for the equivalence test
// and the collision benchmark. Floats, sums left to right, as in the game.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <tuple>

#include "math/Vektor3D.h"
#include "world/BronchiGraph.h"
#include "world/WallCollision.h"

namespace literal {

inline float distance(const float p[3], const float q[3])
{
    const float d[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    return std::sqrt((d[0] * d[0] + d[1] * d[1]) + d[2] * d[2]);
}

// Calls visit(edge, k, d) for every centre-line segment in the query's order: segment k joins
// polyline vertex k and k + 1, and outside its stretch of the axis counts by its far end.
template <typename Visit>
void forEachSegment(const BronchiGraph& graph, const float p[3], Visit visit)
{
    for (uint32_t e = 0; e < graph.edgeCount(); ++e) {
        const BronchiEdge& edge = *graph.edge(e);
        float a[3], b[3];
        if (!graph.nodePosition(edge.from, a) || !graph.nodePosition(edge.to, b))
            continue;
        const std::size_t n = edge.points.size();
        const auto vertex = [&](std::size_t k) -> std::array<float, 3> {
            if (k == 0 || k > n)
                return {(k == 0 ? a : b)[0], (k == 0 ? a : b)[1], (k == 0 ? a : b)[2]};
            const GraphPoint& point = *edge.points[k - 1];
            return {point.x, point.y, point.z};
        };
        for (std::size_t k = 0; k <= n; ++k) {
            const std::array<float, 3> q = vertex(k), r = vertex(k + 1);
            const bool startOK = k == 0 ? graph.notBeforeStart(p, edge)
                                        : graph.notBeforePoint(p, *edge.points[k - 1], edge);
            const bool endOK = k < n ? graph.notAfterPoint(p, *edge.points[k], edge)
                                     : graph.notAfterEnd(p, edge);
            visit(edge, static_cast<uint32_t>(k),
                  startOK && endOK ? BronchiGraph::lineDistance(p, q.data(), r.data())
                                   : distance(p, r.data()));
        }
    }
}

inline bool nearestSegment(const BronchiGraph& graph, float x, float y, float z, uint32_t& from,
                           uint32_t& to, uint32_t& segment, float& distanceOut)
{
    const float p[3] = {x, y, z};
    bool found = false;
    forEachSegment(graph, p, [&](const BronchiEdge& edge, uint32_t k, float d) {
        if (!found || d < distanceOut)  // the first of equals wins
            std::tie(found, from, to, segment, distanceOut) =
                std::make_tuple(true, edge.from, edge.to, k, d);
    });
    return found;
}

inline bool insideNearestWall(const WallTable& wall, float x, float y, float z, uint32_t first,
                              uint32_t last)
{
    if (first >= wall.triangleCount)
        return true;
    const float p[3] = {x, y, z};
    float best = 4200000.0f;
    uint32_t bestIndex = first;
    for (uint32_t i = first; i + 1 < std::min(last, wall.triangleCount); ++i) {
        const WallVertex& v = wall.triangles[i].vertex[0];
        const float q[3] = {v.x, v.y, v.z}, d = distance(p, q);
        if (d < best)
            std::tie(best, bestIndex) = std::make_tuple(d, i);
    }
    const WallVertex& v = wall.triangles[bestIndex].vertex[0];
    return ((x - v.x) * v.nx + (y - v.y) * v.ny) + (z - v.z) * v.nz < 0.0f;
}

inline bool insideAirway(const BronchiGraph& graph, const WallTable& wall, Vektor3D position)
{
    const float x = float(position.x), y = float(position.y), z = float(position.z);
    uint32_t from = 0, to = 0, segment = 0;
    float d = 0.0f;
    if (!literal::nearestSegment(graph, x, y, z, from, to, segment, d) ||
        to >= wall.segmentBaseCount || wall.segmentStartCount == 0)
        return true;
    const uint64_t lastEntry = wall.segmentStartCount - 1;
    const uint64_t s = uint64_t{wall.segmentBase[to]} + segment;
    return s > lastEntry ||
           literal::insideNearestWall(wall, x, y, z, wall.segmentStart[s],
                                      wall.segmentStart[std::min(s + 1, lastEntry)]);
}

}  // namespace literal
