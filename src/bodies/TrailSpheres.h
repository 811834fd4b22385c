// The trail's sphere, built as freeglut builds glutSolidSphere(0.02, 5, 5), and a whole trail
// drawn as one vertex-array batch instead of a hundred sphere calls.
#pragma once

#include <array>
#include <cstdint>

#include "math/Vektor3D.h"

namespace trail {

constexpr int sphereSlices = 5;
constexpr int sphereStacks = 5;
constexpr double sphereRadius = 0.02;
// A pole at each end and stacks - 1 rings of `slices` vertices, top first.
constexpr int sphereVertexCount = sphereSlices * (sphereStacks - 1) + 2;
// Each stack is a strip of 2 * slices triangles; the two cap strips spend half of theirs on
// the pole, where they have no area.
constexpr int sphereTriangleCount = 2 * sphereSlices * (sphereStacks - 1);

struct SphereMesh {
    float vertex[sphereVertexCount][3];  // radius 0.02, centred on the origin
    float normal[sphereVertexCount][3];  // unit length, pointing out
    // The stacks' strips, top first, taken apart into triangles in the order and with the
    // corner order GL draws them; the triangles without area are left out.
    uint16_t triangle[sphereTriangleCount][3];
};

const SphereMesh& sphereMesh();

constexpr int pointCount = 100;

// Where GL puts a point: the projection times the model-view matrix (column-major, as GL keeps
// them) and the viewport.
struct View {
    double clip[16];
    double viewport[4];  // x, y, width, height
};

// The current matrices and viewport, read back from GL.
View currentView();

// False only when a sphere of radius 0.02 at the point cannot give a single fragment: it lies
// wholly outside the view volume, or, wholly in front of the eye, the box round its outline on
// the window holds no pixel centre. Errs towards true by a wide margin.
bool sphereReachesAPixel(const View& view, const Vektor3D& centre);

// Draws a sphere at every point, in index order, in the colour (10, 10, 10, alpha), all in one
// draw call; spheres that cannot reach a pixel are left out. Afterwards lowers every alpha by
// 0.01 (in double precision, stored as float).
void drawTrailBatch(std::array<float, pointCount>& alpha,
                    const std::array<Vektor3D, pointCount>& points);

}  // namespace trail
