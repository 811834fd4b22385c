// The airway wall: a constant triangle mesh grouped by centre-line segment, and the two index
// tables that lead from a centre-line segment of the graph to its group of triangles.
// The arrays are defined in the generated world data; a file that defines them includes this
// header, so they get the external linkage that a namespace-scope const would otherwise lack.
#pragma once

#include <cstdint>
#include <type_traits>

struct WallVertex {
    float x, y, z;
    // Points out of the airway, into the tissue; not always of unit length.
    float nx, ny, nz;
};

// Counter-clockwise seen from inside the airway. Only vertex 0 takes part in the wall test.
struct WallTriangle {
    WallVertex vertex[3];
};

static_assert(sizeof(WallVertex) == 6 * sizeof(float), "a wall vertex is six packed floats");
static_assert(sizeof(WallTriangle) == 72, "a wall triangle is 18 packed floats");
static_assert(std::is_standard_layout<WallTriangle>::value &&
                  std::is_trivially_copyable<WallTriangle>::value,
              "the wall table is plain data");

constexpr uint32_t wallTriangleCount = 21822;
constexpr uint32_t wallSegmentBaseCount = 4;
constexpr uint32_t wallSegmentStartCount = 238;

extern const WallTriangle BronchiMesh[wallTriangleCount];
// Index: the `to` node of a graph edge (0 to 3). Value: the wall segment of its centre-line
// segment 0; centre-line segment k is wall segment wallSegmentBase[to] + k.
extern const uint32_t wallSegmentBase[wallSegmentBaseCount];
// Wall segment s holds triangles wallSegmentStart[s] up to wallSegmentStart[s + 1] - 1; the last
// entry closes segment 236, and the triangles after it belong to no group.
extern const uint32_t wallSegmentStart[wallSegmentStartCount];
