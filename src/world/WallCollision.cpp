// The wall test: nearest centre-line segment, its group of wall triangles, nearest first vertex,
// side of that vertex's tangent plane. All in 32-bit floats.
#include "world/WallCollision.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "world/BronchiGraph.h"

bool insideAirway(const BronchiGraph& graph, const WallTable& wall, Vektor3D position) {
    const float x = static_cast<float>(position.x);
    const float y = static_cast<float>(position.y);
    const float z = static_cast<float>(position.z);
    uint32_t from = 0;
    uint32_t to = 0;
    uint32_t segment = 0;
    float distance = 0.0f;
    if (!graph.nearestSegment(x, y, z, from, to, segment, distance)) {
        return true;
    }
    if (to >= wall.segmentBaseCount || wall.segmentStartCount == 0) {
        return true;
    }
    const uint64_t lastEntry = wall.segmentStartCount - 1;
    const uint64_t s = uint64_t{wall.segmentBase[to]} + segment;
    if (s > lastEntry) {
        return true;
    }
    // Only the end of the range is clamped: the last entry closes the last group.
    const uint32_t first = wall.segmentStart[s];
    const uint32_t last = wall.segmentStart[std::min(s + 1, lastEntry)];
    return insideNearestWall(wall, x, y, z, first, last);
}

bool insideNearestWall(const WallTable& wall, float x, float y, float z, uint32_t first,
                       uint32_t last) {
    if (first >= wall.triangleCount) {
        return true;
    }
    const uint32_t end = std::min(last, wall.triangleCount);
    // Vertices farther than this never win, and triangle first stays.
    float best = 4200000.0f;
    uint32_t bestIndex = first;
    // The square that best is the root of (none yet for the starting value). The root never
    // falls as its argument grows, so a square at or above it cannot give a distance below
    // best; only smaller ones need their root taken and compared.
    float bestSquare = std::numeric_limits<float>::infinity();
    for (uint32_t i = first; i + 1 < end; ++i) {
        const WallVertex& v = wall.triangles[i].vertex[0];
        const float dx = x - v.x;
        const float dy = y - v.y;
        const float dz = z - v.z;
        const float square = (dx * dx + dy * dy) + dz * dz;
        if (square < bestSquare) {
            const float d = std::sqrt(square);
            if (d < best) {
                best = d;
                bestSquare = square;
                bestIndex = i;
            }
        }
    }
    const WallVertex& v = wall.triangles[bestIndex].vertex[0];
    // Normals point out of the airway: the lumen side is where this is negative; the plane
    // itself is outside.
    const float side = ((x - v.x) * v.nx + (y - v.y) * v.ny) + (z - v.z) * v.nz;
    return side < 0.0f;
}
