// Vektor3D: exact roundings, length comparisons, rotations against Rodrigues and the polar steps.
#include "math/Vektor3D.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "support/Xyz.h"

static Vektor3D rodrigues(const Vektor3D& v, const Vektor3D& axis, double t) {
    const Vektor3D k = axis / axis.length();
    const double along = (k.x * v.x + k.y * v.y + k.z * v.z) * (1 - std::cos(t));
    return (v * std::cos(t) + k.cross(v) * std::sin(t)) + k * along;
}

// One polar step in the plane of (s, c): radius, atan2, then sine and cosine.
static void polarTurn(double& s, double& c, double phi) {
    const double r = std::sqrt(c * c + s * s), a = std::atan2(s, c) + phi;
    s = r * std::sin(a);
    c = r * std::cos(a);
}

TEST(Vektor3D, ArithmeticRoundsAsWrittenComparesLengthsAndNormalisesZeroToNaN) {
    const double x = 0.1 + 0.2;
    EXPECT_EQ((Vektor3D(x, 0, 0) / 3.0).x, x / 3);
    EXPECT_EQ(Vektor3D(0.1, 0.2, 3.7).length(), std::sqrt((0.1 * 0.1 + 0.2 * 0.2) + 3.7 * 3.7));
    EXPECT_EQ(xyz(Vektor3D(1, 2, 3).cross({-2, 0.5, 4})), (Xyz{6.5, -10, 4.5}));
    EXPECT_EQ(xyz(Vektor3D(1, 2, 3).permuted(5)), (Xyz{3, 1, 2}));
    using Answers = std::array<bool, 3>;  // <, <= and != of the length
    const auto compare = [](const Vektor3D& v, double d) { return Answers{v < d, v <= d, v != d}; };
    EXPECT_EQ(compare({3, 4, 0}, 5.0), (Answers{false, true, false}));
    EXPECT_EQ(compare({3, 4, 0}, 5.000001), (Answers{true, true, true}));
    EXPECT_EQ(compare({NAN, 0, 0}, 1.0), (Answers{false, false, true}));
    Vektor3D zero;
    zero.normalize();
    EXPECT_TRUE(std::isnan(zero.x));
    EXPECT_TRUE(std::isnan(zero.y));
    EXPECT_TRUE(std::isnan(zero.z));
}

// Random axes, three in eight along +-x, +-y or +-z, which take one polar step bit for bit (about
// x the other way). The memo holds an axis one component off, then this one for a second turn.
TEST(Vektor3D, RotationsAreRightHandedTurnsAboutTheAxisAndTheMemoChangesNoBit) {
    using Part = double Vektor3D::*;  // the planes of the turns about x, y and z
    const Part s[] = {&Vektor3D::y, &Vektor3D::x, &Vektor3D::y};
    const Part c[] = {&Vektor3D::z, &Vektor3D::z, &Vektor3D::x};
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(-4.0, 4.0);
    for (int i = 0; i < 120; ++i) {
        Vektor3D axis(u(rng), u(rng), u(rng)), other = axis, scratch(1, 2, 3);
        const Vektor3D p(u(rng), u(rng), u(rng));
        const double t = u(rng);
        if (i % 8 < 3)
            axis = Vektor3D(i % 8 == 0, i % 8 == 1, i % 8 == 2) * axis.x;
        (i % 3 == 0 ? other.x : i % 3 == 1 ? other.y : other.z) += 0.5;
        scratch.rotate(other, 0.9);
        Vektor3D miss = p, hit = p;
        miss.rotate(axis, t);
        hit.rotate(axis, t);
        EXPECT_LT((miss - rodrigues(p, axis, t)).length(), 1e-12) << i;
        EXPECT_EQ(xyz(hit), xyz(miss)) << i;
        if (i % 8 < 3) {
            Vektor3D polar = p;
            const bool along = axis.x + axis.y + axis.z > 0;
            polarTurn(polar.*s[i % 8], polar.*c[i % 8], along == (i % 8 > 0) ? t : -t);
            EXPECT_EQ(xyz(miss), xyz(polar)) << i;
        }
    }
}
