// Missile drawing: nose, body tube, flame and trail in the tabled order, the flame length
// from the phase, the trail's spheres (freeglut's 5 x 5 sphere, one batch, unseen ones left
// out) and its alpha fade per drawn frame.
#include "bodies/Missile.h"

#include <GL/glut.h>

#include <algorithm>

#include "GlExpect.h"

namespace {

struct Face {
    Point normal;
    std::vector<Point> vertices;
};

const Face nose[4] = {
    {{0, -1, 1}, {{0, 0, 3}, {-0.1, 0.1, 2}, {0.1, 0.1, 2}}},
    {{0, 1, 1}, {{0, 0, 3}, {-0.1, -0.1, 2}, {0.1, -0.1, 2}}},
    {{1, 0, 1}, {{0, 0, 3}, {-0.1, 0.1, 2}, {-0.1, -0.1, 2}}},
    {{-1, 0, 1}, {{0, 0, 3}, {0.1, 0.1, 2}, {0.1, -0.1, 2}}},
};

const Face tube[4] = {
    {{-1, 0, 0}, {{-0.1, 0.1, 0}, {-0.1, 0.1, 2}, {-0.1, -0.1, 2}, {-0.1, -0.1, 0}}},
    {{1, 0, 0}, {{0.1, 0.1, 0}, {0.1, 0.1, 2}, {0.1, -0.1, 2}, {0.1, -0.1, 0}}},
    {{0, 1, 0}, {{-0.1, 0.1, 0}, {-0.1, 0.1, 2}, {0.1, 0.1, 2}, {0.1, 0.1, 0}}},
    {{0, -1, 0}, {{-0.1, -0.1, 0}, {-0.1, -0.1, 2}, {0.1, -0.1, 2}, {0.1, -0.1, 0}}},
};

const Point flameCorners[4][2] = {
    {{-0.1, -0.1, 0}, {0.1, -0.1, 0}},
    {{-0.1, 0.1, 0}, {0.1, 0.1, 0}},
    {{-0.1, -0.1, 0}, {-0.1, 0.1, 0}},
    {{0.1, -0.1, 0}, {0.1, 0.1, 0}},
};

Point point(const Vektor3D& v) { return {v.x, v.y, v.z}; }

Frame frameOf(const Missile& m) {
    return Frame{point(m.position), cross(point(m.up), point(m.forward)), point(m.up),
                 point(m.forward)};
}

// One drawn frame lowers an alpha by 0.01 in double precision, stored back as float.
float faded(float alpha) { return static_cast<float>(static_cast<double>(alpha) - 0.01); }

// The model's calls: nose, tube and flame.
Expected expectedModel(const Missile& m, double flameLength) {
    const Frame f = frameOf(m);
    Expected e;
    e.begin(GL_TRIANGLES).color4d(1, 1, 1, 1);
    for (const Face& face : nose) {
        e.normal(f.direction(face.normal[0], face.normal[1], face.normal[2]));
        for (const Point& v : face.vertices) {
            e.vertex(f.at(v[0], v[1], v[2]));
        }
    }
    e.end();
    for (const Face& face : tube) {
        e.begin(GL_POLYGON).normal(f.direction(face.normal[0], face.normal[1], face.normal[2]));
        for (const Point& v : face.vertices) {
            e.vertex(f.at(v[0], v[1], v[2]));
        }
        e.end();
    }
    e.begin(GL_TRIANGLES).normal({-f.forward[0], -f.forward[1], -f.forward[2]});
    for (const auto& corners : flameCorners) {
        e.color4d(10, 10, 10, 1).vertex(f.at(0, 0, -flameLength)).color4d(0, 0, 10, 1);
        e.vertex(f.at(corners[0][0], corners[0][1], 0)).vertex(f.at(corners[1][0], corners[1][1], 0));
    }
    e.end();
    return e;
}

// freeglut's sphere with 5 slices and 5 stacks: a pole on +z, four rings of five vertices from
// the top down, each ring turning the negative way round z from +x, and a pole on -z. Each
// stack is a triangle strip; what GL draws of the strips, without the triangles that repeat the
// pole, is: the top cap, then per band two triangles per slice, then the bottom cap.
struct SphereTriangle {
    Point corner[3];  // unit directions from the centre
};

std::vector<SphereTriangle> sphereTriangles() {
    const double pi = std::acos(-1.0);
    auto ring = [pi](int stack, int slice) {
        const double polar = pi * stack / 5.0;
        const double turn = -2.0 * pi * (slice % 5) / 5.0;
        return Point{std::sin(polar) * std::cos(turn), std::sin(polar) * std::sin(turn),
                     std::cos(polar)};
    };
    const Point top{0, 0, 1};
    const Point bottom{0, 0, -1};
    std::vector<SphereTriangle> triangles;
    for (int j = 0; j < 5; ++j) {
        triangles.push_back({{ring(1, j), top, ring(1, j + 1)}});
    }
    for (int s = 1; s <= 3; ++s) {
        for (int j = 0; j < 5; ++j) {
            triangles.push_back({{ring(s + 1, j), ring(s, j), ring(s + 1, j + 1)}});
            triangles.push_back({{ring(s + 1, j + 1), ring(s, j), ring(s, j + 1)}});
        }
    }
    for (int j = 0; j < 5; ++j) {
        triangles.push_back({{bottom, ring(4, j), ring(4, j + 1)}});
    }
    return triangles;
}

// One drawn corner of a trail triangle, as the recorder read it from the arrays.
struct Corner {
    Point position;
    Point normal;
    double colour[4];
};

// The corners of the trail batch: the elements after the one array draw of the log.
std::vector<Corner> trailCorners(const std::vector<GlCall>& calls) {
    std::vector<Corner> corners;
    int draws = 0;
    for (const GlCall& c : calls) {
        draws += c.name == "glDrawRangeElements" ? 1 : 0;
        if (c.name == glrecorder::element) {
            const auto& a = c.args;
            corners.push_back({{a[1], a[2], a[3]}, {a[4], a[5], a[6]}, {a[7], a[8], a[9], a[10]}});
        }
    }
    EXPECT_LE(draws, 1) << "one batch per trail";
    return corners;
}

double distance(const Point& a, const Point& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

// How near a single-precision position comes to the point p: a few units in the last place.
double floatTolerance(const Point& p) {
    return 1e-6 + 2e-7 * std::max({std::fabs(p[0]), std::fabs(p[1]), std::fabs(p[2])});
}

// Checks that `corners`, from `at` on, hold the 40 triangles of a sphere of radius 0.02 round
// the point, in the sphere's order and in the colour (10, 10, 10, alpha); returns the index
// after them. Positions are single-precision.
std::size_t expectSphere(const std::vector<Corner>& corners, std::size_t at, const Vektor3D& point,
                         float alpha, int sphere) {
    const std::vector<SphereTriangle> triangles = sphereTriangles();
    const Point centre{point.x, point.y, point.z};
    for (const SphereTriangle& t : triangles) {
        for (const Point& direction : t.corner) {
            if (at >= corners.size()) {
                ADD_FAILURE() << "sphere " << sphere << " is cut short";
                return at;
            }
            const Corner& c = corners[at++];
            const Point expected{centre[0] + 0.02 * direction[0], centre[1] + 0.02 * direction[1],
                                 centre[2] + 0.02 * direction[2]};
            EXPECT_LT(distance(c.position, expected), floatTolerance(expected))
                << "sphere " << sphere;
            EXPECT_LT(distance(c.normal, direction), 1e-6) << "sphere " << sphere;
            EXPECT_EQ(c.colour[0], 10.0);
            EXPECT_EQ(c.colour[1], 10.0);
            EXPECT_EQ(c.colour[2], 10.0);
            EXPECT_EQ(c.colour[3], static_cast<double>(alpha)) << "sphere " << sphere;
        }
    }
    return at;
}

Missile flyingMissile() {
    const double r = 1.0 / std::sqrt(2.0);
    Missile m(Vektor3D(4.5, -2, 7), Vektor3D(0, r, r), Vektor3D(0.6, -0.8 * r, 0.8 * r),
              Vektor3D(0.1, 0.2, -0.05), Vektor3D(0.0001, 0.0002, -0.0001));
    for (int i = 0; i < 7; ++i) {
        m.update(30);
    }
    return m;
}

}  // namespace

TEST(MissileDraw, IssuesNoseTubeFlameAndTrailInTheTabledOrder) {
    Missile m = flyingMissile();
    m.flamePhase = 2.6f;
    const Missile before = m;
    glrecorder::start();
    m.draw();
    const std::vector<GlCall>& calls = glrecorder::calls();
    const Expected model = expectedModel(before, 2.0);
    expectCalls(std::vector<GlCall>(calls.begin(),
                                    calls.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                        calls.size(), model.calls.size()))),
                model.calls);

    // Then the trail, every sphere in index order with the alpha it had before the draw.
    const std::vector<Corner> corners = trailCorners(calls);
    std::size_t at = 0;
    for (int i = 0; i < Missile::trailLength; ++i) {
        at = expectSphere(corners, at, before.trail[i], before.trailAlpha[i], i);
    }
    EXPECT_EQ(at, corners.size());
    EXPECT_EQ(glrecorder::enabledClientArrays(), 0) << "arrays left on would reach other draws";

    // The draw refreshed side and faded every trail point once.
    const Frame f = frameOf(before);
    EXPECT_DOUBLE_EQ(m.side.x, f.side[0]);
    EXPECT_DOUBLE_EQ(m.side.y, f.side[1]);
    EXPECT_DOUBLE_EQ(m.side.z, f.side[2]);
    for (int i = 0; i < Missile::trailLength; ++i) {
        EXPECT_EQ(m.trailAlpha[i], faded(before.trailAlpha[i])) << i;
    }
}

