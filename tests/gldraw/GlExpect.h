// Expected call sequences written out from the game's shape and display tables, and their
// comparison with the recorder's log.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "GlRecorder.h"

using Point = std::array<double, 3>;

// Rounds to single precision. Kept out of line: GCC 12.2 at -O2 vectorises a braced list of
// (double)(float) round trips and drops the rounding.
[[gnu::noinline]] inline double single(double v) { return static_cast<float>(v); }

inline Point cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

inline Point unit(const Point& v) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / length, v[1] / length, v[2] / length};
}

// A body frame in plain doubles: the point for (a, b, c) is origin + side*a + up*b + forward*c.
struct Frame {
    Point origin;
    Point side;
    Point up;
    Point forward;

    Point at(double a, double b, double c) const {
        Point p{};
        for (int i = 0; i < 3; ++i) {
            p[i] = origin[i] + side[i] * a + up[i] * b + forward[i] * c;
        }
        return p;
    }
    Point direction(double a, double b, double c) const {
        Point d{};
        for (int i = 0; i < 3; ++i) {
            d[i] = side[i] * a + up[i] * b + forward[i] * c;
        }
        return unit(d);
    }
};

struct Expected {
    std::vector<GlCall> calls;

    Expected& call(const std::string& name, std::vector<double> args = {}) {
        calls.push_back(GlCall{name, std::move(args)});
        return *this;
    }
    Expected& begin(GLenum mode) { return call("glBegin", {static_cast<double>(mode)}); }
    Expected& end() { return call("glEnd"); }
    Expected& vertex(const Point& p) { return call("glVertex3d", {p[0], p[1], p[2]}); }
    Expected& normal(const Point& n) { return call("glNormal3d", {n[0], n[1], n[2]}); }
    Expected& color4d(double r, double g, double b, double a) {
        return call("glColor4d", {r, g, b, a});
    }
    // Rounded to single precision, as the stand-in receives it.
    Expected& color4f(double r, double g, double b, double a) {
        return call("glColor4f", {single(r), single(g), single(b), single(a)});
    }
};

inline std::string describe(const GlCall& c) {
    std::ostringstream out;
    out.precision(17);
    out << c.name << "(";
    for (std::size_t i = 0; i < c.args.size(); ++i) {
        out << (i ? ", " : "") << c.args[i];
    }
    out << ")";
    return out.str();
}

// Same calls in the same order; arguments equal up to a relative 1e-12 (NaN never matches).
inline void expectCalls(const std::vector<GlCall>& actual, const std::vector<GlCall>& expected) {
    const std::size_t n = std::min(actual.size(), expected.size());
    for (std::size_t i = 0; i < n; ++i) {
        const GlCall& a = actual[i];
        const GlCall& e = expected[i];
        bool same = a.name == e.name && a.args.size() == e.args.size();
        for (std::size_t k = 0; same && k < e.args.size(); ++k) {
            same = std::fabs(a.args[k] - e.args[k]) <= 1e-12 * std::max(1.0, std::fabs(e.args[k]));
        }
        if (!same) {
            ADD_FAILURE() << "call " << i << ": got " << describe(a) << ", expected "
                          << describe(e);
            return;
        }
    }
    EXPECT_EQ(actual.size(), expected.size()) << "calls compared equal up to index " << n;
}

inline std::vector<GlCall> callsNamed(const std::vector<GlCall>& calls, const std::string& name) {
    std::vector<GlCall> found;
    for (const GlCall& c : calls) {
        if (c.name == name) {
            found.push_back(c);
        }
    }
    return found;
}

// The navigation arrow from its table: forward = unit direction, up = forward cycled,
// side = unit(up x forward); two triangles with their tips 0.5 ahead.
inline Expected expectedArrow(const Point& base, const Point& direction) {
    const Point forward = unit(direction);
    const Point up{forward[1], forward[2], forward[0]};
    const Frame arrow{base, unit(cross(up, forward)), up, forward};
    Expected e;
    e.begin(GL_TRIANGLES).color4d(0.0, 10.0, 0.0, 0.2);
    const double table[6][3] = {{-0.1, 0, 0}, {0.1, 0, 0}, {0, 0, 0.5},
                                {0, -0.1, 0}, {0, 0.1, 0}, {0, 0, 0.5}};
    for (const auto& v : table) {
        e.vertex(arrow.at(v[0], v[1], v[2]));
    }
    e.end();
    return e;
}
