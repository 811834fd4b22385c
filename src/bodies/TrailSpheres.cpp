// The trail sphere and the one-batch trail. The sphere's numbers follow freeglut's own steps in
// single precision, so that it is the very sphere glutSolidSphere draws.
#include "bodies/TrailSpheres.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <GL/gl.h>
// glDrawRangeElements is OpenGL 1.2; some gl.h headers stop at 1.1.
#include <GL/glext.h>

namespace trail {
namespace {

constexpr double pi = 3.14159265358979323846;

// freeglut's circle table: n points round a full circle (a negative n turns the other way) or
// n + 1 from 0 to pi. The angle step is a float, each sine and cosine taken in double.
void circleTable(int n, bool halfCircle, float sine[], float cosine[]) {
    const int size = std::abs(n);
    const float step = static_cast<float>(halfCircle ? 1 : 2) * static_cast<float>(pi) /
                       static_cast<float>(n);
    sine[0] = 0.0f;
    cosine[0] = 1.0f;
    for (int i = 1; i < size; ++i) {
        sine[i] = static_cast<float>(std::sin(static_cast<double>(step * static_cast<float>(i))));
        cosine[i] = static_cast<float>(std::cos(static_cast<double>(step * static_cast<float>(i))));
    }
    if (halfCircle) {
        sine[size] = 0.0f;
        cosine[size] = -1.0f;
    } else {
        sine[size] = sine[0];
        cosine[size] = cosine[0];
    }
}

void setVertex(SphereMesh& mesh, int index, float x, float y, float z) {
    const float radius = static_cast<float>(sphereRadius);
    mesh.vertex[index][0] = x * radius;
    mesh.vertex[index][1] = y * radius;
    mesh.vertex[index][2] = z * radius;
    mesh.normal[index][0] = x;
    mesh.normal[index][1] = y;
    mesh.normal[index][2] = z;
}

// Appends the triangles of one strip as GL forms them: corners k, k+1, k+2, the first two
// swapped in every odd triangle. Triangles that repeat a vertex cover no pixel.
void addStrip(const std::vector<int>& strip, std::vector<int>& corners) {
    for (std::size_t k = 0; k + 2 < strip.size(); ++k) {
        const int a = strip[k + (k & 1)];
        const int b = strip[k + 1 - (k & 1)];
        const int c = strip[k + 2];
        if (a != b && b != c && a != c) {
            corners.insert(corners.end(), {a, b, c});
        }
    }
}

SphereMesh buildSphere() {
    constexpr int slices = sphereSlices;
    constexpr int stacks = sphereStacks;
    float sine1[slices + 1], cosine1[slices + 1];
    float sine2[stacks + 1], cosine2[stacks + 1];
    circleTable(-slices, false, sine1, cosine1);
    circleTable(stacks, true, sine2, cosine2);

    SphereMesh mesh{};
    setVertex(mesh, 0, 0.0f, 0.0f, 1.0f);
    int index = 1;
    for (int i = 1; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j, ++index) {
            setVertex(mesh, index, cosine1[j] * sine2[i], sine1[j] * sine2[i], cosine2[i]);
        }
    }
    setVertex(mesh, index, 0.0f, 0.0f, -1.0f);
    const int bottom = index;

    // One strip per stack; each closes its ring by repeating the ring's first pair.
    std::vector<int> corners;
    std::vector<int> strip;
    for (int j = 0; j < slices; ++j) {
        strip.insert(strip.end(), {j + 1, 0});
    }
    strip.insert(strip.end(), {1, 0});
    addStrip(strip, corners);
    for (int i = 0; i < stacks - 2; ++i) {
        const int ring = 1 + i * slices;
        strip.clear();
        for (int j = 0; j < slices; ++j) {
            strip.insert(strip.end(), {ring + j + slices, ring + j});
        }
        strip.insert(strip.end(), {ring + slices, ring});
        addStrip(strip, corners);
    }
    const int lastRing = 1 + (stacks - 2) * slices;
    strip.clear();
    for (int j = 0; j < slices; ++j) {
        strip.insert(strip.end(), {bottom, lastRing + j});
    }
    strip.insert(strip.end(), {bottom, lastRing});
    addStrip(strip, corners);

