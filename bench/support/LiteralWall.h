// The nearest centre-line segment spelled out step by step, without a single shortcut: the
// collision benchmark's baseline. Floats, sums left to right, as in the game.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <vector>

#include "world/BronchiGraph.h"

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

}  // namespace literal
