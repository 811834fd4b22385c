// The wall query spelled out step by step, without a single shortcut: the collision benchmark's
// baseline. Floats, sums left to right, as in the game.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <vector>

#include "math/Vektor3D.h"
#include "world/BronchiGraph.h"
#include "world/WallCollision.h"

namespace literal {

inline float distance(const float p[3], const float q[3])
{
    const float d[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    return std::sqrt((d[0] * d[0] + d[1] * d[1]) + d[2] * d[2]);
}

// Segment k joins polyline vertex k and k + 1; outside its stretch of the axis it counts by its
// far end. The first of equals wins.
inline bool nearestSegment(const BronchiGraph& graph, float x, float y, float z, uint32_t& from,
                           uint32_t& to, uint32_t& segment, float& distanceOut)
{
    const float p[3] = {x, y, z};
    bool found = false;
    for (uint32_t e = 0; e < graph.edgeCount(); ++e) {
        const BronchiEdge& edge = *graph.edge(e);
        std::vector<std::array<float, 3>> line(1);
        if (!graph.nodePosition(edge.from, line[0].data()))
            continue;
        for (const auto& point : edge.points) line.push_back({point->x, point->y, point->z});
        if (!graph.nodePosition(edge.to, line.emplace_back().data()))
            continue;
        const std::size_t n = edge.points.size();
        for (std::size_t k = 0; k <= n; ++k) {
            const float *q = line[k].data(), *r = line[k + 1].data();
            const bool startOK = k == 0 ? graph.notBeforeStart(p, edge)
                                        : graph.notBeforePoint(p, *edge.points[k - 1], edge);
            const bool endOK = k < n ? graph.notAfterPoint(p, *edge.points[k], edge)
                                     : graph.notAfterEnd(p, edge);
            const float d = startOK && endOK ? BronchiGraph::lineDistance(p, q, r) : distance(p, r);
            if (!found || d < distanceOut)
                std::tie(found, from, to, segment, distanceOut) =
                    std::make_tuple(true, edge.from, edge.to, uint32_t(k), d);
        }
    }
    return found;
}

// The wall test spelled out on top of the literal nearest segment, as literally.
inline bool insideAirway(const BronchiGraph& graph, const WallTable& wall, const Vektor3D& position)
{
    const float p[3] = {float(position.x), float(position.y), float(position.z)};
    uint32_t from = 0, to = 0, segment = 0;
    float segmentDistance = 0.0f;
    if (!nearestSegment(graph, p[0], p[1], p[2], from, to, segment,
                                 segmentDistance) ||
        to >= wall.segmentBaseCount || wall.segmentStartCount == 0)
        return true;
    const uint64_t lastEntry = wall.segmentStartCount - 1;
    const uint64_t s = uint64_t{wall.segmentBase[to]} + segment;
    if (s > lastEntry || wall.segmentStart[s] >= wall.triangleCount)
        return true;
    // The nearest vertex 0 in the group but for its last triangle; the first of equals wins.
    const uint32_t first = wall.segmentStart[s];
    const uint32_t last = std::min<uint64_t>(wall.segmentStart[std::min(s + 1, lastEntry)],
                                             wall.triangleCount);
    float best = 4200000.0f;
    const WallVertex* nearest = &wall.triangles[first].vertex[0];
    for (uint32_t i = first; i + 1 < last; ++i) {
        const WallVertex& v = wall.triangles[i].vertex[0];
        const float q[3] = {v.x, v.y, v.z}, d = distance(p, q);
        if (d < best)
            std::tie(best, nearest) = std::make_tuple(d, &v);
    }
    const WallVertex& v = *nearest;
    return ((p[0] - v.x) * v.nx + (p[1] - v.y) * v.ny) + (p[2] - v.z) * v.nz < 0.0f;
}

}  // namespace literal
