// Missile drawing: nose, tube and flame as tabled, then the trail as one batch of spheres at its
// points in index order, leaving out only spheres that cannot reach a pixel.
#include "bodies/Missile.h"

#include "GlExpect.h"

namespace {

// Nose faces, then tube faces: the normal direction, then the vertices, in body coordinates.
const std::vector<Point> faces[] = {
    {{0, -1, 1}, {0, 0, 3}, {-0.1, 0.1, 2}, {0.1, 0.1, 2}},
    {{0, 1, 1}, {0, 0, 3}, {-0.1, -0.1, 2}, {0.1, -0.1, 2}},
    {{1, 0, 1}, {0, 0, 3}, {-0.1, 0.1, 2}, {-0.1, -0.1, 2}},
    {{-1, 0, 1}, {0, 0, 3}, {0.1, 0.1, 2}, {0.1, -0.1, 2}},
    {{-1, 0, 0}, {-0.1, 0.1, 0}, {-0.1, 0.1, 2}, {-0.1, -0.1, 2}, {-0.1, -0.1, 0}},
    {{1, 0, 0}, {0.1, 0.1, 0}, {0.1, 0.1, 2}, {0.1, -0.1, 2}, {0.1, -0.1, 0}},
    {{0, 1, 0}, {-0.1, 0.1, 0}, {-0.1, 0.1, 2}, {0.1, 0.1, 2}, {0.1, 0.1, 0}},
    {{0, -1, 0}, {-0.1, -0.1, 0}, {-0.1, -0.1, 2}, {0.1, -0.1, 2}, {0.1, -0.1, 0}}};
const Point flameTail[4][2] = {{{-0.1, -0.1, 0}, {0.1, -0.1, 0}}, {{-0.1, 0.1, 0}, {0.1, 0.1, 0}},
                               {{-0.1, -0.1, 0}, {-0.1, 0.1, 0}}, {{0.1, -0.1, 0}, {0.1, 0.1, 0}}};

Calls expectedModel(const Frame& f, double flameLength) {
    Calls e{gl("glBegin", {GL_TRIANGLES}), gl("glColor4d", {1, 1, 1, 1})};
    for (int i = 0; i < 8; ++i) {  // the nose in one triangle list, each tube face on its own
        if (i >= 4) e.push_back(gl("glBegin", {GL_POLYGON}));
        e.push_back(normal(unit(Frame{{}, f.side, f.up, f.forward}.at(faces[i][0]))));
        for (std::size_t k = 1; k < faces[i].size(); ++k) e.push_back(vertex(f.at(faces[i][k])));
        if (i >= 3) e.push_back(gl("glEnd"));
    }
    e.insert(e.end(), {gl("glBegin", {GL_TRIANGLES}), normal(scaled(f.forward, -1))});
    for (const auto& tail : flameTail) {
        e.insert(e.end(), {gl("glColor4d", {10, 10, 10, 1}), vertex(f.at({0, 0, -flameLength})),
                           gl("glColor4d", {0, 0, 10, 1}), vertex(f.at(tail[0])),
                           vertex(f.at(tail[1]))});
    }
    e.push_back(gl("glEnd"));
    return e;
}

// Counts the one batch's triangles per trail sphere, known by its alpha: every corner on the
// sphere of radius 0.02 round its point, normal outward, colour (10, 10, 10, alpha), in order.
void countTriangles(const Calls& log, const Missile& before, std::vector<int>& triangles) {
    const auto& alpha = before.trailAlpha;
    std::size_t draws = 0, last = 0;
    for (const auto& [name, a] : log) {  // an element's a: position, normal, colour
        draws += name == "glDrawRangeElements";
        if (name != glrecorder::element) continue;
        const std::size_t i = std::find(alpha.begin(), alpha.end() - 1, a[9]) - alpha.begin();
        const Vektor3D& p = before.trail[i];
        ASSERT_TRUE(i >= last && a[9] == alpha[i] && a[6] == 10 && a[7] == 10 && a[8] == 10 &&
                    std::fabs(std::hypot(a[3], a[4], a[5]) - 1) < 1e-6 &&
                    std::hypot(a[0] - p.x - 0.02 * a[3], a[1] - p.y - 0.02 * a[4],
                               a[2] - p.z - 0.02 * a[5]) < 1e-6 + 2e-7 * p.length())
            << "a corner of sphere " << i << ": " << testing::PrintToString(a);
        last = i;
        ++triangles[i];
    }
    EXPECT_EQ(draws, 1u);
    for (int& n : triangles) n = n % 3 == 0 ? n / 3 : -1;
}

float faded(float alpha) { return static_cast<float>(static_cast<double>(alpha) - 0.01); }

}  // namespace

