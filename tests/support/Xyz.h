// A vector's components as one value: compared bit for bit, printed in full when they differ.
#pragma once

#include <iomanip>
#include <ostream>

#include "math/Vektor3D.h"

struct Xyz {
    double x, y, z;
    bool operator==(const Xyz& o) const { return x == o.x && y == o.y && z == o.z; }
};

inline Xyz xyz(const Vektor3D& v) { return {v.x, v.y, v.z}; }

inline std::ostream& operator<<(std::ostream& out, const Xyz& v) {
    return out << std::setprecision(17) << '(' << v.x << ", " << v.y << ", " << v.z << ')';
}