TEST(MissileDraw, FlameTipLiesTheTruncatedPhaseBehindTheTail) {
    const std::pair<float, double> cases[] = {
        {0.0f, 0.0}, {-1.0f, 1.0}, {2.6f, 2.0}, {0.99f, 0.0}, {-1.5f, 1.0}, {3.0f, 3.0}};
    for (const auto& [phase, length] : cases) {
        Missile m = flyingMissile();
        m.flamePhase = phase;
        const Point tip = frameOf(m).at(0, 0, -length);
        glrecorder::start();
        m.draw();
        // Nose and tube take 28 vertices; the four flame tips follow every third vertex.
        const std::vector<GlCall> vertices = callsNamed(glrecorder::calls(), "glVertex3d");
        ASSERT_EQ(vertices.size(), 40u);
        for (std::size_t k = 28; k < 40; k += 3) {
            expectCalls({vertices[k]}, Expected().vertex(tip).calls);
        }
    }
}

TEST(MissileDraw, TrailPointsFadeByOneHundredthPerDrawnFrame) {
    Missile m(Vektor3D(), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), Vektor3D(), Vektor3D());
    m.update(30);  // lays slot 0 with alpha 1; slot 1 stays unwritten
    float laid = 1.0f;
    float unwritten = 0.0f;
    constexpr std::size_t cornersPerSphere = 120;
    for (int frame = 0; frame < 102; ++frame) {
        glrecorder::start();
        m.draw();
        const std::vector<Corner> corners = trailCorners(glrecorder::calls());
        ASSERT_EQ(corners.size(), 100 * cornersPerSphere);
        ASSERT_EQ(corners[0].colour[3], static_cast<double>(laid)) << frame;
        ASSERT_EQ(corners[cornersPerSphere].colour[3], static_cast<double>(unwritten)) << frame;
        laid = faded(laid);
        unwritten = faded(unwritten);
    }
    // The first frames draw 1.0, 0.99, 0.98, ...; after 100 frames the point is gone.
    EXPECT_NEAR(laid, -0.02f, 1e-5);
    EXPECT_LT(m.trailAlpha[0], 0.0f);
    EXPECT_EQ(m.trailAlpha[0], laid);
}

