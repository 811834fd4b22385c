// The game's one geometric value type: positions, frame axes, velocities, rotation vectors.
// Rotations use the polar form (radius, atan2, sin/cos), never matrices: every body in the
// game turns with exactly these roundings.
#pragma once

class Vektor3D {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Vektor3D() = default;
    Vektor3D(double x, double y, double z);
    Vektor3D(const Vektor3D& other) = default;
    virtual ~Vektor3D() = default;

    // No caller chains assignments.
    void operator=(const Vektor3D& other);

    Vektor3D operator+(const Vektor3D& b) const;
    Vektor3D operator-(const Vektor3D& b) const;
    Vektor3D operator*(double s) const;
    Vektor3D operator/(double s) const;
    Vektor3D cross(const Vektor3D& b) const;
    // k mod 3: 0 -> (x, y, z), 1 -> (y, z, x), 2 -> (z, x, y).
    Vektor3D permuted(int k) const;

    void operator+=(const Vektor3D& b);
    void operator-=(const Vektor3D& b);
    void operator*=(double s);
    void normalize();

    // sqrt((x*x + y*y) + z*z), summed in that order.
    double length() const;
    // Comparisons of the length with a number; there is no vector equality.
    bool operator<(double d) const;
    bool operator<=(double d) const;
    bool operator!=(double d) const;

    // rotateY and rotateZ are right-handed; rotateX turns the other way.
    void rotateX(double phi);
    void rotateY(double phi);
    void rotateZ(double phi);
    // Right-handed turn by theta about axis; shares one decomposition memo across all vectors.
    void rotate(const Vektor3D& axis, double theta);
    // rotate(w, w.length()).
    void rotateBy(const Vektor3D& w);
};