    for (int t = 0; t < sphereTriangleCount; ++t) {
        for (int c = 0; c < 3; ++c) {
            mesh.triangle[t][c] =
                static_cast<uint16_t>(corners[static_cast<std::size_t>(t * 3 + c)]);
        }
    }
    return mesh;
}

constexpr int batchVertices = pointCount * sphereVertexCount;
constexpr int batchIndices = pointCount * sphereTriangleCount * 3;

// The arrays one trail is drawn from, rewritten for each trail; one thread draws, so one set
// serves all. Sphere slot k holds vertices 22k to 22k + 21; its normals and the colour's
// (10, 10, 10) never change, only the alpha.
struct Batch {
    float position[batchVertices][3];
    float normal[batchVertices][3];
    float colour[batchVertices][4];
    uint16_t index[batchIndices];
};

Batch& batch() {
    static Batch* const arrays = [] {
        static Batch storage;
        const SphereMesh& mesh = sphereMesh();
        for (int s = 0; s < pointCount; ++s) {
            for (int v = 0; v < sphereVertexCount; ++v) {
                for (int k = 0; k < 3; ++k) {
                    storage.normal[s * sphereVertexCount + v][k] = mesh.normal[v][k];
                    storage.colour[s * sphereVertexCount + v][k] = 10.0f;
                }
            }
        }
        return &storage;
    }();
    return *arrays;
}

// How far GL's single-precision transform may move a point of the airway, in world units:
// some sixteen units in the last place at its coordinates, and far more than it does.
constexpr double transformError = 1e-3;
// Pixel centres this much outside a box count as inside it: GL snaps window positions to
// 1/256 of a pixel.
constexpr double snapMargin = 0.02;

// The view of one trail's drawing, prepared for the tests below. Clip coordinates are
// (x, y, z, w); window axis k is clip axis k divided by w.
struct Screen {
    View view;
    double halfSize[2];  // half the viewport's width and height
    double centre[2];    // the viewport's centre
    // How far a shift of transformError can move clip axis k against w: x - w, x + w and so on.
    double planeSlack[3];
    // The same for the window: how far such a shift moves x / w, times w, for a point at most
    // one viewport half-size off the centre.
    double windowSlack[2];
    // The largest change of each clip coordinate over the cube round a sphere, and of each
    // plane's x - w (or x + w): the cube's half-width times the row's absolute sums.
    double cubeReach[4];
    double cubePlaneReach[3][2];
};

// The tessellated sphere lies inside the sphere, and that inside a cube with this half-width.
constexpr double cubeHalf = sphereRadius + 2.0 * transformError;

Screen prepareScreen(const View& view) {
    Screen screen{};
    screen.view = view;
    const double* m = view.clip;
    double rowLength[4];
    for (int row = 0; row < 4; ++row) {
        rowLength[row] = std::sqrt(m[row] * m[row] + m[4 + row] * m[4 + row] +
                                   m[8 + row] * m[8 + row]);
        screen.cubeReach[row] =
            cubeHalf * (std::fabs(m[row]) + std::fabs(m[4 + row]) + std::fabs(m[8 + row]));
    }
    for (int axis = 0; axis < 3; ++axis) {
        screen.planeSlack[axis] = transformError * (rowLength[axis] + rowLength[3]);
        for (int side = 0; side < 2; ++side) {
            const double sign = side == 0 ? -1.0 : 1.0;
            double reach = 0.0;
            for (int k = 0; k < 3; ++k) {
                reach += std::fabs(m[4 * k + axis] + sign * m[4 * k + 3]);
            }
            screen.cubePlaneReach[axis][side] = cubeHalf * reach;
        }
    }
    for (int axis = 0; axis < 2; ++axis) {
        screen.halfSize[axis] = 0.5 * view.viewport[axis + 2];
        screen.centre[axis] = view.viewport[axis] + screen.halfSize[axis];
        screen.windowSlack[axis] = std::fabs(screen.halfSize[axis]) * transformError *
                                   (rowLength[axis] + 2.0 * rowLength[3]);
    }
    return screen;
}

// Each vertex of the sphere mesh in clip coordinates, less the sphere centre's. A sphere's
// vertices are its float centre plus these, rounded to float: rounding moves them far less
// than transformError.
struct VertexOffsets {
    double clip[sphereVertexCount][4];
};

VertexOffsets vertexOffsets(const View& view, const SphereMesh& mesh) {
    VertexOffsets offsets;
    const double* m = view.clip;
    for (int v = 0; v < sphereVertexCount; ++v) {
        for (int row = 0; row < 4; ++row) {
            offsets.clip[v][row] = m[row] * mesh.vertex[v][0] + m[4 + row] * mesh.vertex[v][1] +
                                   m[8 + row] * mesh.vertex[v][2];
        }
    }
    return offsets;
}

void toClip(const View& view, const double p[3], double q[4]) {
    const double* m = view.clip;
    for (int row = 0; row < 4; ++row) {
        q[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    }
}

// Window coordinates this far from the centre are left to GL.
constexpr double farOff = 1e9;

// The first pixel centre (n + 0.5) at or after x, and the last at or before x, as n. For
// |x| below farOff.
long long firstCentreFrom(double x) {
    const double v = x - 0.5;
    const long long n = static_cast<long long>(v);
    return n + (static_cast<double>(n) < v ? 1 : 0);
}
long long lastCentreUpTo(double x) {
    const double v = x - 0.5;
    const long long n = static_cast<long long>(v);
    return n - (static_cast<double>(n) > v ? 1 : 0);
}

// False only when a sphere at the point cannot give a fragment: the cube round it lies wholly
// beyond one plane of the view volume, from which no fragment comes, or, wholly in front of
// the eye, its projection holds no pixel centre. Over the cube each clip coordinate stays
// within its reach of the centre's, which bounds x / w from both sides.
bool cubeReachesAPixel(const Screen& screen, const double centre[3]) {
    double q[4];
    toClip(screen.view, centre, q);
    for (int axis = 0; axis < 3; ++axis) {
        if (q[axis] - q[3] > screen.cubePlaneReach[axis][0] ||
            q[axis] + q[3] < -screen.cubePlaneReach[axis][1]) {
            return false;
        }
    }
    const double nearW = q[3] - screen.cubeReach[3];
    const double farW = q[3] + screen.cubeReach[3];
    if (!(nearW > 0.0)) {
        return true;
    }
    const double inverseNear = 1.0 / nearW;
    const double inverseFar = 1.0 / farW;
    for (int axis = 0; axis < 2; ++axis) {
        const double low = q[axis] - screen.cubeReach[axis];
        const double high = q[axis] + screen.cubeReach[axis];
        const double ndcLow = std::min(low * inverseNear, low * inverseFar);
        const double ndcHigh = std::max(high * inverseNear, high * inverseFar);
        const double windowLow = screen.centre[axis] + ndcLow * screen.halfSize[axis];
        const double windowHigh = screen.centre[axis] + ndcHigh * screen.halfSize[axis];
        if (!(std::fabs(windowLow - screen.centre[axis]) < farOff &&
              std::fabs(windowHigh - screen.centre[axis]) < farOff)) {
            return true;
        }
        // A viewport of negative size turns the box round.
        const double from = std::min(windowLow, windowHigh) - snapMargin;
        const double to = std::max(windowLow, windowHigh) + snapMargin;
        if (firstCentreFrom(from) > lastCentreUpTo(to)) {
            return false;
        }
    }
    return true;
}

// A sphere's vertex as the triangle test needs it: the planes it lies beyond (bit 2k: +w on
// clip axis k, bit 2k + 1: -w) and the pixel centres near it on both window axes.
struct VertexCells {
    unsigned beyond;
    long long first[2];
    long long last[2];
};

// Appends to `index` those triangles of the sphere centred at `centre` (its vertices at `base`
// on) that can give a fragment, in the sphere's own order, and returns how many indices it
// appended. A triangle is left out when its corners lie beyond one plane of the view volume,
// or, all in front of the eye, the box round them on the window holds no pixel centre.
int appendTrianglesThatReachAPixel(const Screen& screen, const VertexOffsets& offsets,
                                   const SphereMesh& mesh, const double centre[3], int base,
                                   uint16_t* index) {
    double c[4];
    toClip(screen.view, centre, c);
    VertexCells cells[sphereVertexCount];
    double window[sphereVertexCount][2];
    double nearest = 0.0;
    double farthestOff = 0.0;
    for (int v = 0; v < sphereVertexCount; ++v) {
        double q[4];
        for (int row = 0; row < 4; ++row) {
            q[row] = c[row] + offsets.clip[v][row];
        }
        unsigned beyond = 0;
        for (int axis = 0; axis < 3; ++axis) {
            beyond |= (q[axis] - q[3] > screen.planeSlack[axis] ? 1u : 0u) << (2 * axis);
            beyond |= (q[axis] + q[3] < -screen.planeSlack[axis] ? 2u : 0u) << (2 * axis);
        }
        cells[v].beyond = beyond;
        nearest = v == 0 ? q[3] : std::min(nearest, q[3]);
        const double inverseW = 1.0 / q[3];
        for (int axis = 0; axis < 2; ++axis) {
            const double off = q[axis] * inverseW * screen.halfSize[axis];
            window[v][axis] = screen.centre[axis] + off;
            farthestOff = std::max(farthestOff, std::fabs(off));
        }
    }
    // Behind the eye, or projected absurdly far off: only the planes decide.
    const bool boxes = nearest > 0.0 && farthestOff < farOff;
    if (boxes) {
        for (int axis = 0; axis < 2; ++axis) {
            // The slack holds up to one viewport half-size off the centre; beyond, it grows.
            const double reach =
                std::max(1.0, farthestOff / std::max(std::fabs(screen.halfSize[axis]), 1.0));
            const double margin = snapMargin + screen.windowSlack[axis] * reach / nearest;
            for (int v = 0; v < sphereVertexCount; ++v) {
                const double from = window[v][axis] - margin;
                const double to = window[v][axis] + margin;
                cells[v].first[axis] = firstCentreFrom(std::min(from, to));
                cells[v].last[axis] = lastCentreUpTo(std::max(from, to));
            }
        }
    }
    int appended = 0;
    for (const auto& t : mesh.triangle) {
        const VertexCells& a = cells[t[0]];
        const VertexCells& b = cells[t[1]];
        const VertexCells& d = cells[t[2]];
        if ((a.beyond & b.beyond & d.beyond) != 0) {
            continue;
        }
        if (boxes) {
            bool missed = false;
            for (int axis = 0; axis < 2 && !missed; ++axis) {
                const long long first = std::min({a.first[axis], b.first[axis], d.first[axis]});
                const long long last = std::max({a.last[axis], b.last[axis], d.last[axis]});
                missed = first > last;
            }
            if (missed) {
                continue;
            }
        }
        for (uint16_t corner : t) {
            index[appended++] = static_cast<uint16_t>(base + corner);
        }
    }
    return appended;
}

}  // namespace

const SphereMesh& sphereMesh() {
    static const SphereMesh mesh = buildSphere();
    return mesh;
}

View currentView() {
    double projection[16];
    double modelView[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetIntegerv(GL_VIEWPORT, viewport);
    View view{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += projection[k * 4 + row] * modelView[column * 4 + k];
            }
            view.clip[column * 4 + row] = sum;
        }
    }
    for (int i = 0; i < 4; ++i) {
        view.viewport[i] = viewport[i];
    }
    return view;
}

