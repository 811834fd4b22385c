// The wall test of the ship: does a position lie on the lumen side of the airway wall next to it?
// It reads the wall through a view, so that the game hands it BronchiMesh and tests small tables.
#pragma once

#include <cstdint>

#include "math/Vektor3D.h"
#include "world/BronchiMesh.h"

class BronchiGraph;

struct WallTable {
    const WallTriangle* triangles;
    uint32_t triangleCount;
    const uint32_t* segmentBase;  // indexed by an edge's `to` node
    uint32_t segmentBaseCount;
    const uint32_t* segmentStart;  // its last entry only closes the last group
    uint32_t segmentStartCount;
};

// Finds the centre-line segment nearest to the position (in floats), takes that segment's group
// of triangles and tests the position against the nearest first vertex among them.
// Where the table has nothing to test against (no usable edge, a `to` past segmentBase, a wall
// segment past segmentStart, a first triangle past the mesh), there is no wall known to hit and
// the position counts as inside.
bool insideAirway(const BronchiGraph& graph, const WallTable& wall, Vektor3D position);

// True when (x, y, z) lies strictly on the lumen side of vertex 0 of the triangle, among first to
// last - 2, whose vertex 0 is nearest; ties go to the lower index. The range's last triangle is
// never searched, and a range of no or one triangle takes triangle first as it is.
// A range reaching past the mesh is cut at its end.
bool insideNearestWall(const WallTable& wall, float x, float y, float z, uint32_t first,
                       uint32_t last);