namespace {

// gluPerspective(45, 1, 1, 1000) and an eye at the origin looking down -z, on an 800 x 600
// window: a sphere of radius 0.02 at distance d spans about 19 / d pixels across.
void useCamera() {
    const double f = 1.0 / std::tan(std::acos(-1.0) / 8.0);
    const double projection[16] = {f, 0, 0, 0, 0, f, 0, 0, 0, 0, -1001.0 / 999.0, -1,
                                   0, 0, -2000.0 / 999.0, 0};
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const int viewport[4] = {0, 0, 800, 600};
    glrecorder::setView(projection, identity, viewport);
}

// The point at distance d in front of the eye that falls on window position (x, y).
Vektor3D onWindow(double x, double y, double d) {
    const double f = 1.0 / std::tan(std::acos(-1.0) / 8.0);
    return Vektor3D((x / 400.0 - 1.0) * d / f, (y / 300.0 - 1.0) * d / f, -d);
}

}  // namespace

TEST(MissileDraw, TrailLeavesOutOnlySpheresThatCannotReachAPixel) {
    Missile m(Vektor3D(0, 0, -3), Vektor3D(0, 1, 0), Vektor3D(0, 0, -1), Vektor3D(), Vektor3D());
    for (int i = 0; i < Missile::trailLength; ++i) {
        m.trail[i] = Vektor3D(0, 0, 5);  // behind the eye
        m.trailAlpha[i] = 0.5f + 0.004f * i;
    }
    m.trail[3] = onWindow(400, 300, 2.5);       // large, in the middle
    m.trail[10] = Vektor3D(0, 0, -1200);        // beyond the far plane
    m.trail[20] = onWindow(-30, 300, 5);        // left of the window
    m.trail[30] = onWindow(400, 300, 500);      // a 20th of a pixel, on a pixel corner
    m.trail[40] = onWindow(400.5, 300.5, 500);  // as small, on a pixel centre
    m.trail[50] = onWindow(799.9, 599.9, 40);   // across the top right corner
    m.trail[60] = onWindow(200, 150, 0.5);      // in front of the near plane
    m.trail[70] = onWindow(400, 300, 0.99);     // reaching through the near plane
    const Missile before = m;
    glrecorder::start();
    useCamera();
    m.draw();

    // Spheres 3, 40, 50 and 70 can show; their triangles come in index order, each a run of
    // the sphere's own triangles in its order, in the sphere's colour.
    const std::vector<SphereTriangle> triangles = sphereTriangles();
    const std::vector<Corner> corners = trailCorners(glrecorder::calls());
    std::vector<int> drawn;
    std::size_t at = 0;
    while (at < corners.size()) {
        int sphere = -1;
        for (int i = 0; i < Missile::trailLength && sphere < 0; ++i) {
            const Point centre{before.trail[i].x, before.trail[i].y, before.trail[i].z};
            if (distance(corners[at].position, centre) < 0.0201) {
                sphere = i;
            }
        }
        ASSERT_GE(sphere, 0) << "a corner of no trail sphere";
        ASSERT_TRUE(drawn.empty() || drawn.back() < sphere)
            << "sphere " << sphere << " out of order";
        drawn.push_back(sphere);
        const Point centre{before.trail[sphere].x, before.trail[sphere].y, before.trail[sphere].z};
        std::size_t next = 0;
        while (at < corners.size() && distance(corners[at].position, centre) < 0.0201) {
            ASSERT_LE(at + 3, corners.size());
            bool found = false;
            for (; next < triangles.size() && !found; ++next) {
                found = true;
                for (int k = 0; k < 3; ++k) {
                    const Point& d = triangles[next].corner[k];
                    const Point expected{centre[0] + 0.02 * d[0], centre[1] + 0.02 * d[1],
                                         centre[2] + 0.02 * d[2]};
                    found = found && distance(corners[at + k].position, expected) <
                                         floatTolerance(expected);
                }
            }
            ASSERT_TRUE(found) << "sphere " << sphere << ": a triangle out of its order";
            EXPECT_EQ(corners[at].colour[3], static_cast<double>(before.trailAlpha[sphere]));
            at += 3;
        }
    }
    EXPECT_EQ(drawn, (std::vector<int>{3, 40, 50, 70}));
    // The large one shows whole; every point still fades, drawn or not.
    EXPECT_EQ(std::count_if(corners.begin(), corners.end(),
                            [&](const Corner& c) {
                                const Point centre{before.trail[3].x, before.trail[3].y,
                                                   before.trail[3].z};
                                return distance(c.position, centre) < 0.0201;
                            }),
              120);
    for (int i = 0; i < Missile::trailLength; ++i) {
        EXPECT_EQ(m.trailAlpha[i], faded(before.trailAlpha[i])) << i;
    }
}
