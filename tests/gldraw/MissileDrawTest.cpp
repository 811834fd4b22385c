// Missile drawing: nose, body tube, flame and trail in the tabled order, the flame length
// from the phase, and the trail's alpha fade per drawn frame.
#include "bodies/Missile.h"

#include <GL/glut.h>

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

Expected expectedDraw(const Missile& m, double flameLength) {
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
    for (int i = 0; i < Missile::trailLength; ++i) {
        e.color4d(10, 10, 10, m.trailAlpha[i]).call("glPushMatrix");
        e.call("glTranslated", {m.trail[i].x, m.trail[i].y, m.trail[i].z});
        e.call("glutSolidSphere", {0.02, 5, 5}).call("glPopMatrix");
    }
    return e;
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
    expectCalls(glrecorder::calls(), expectedDraw(before, 2.0).calls);

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
    for (int frame = 0; frame < 102; ++frame) {
        glrecorder::start();
        m.draw();
        const std::vector<GlCall> colours = callsNamed(glrecorder::calls(), "glColor4d");
        ASSERT_EQ(colours.size(), 1u + 8u + 100u);
        ASSERT_EQ(colours[9].args[3], static_cast<double>(laid)) << frame;
        ASSERT_EQ(colours[10].args[3], static_cast<double>(unwritten)) << frame;
        laid = faded(laid);
        unwritten = faded(unwritten);
    }
    // The first frames draw 1.0, 0.99, 0.98, ...; after 100 frames the point is gone.
    EXPECT_NEAR(laid, -0.02f, 1e-5);
    EXPECT_LT(m.trailAlpha[0], 0.0f);
    EXPECT_EQ(m.trailAlpha[0], laid);
}
