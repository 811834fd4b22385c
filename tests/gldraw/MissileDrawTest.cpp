// Missile drawing: the trail spheres that can reach a pixel, in order, then the fade of all.
#include "bodies/Missile.h"

#include "GlExpect.h"

TEST(MissileDraw, DrawsTheTrailSpheresThatCanReachAPixelInOrderThenFadesAll) {
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
    const auto alpha = m.trailAlpha;
    glrecorder::start();
    m.draw();
    const Calls& calls = glrecorder::calls();
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
