// Missile drawing: the model as tabled, then the trail spheres that can reach a pixel, in order.
#include "bodies/Missile.h"

#include "GlExpect.h"

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

static Calls expectedModel(const Frame& f, double flameLength) {
    Calls e{gl("glBegin", {GL_TRIANGLES}), gl("glColor4d", {1, 1, 1, 1})};
    for (int i = 0; i < 8; ++i) {  // the nose in one triangle list, each tube face on its own
        if (i >= 4) e.push_back(gl("glBegin", {GL_POLYGON}));
        e.push_back(normal(unit(Frame{{}, f.side, f.up, f.forward}.at(faces[i][0]))));
        for (std::size_t k = 1; k < faces[i].size(); ++k) e.push_back(vertex(f.at(faces[i][k])));
        if (i >= 3) e.push_back(gl("glEnd"));
    }
    e.insert(e.end(), {gl("glBegin", {GL_TRIANGLES}), normal(scaled(f.forward, -1))});
    for (const auto& t : flameTail)
        e.insert(e.end(), {gl("glColor4d", {10, 10, 10, 1}), vertex(f.at({0, 0, -flameLength})),
                           gl("glColor4d", {0, 0, 10, 1}), vertex(f.at(t[0])), vertex(f.at(t[1]))});
    e.push_back(gl("glEnd"));
    return e;
}

TEST(MissileDraw, DrawsTheTabledModelThenTheTrailSpheresThatCanReachAPixelInOrderThenFadesAll) {
    // The stand-in's view, down -z, 800 x 600: a trail sphere d ahead is 19 / d wide.
    const double f = 1.0 / std::tan(std::acos(-1.0) / 8.0);
    // Window x, y, distance, triangles shown (-1: some): whole; behind the eye; past the far plane
    // on a pixel centre; tiny on a pixel corner, centre; off the window; over its corner; before,
    // through the near plane.
    const struct { double x, y, d; int shown; } points[] = {
        {400, 300, 2.5, 40}, {400, 300, -5, 0}, {400.5, 300.5, 1000.5, 0}, {400, 300, 500, 0},
        {400.5, 300.5, 500, -1}, {-10, 300, 2.5, 0}, {799.9, 599.9, 40, -1}, {200, 150, 0.5, 0},
        {400, 300, 0.99, -1}};
    const Point up{2 / 3.0, 2 / 3.0, 1 / 3.0}, ahead{-2 / 3.0, 1 / 3.0, 2 / 3.0};
    Missile m({4.5, -2, 7}, {up[0], up[1], up[2]}, {ahead[0], ahead[1], ahead[2]}, {}, {});
    for (int i = 0; i < 100; ++i) {
        const auto& p = points[i % 9];
        m.trail[i] = Vektor3D((p.x / 400 - 1) * p.d / f, (p.y / 300 - 1) * p.d / f, -p.d);
        m.trailAlpha[i] = 1.0f - 0.013f * static_cast<float>(i);  // drawn even when below 0
    }
    for (const auto& [phase, length] : std::vector<std::pair<float, double>>{
             {0.0f, 0}, {-1.0f, 1}, {2.6f, 2}, {0.99f, 0}, {-1.5f, 1}, {3.0f, 3}}) {
        m.flamePhase = phase;  // the flame's tip lies |phase| truncated behind the tail
        const auto alpha = m.trailAlpha;
        glrecorder::start();
        m.draw();
        const Calls& calls = glrecorder::calls();
        const Calls model = expectedModel(Frame{{4.5, -2, 7}, cross(up, ahead), up, ahead}, length);
        expectCalls({calls.begin(), calls.begin() + std::min(calls.size(), model.size())}, model);
        // An element's a: position on its point's sphere, normal out, (10, 10, 10, old alpha).
        std::size_t last = 0;
        std::vector<int> corners(100);
        for (const auto& [name, a] : calls) {
            if (name != glrecorder::element) continue;
            const std::size_t i = std::find(alpha.begin(), alpha.end() - 1, a[9]) - alpha.begin();
            const Vektor3D n(a[3], a[4], a[5]), r = Vektor3D(a[0], a[1], a[2]) - m.trail[i];
            const std::vector<double> colour(a.begin() + 6, a.end());
            ASSERT_GE(i, last) << "spheres out of order";
            ASSERT_EQ(colour, (std::vector<double>{10, 10, 10, alpha[i]})) << "sphere " << i;
            ASSERT_NEAR(n.length(), 1, 1e-6) << "sphere " << i;
            ASSERT_LT((r - n * 0.02).length(), 1e-6 + 2e-7 * m.trail[i].length()) << "sphere " << i;
            last = i;
            ++corners[i];
        }
        EXPECT_EQ(glrecorder::enabledClientArrays(), 0) << "arrays left on reach later draws";
        for (int i = 0; i < 100; ++i) {
            const int shown = points[i % 9].shown;
            EXPECT_EQ(corners[i] % 3, 0) << "sphere " << i;
            if (shown < 0)
                EXPECT_GT(corners[i], 0) << "sphere " << i;
            else
                EXPECT_EQ(corners[i], 3 * shown) << "sphere " << i;
            EXPECT_EQ(m.trailAlpha[i], static_cast<float>(alpha[i] - 0.01)) << "drawn or not";
        }
    }
}
