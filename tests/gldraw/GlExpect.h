// Expected call sequences from the game's shape and display tables, compared with the log.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include <GL/gl.h>

#include "GlRecorder.h"

using Point = std::array<double, 3>;

inline Point cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline Point scaled(const Point& v, double s) { return {v[0] * s, v[1] * s, v[2] * s}; }
inline Point unit(const Point& v) { return scaled(v, 1.0 / std::hypot(v[0], v[1], v[2])); }

struct Frame {  // in plain doubles: (a, b, c) is origin + side*a + up*b + forward*c
    Point origin, side, up, forward;
    Point at(const Point& p) const {
        Point q = origin;
        for (int i = 0; i < 3; ++i) q[i] += side[i] * p[0] + up[i] * p[1] + forward[i] * p[2];
        return q;
    }
};

inline GlCall gl(const char* name, std::vector<double> args = {}) { return {name, args}; }
inline GlCall vertex(const Point& p) { return gl("glVertex3d", {p[0], p[1], p[2]}); }
inline GlCall normal(const Point& n) { return gl("glNormal3d", {n[0], n[1], n[2]}); }

// Same name, arguments equal within a relative 1e-12 (NaN never is).
inline bool operator==(const GlCall& a, const GlCall& e) {
    auto near = [](double x, double y) {
        return std::fabs(x - y) <= 1e-12 * std::max(1.0, std::fabs(y));
    };
    return a.name == e.name && std::equal(a.args.begin(), a.args.end(), e.args.begin(),
                                          e.args.end(), near);
}
inline void PrintTo(const GlCall& c, std::ostream* out) {
    *out << c.name << testing::PrintToString(c.args);
}

// Same calls in the same order.
inline void expectCalls(const Calls& actual, const Calls& expected) {
    for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i)
        ASSERT_EQ(actual[i], expected[i]) << "call " << i;
    EXPECT_EQ(actual.size(), expected.size());
}

// The arrow's table: forward the unit direction, up forward cycled, side unit(up x forward).
inline Calls expectedArrow(const Point& base, const Point& direction) {
    const Point f = unit(direction), up{f[1], f[2], f[0]};
    const Frame a{base, unit(cross(up, f)), up, f};
    return {gl("glBegin", {GL_TRIANGLES}), gl("glColor4d", {0, 10, 0, 0.2}),
            vertex(a.at({-0.1, 0, 0})), vertex(a.at({0.1, 0, 0})), vertex(a.at({0, 0, 0.5})),
            vertex(a.at({0, -0.1, 0})), vertex(a.at({0, 0.1, 0})), vertex(a.at({0, 0, 0.5})),
            gl("glEnd")};
}
