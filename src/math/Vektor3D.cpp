// Vektor3D arithmetic and the polar-form rotations every body in the game turns with.
#include "math/Vektor3D.h"

#include <cmath>

Vektor3D::Vektor3D(double x, double y, double z) : x(x), y(y), z(z) {}

void Vektor3D::operator=(const Vektor3D& other) {
    x = other.x;
    y = other.y;
    z = other.z;
}

Vektor3D Vektor3D::operator+(const Vektor3D& b) const { return Vektor3D(x + b.x, y + b.y, z + b.z); }

Vektor3D Vektor3D::operator-(const Vektor3D& b) const { return Vektor3D(x - b.x, y - b.y, z - b.z); }

Vektor3D Vektor3D::operator*(double s) const { return Vektor3D(x * s, y * s, z * s); }

// A true division, not a multiplication by 1/s: the two round differently.
Vektor3D Vektor3D::operator/(double s) const { return Vektor3D(x / s, y / s, z / s); }

Vektor3D Vektor3D::cross(const Vektor3D& b) const {
    return Vektor3D(y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x);
}

Vektor3D Vektor3D::permuted(int k) const {
    switch (k % 3) {
    case 1: return Vektor3D(y, z, x);
    case 2: return Vektor3D(z, x, y);
    default: return *this;
    }
}

void Vektor3D::operator+=(const Vektor3D& b) {
    x += b.x;
    y += b.y;
    z += b.z;
}

void Vektor3D::operator-=(const Vektor3D& b) {
    x -= b.x;
    y -= b.y;
    z -= b.z;
}

void Vektor3D::operator*=(double s) {
    x *= s;
    y *= s;
    z *= s;
}

// The length is taken once, before any component changes.
void Vektor3D::normalize() {
    const double l = length();
    x /= l;
    y /= l;
    z /= l;
}

double Vektor3D::length() const { return std::sqrt((x * x + y * y) + z * z); }

bool Vektor3D::operator<(double d) const { return length() < d; }

bool Vektor3D::operator<=(double d) const { return length() <= d; }

bool Vektor3D::operator!=(double d) const { return length() != d; }

// Left-handed about +x, unlike rotateY and rotateZ; rotate() compensates.
void Vektor3D::rotateX(double phi) {
    const double r = std::sqrt(z * z + y * y);
    const double a = std::atan2(y, z) + phi;
    y = r * std::sin(a);
    z = r * std::cos(a);
}

void Vektor3D::rotateY(double phi) {
    const double r = std::sqrt(z * z + x * x);
    const double a = std::atan2(x, z) + phi;
    x = r * std::sin(a);
    z = r * std::cos(a);
}

void Vektor3D::rotateZ(double phi) {
    const double r = std::sqrt(y * y + x * x);
    const double a = std::atan2(y, x) + phi;
    y = r * std::sin(a);
    x = r * std::cos(a);
}

void Vektor3D::rotate(const Vektor3D& axis, double theta) {
    // Shared by all vectors and never reset: move() turns forward and then up about the same
    // axis, and the second turn skips the two atan2 calls. Plain doubles, so no guard or
    // destructor; the key compares with exact ==.
    static double keyX = 0.0, keyY = 0.0, keyZ = 0.0;
    static double memoA1 = 0.0, memoA2 = 0.0;

    const bool reuse = axis.x == keyX && axis.y == keyY && axis.z == keyZ;
    if (!reuse) {
        keyX = axis.x;
        keyY = axis.y;
        keyZ = axis.z;
    }

    const double l = axis.length();
    if (l == 0.0) {
        return;
    }
    const double nx = axis.x / l;
    const double ny = axis.y / l;
    const double nz = axis.z / l;

    if (nx == 0.0 && ny == 0.0) {
        rotateZ(nz * theta);
        return;
    }
    if (ny == 0.0 && nz == 0.0) {
        rotateX(-(nx * theta));
        return;
    }
    if (nx == 0.0 && nz == 0.0) {
        rotateY(ny * theta);
        return;
    }

    if (!reuse) {
        // a1 turns n into the x-z plane (z >= 0) by rotateX, a2 then onto +z by rotateY.
        memoA1 = std::atan2(ny, nz);
        memoA2 = std::atan2(nx, std::sqrt(nz * nz + ny * ny));
    }
    rotateX(-memoA1);
    rotateY(-memoA2);
    rotateZ(theta);
    rotateY(memoA2);
    rotateX(memoA1);
}

void Vektor3D::rotateBy(const Vektor3D& w) { rotate(w, w.length()); }