TEST(MissileDraw, DrawsTheTabledModelThenEveryTrailSphereInOneBatchThenFadesTheTrail) {
    const Point up{2 / 3.0, 2 / 3.0, 1 / 3.0}, ahead{-2 / 3.0, 1 / 3.0, 2 / 3.0};
    Missile m({4.5, -2, 7}, {up[0], up[1], up[2]}, {ahead[0], ahead[1], ahead[2]}, {}, {});
    for (int i = 0; i < 100; ++i) {
        m.trail[i] = Vektor3D(4.5 + 0.05 * i, -2 - 0.03 * i, 7 + 0.11 * i);
        m.trailAlpha[i] = 1.0f - 0.013f * static_cast<float>(i);  // drawn even when below 0
    }
    // Frame by frame: the flame phase and the tip's distance behind the tail, |phase| truncated.
    for (const auto& [phase, length] : std::vector<std::pair<float, double>>{
             {0.0f, 0}, {-1.0f, 1}, {2.6f, 2}, {0.99f, 0}, {-1.5f, 1}, {3.0f, 3}}) {
        m.flamePhase = phase;
        const Missile before = m;
        const Calls model = expectedModel(Frame{{4.5, -2, 7}, cross(up, ahead), up, ahead}, length);
        glrecorder::start();
        m.draw();
        const Calls& calls = glrecorder::calls();
        expectCalls({calls.begin(), calls.begin() + std::min(calls.size(), model.size())}, model);
        std::vector<int> triangles(100);
        countTriangles(calls, before, triangles);
        EXPECT_EQ(triangles, std::vector<int>(100, 40));
        EXPECT_EQ(glrecorder::enabledClientArrays(), 0) << "arrays left on reach later draws";
        for (int i = 0; i < 100; ++i) ASSERT_EQ(m.trailAlpha[i], faded(before.trailAlpha[i]));
    }
}

TEST(MissileDraw, TrailLeavesOutOnlySpheresThatCannotReachAPixel) {
    // gluPerspective(45, 1, 1, 1000) down -z, 800 x 600: a trail sphere d ahead is 19 / d wide.
    const double f = 1.0 / std::tan(std::acos(-1.0) / 8.0);
    const double projection[16] = {f, 0, 0, 0, 0, f, 0, 0, 0, 0, -1001.0 / 999.0, -1,
                                   0, 0, -2000.0 / 999.0, 0};
    const int viewport[4] = {0, 0, 800, 600};
    // Window x, y, distance, triangles shown (-1: some): large; behind the eye; a 20th of a pixel
    // on a pixel corner, on a centre; across the top right corner; before, through the near plane.
    const struct { double x, y, d; int shown; } points[] = {
        {400, 300, 2.5, 40},  {400, 300, -5, 0},  {400, 300, 500, 0},   {400.5, 300.5, 500, -1},
        {799.9, 599.9, 40, -1}, {200, 150, 0.5, 0}, {400, 300, 0.99, -1}};
    Missile m(Vektor3D(0, 0, -3), Vektor3D(0, 1, 0), Vektor3D(0, 0, -1), {}, {});
    for (int i = 0; i < 100; ++i) {
        const auto& p = points[i % 7];
        m.trail[i] = Vektor3D((p.x / 400 - 1) * p.d / f, (p.y / 300 - 1) * p.d / f, -p.d);
        m.trailAlpha[i] = 0.5f + 0.004f * static_cast<float>(i);
    }
    const Missile before = m;
    glrecorder::start();
    glrecorder::setView(projection, nullptr, viewport);
    m.draw();
    std::vector<int> triangles(100);
    countTriangles(glrecorder::calls(), before, triangles);
    for (int i = 0; i < 100; ++i) {
        const int shown = points[i % 7].shown;
        EXPECT_TRUE(shown < 0 ? triangles[i] > 0 : triangles[i] == shown) << "sphere " << i;
        EXPECT_EQ(m.trailAlpha[i], faded(before.trailAlpha[i])) << "drawn or not, each fades";
    }
}