bool sphereReachesAPixel(const View& view, const Vektor3D& centre) {
    const double c[3] = {centre.x, centre.y, centre.z};
    return cubeReachesAPixel(prepareScreen(view), c);
}

void drawTrailBatch(std::array<float, pointCount>& alpha,
                    const std::array<Vektor3D, pointCount>& points) {
    Batch& arrays = batch();
    const SphereMesh& mesh = sphereMesh();
    const View view = currentView();
    const Screen screen = prepareScreen(view);
    const VertexOffsets offsets = vertexOffsets(view, mesh);

    // Spheres in index order, each with those of its triangles that can give a fragment, in
    // its own order: what GL would draw of the trail, less what it would throw away unseen.
    int spheres = 0;
    int indices = 0;
    for (int i = 0; i < pointCount; ++i) {
        const double point[3] = {points[i].x, points[i].y, points[i].z};
        if (!cubeReachesAPixel(screen, point)) {
            continue;
        }
        // GL keeps a translation in single precision: the sphere moves by the float point.
        const double centre[3] = {static_cast<float>(point[0]), static_cast<float>(point[1]),
                                  static_cast<float>(point[2])};
        const int base = spheres * sphereVertexCount;
        for (int v = 0; v < sphereVertexCount; ++v) {
            float* position = arrays.position[base + v];
            for (int k = 0; k < 3; ++k) {
                position[k] = static_cast<float>(centre[k] + mesh.vertex[v][k]);
            }
        }
        const int appended = appendTrianglesThatReachAPixel(screen, offsets, mesh, centre, base,
                                                            arrays.index + indices);
        if (appended == 0) {
            continue;
        }
        for (int v = 0; v < sphereVertexCount; ++v) {
            arrays.colour[base + v][3] = alpha[i];
        }
        indices += appended;
        ++spheres;
    }

    if (indices > 0) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, arrays.position);
        glNormalPointer(GL_FLOAT, 0, arrays.normal);
        glColorPointer(4, GL_FLOAT, 0, arrays.colour);
        glDrawRangeElements(GL_TRIANGLES, 0, static_cast<GLuint>(spheres * sphereVertexCount - 1),
                            indices, GL_UNSIGNED_SHORT, arrays.index);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }

    for (float& a : alpha) {
        a = static_cast<float>(static_cast<double>(a) - 0.01);
    }
}

}  // namespace trail
