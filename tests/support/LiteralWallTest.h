// The wall test spelled out step by step, without a single shortcut: every segment test looks
// its edge's nodes up and forms the edge's axis afresh, every distance is taken in full. The
// game's faster query must give the very same answers, bit for bit; the equivalence test and
// the collision benchmark hold it against this. Floats, sums left to right, as in the game.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "math/Vektor3D.h"
#include "world/BronchiGraph.h"
#include "world/WallCollision.h"

namespace literal {

inline float distance(const float p[3], const float q[3])
{
    const float dx = p[0] - q[0];
    const float dy = p[1] - q[1];
    const float dz = p[2] - q[2];
    return std::sqrt((dx * dx + dy * dy) + dz * dz);
}

// Calls visit(edge, k, d) for every centre-line segment in the query's order, d its distance
// from p. Segment k of an edge joins polyline vertex k and k + 1: the `from` node, the points,
// the `to` node. Outside its stretch of the axis it is measured by its far end. An edge whose
// nodes do not both exist has no geometry.
template <typename Visit>
void forEachSegment(const BronchiGraph& graph, const float p[3], Visit visit)
{
    for (uint32_t e = 0; e < graph.edgeCount(); ++e) {
        const BronchiEdge& edge = *graph.edge(e);
        float a[3];
        float b[3];
        if (!graph.nodePosition(edge.from, a) || !graph.nodePosition(edge.to, b))
            continue;
        const std::size_t n = edge.points.size();
        for (std::size_t k = 0; k <= n; ++k) {
            float q[3];
            float r[3];
            if (k == 0) {
                std::copy(a, a + 3, q);
            } else {
                const GraphPoint& point = *edge.points[k - 1];
                q[0] = point.x;
                q[1] = point.y;
                q[2] = point.z;
            }
            if (k < n) {
                const GraphPoint& point = *edge.points[k];
                r[0] = point.x;
                r[1] = point.y;
                r[2] = point.z;
            } else {
                std::copy(b, b + 3, r);
            }
            const bool startOK = k == 0 ? graph.notBeforeStart(p, edge)
                                        : graph.notBeforePoint(p, *edge.points[k - 1], edge);
            const bool endOK = k < n ? graph.notAfterPoint(p, *edge.points[k], edge)
                                     : graph.notAfterEnd(p, edge);
            visit(edge, static_cast<uint32_t>(k),
                  startOK && endOK ? BronchiGraph::lineDistance(p, q, r) : distance(p, r));
        }
    }
}

inline bool nearestSegment(const BronchiGraph& graph, float x, float y, float z, uint32_t& from,
                           uint32_t& to, uint32_t& segment, float& distanceOut)
{
    const float p[3] = {x, y, z};
    bool found = false;
    float best = 0.0f;
    forEachSegment(graph, p, [&](const BronchiEdge& edge, uint32_t k, float d) {
        if (!found || d < best) {
            best = d;
            found = true;
            from = edge.from;
            to = edge.to;
            segment = k;
            distanceOut = d;
        }
    });
    return found;
}

inline bool insideNearestWall(const WallTable& wall, float x, float y, float z, uint32_t first,
                              uint32_t last)
{
    if (first >= wall.triangleCount)
        return true;
    const uint32_t end = std::min(last, wall.triangleCount);
    const float p[3] = {x, y, z};
    float best = 4200000.0f;
    uint32_t bestIndex = first;
    for (uint32_t i = first; i + 1 < end; ++i) {
        const WallVertex& v = wall.triangles[i].vertex[0];
        const float q[3] = {v.x, v.y, v.z};
        const float d = distance(p, q);
        if (d < best) {
            best = d;
            bestIndex = i;
        }
    }
    const WallVertex& v = wall.triangles[bestIndex].vertex[0];
    return ((x - v.x) * v.nx + (y - v.y) * v.ny) + (z - v.z) * v.nz < 0.0f;
}

inline bool insideAirway(const BronchiGraph& graph, const WallTable& wall, Vektor3D position)
{
    const float x = static_cast<float>(position.x);
    const float y = static_cast<float>(position.y);
    const float z = static_cast<float>(position.z);
    uint32_t from = 0;
    uint32_t to = 0;
    uint32_t segment = 0;
    float d = 0.0f;
    if (!literal::nearestSegment(graph, x, y, z, from, to, segment, d))
        return true;
    if (to >= wall.segmentBaseCount || wall.segmentStartCount == 0)
        return true;
    const uint64_t lastEntry = wall.segmentStartCount - 1;
    const uint64_t s = uint64_t{wall.segmentBase[to]} + segment;
    if (s > lastEntry)
        return true;
    const uint32_t first = wall.segmentStart[s];
    const uint32_t last = wall.segmentStart[std::min(s + 1, lastEntry)];
    return literal::insideNearestWall(wall, x, y, z, first, last);
}

}  // namespace literal
