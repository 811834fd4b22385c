// A tumor on the airway wall: a still white sphere whose alpha and radius follow its size.
#pragma once

#include "bodies/BObject.h"

class Tumor : public BObject {
public:
    float size = 1.0f;  // alpha of the sphere, half its radius; 0 or below means gone

    Tumor();
    explicit Tumor(const Vektor3D& position);
    Tumor(const Tumor& other) = default;
    Tumor& operator=(const Tumor& other) = default;
    ~Tumor() override = default;

    // size -= ms/1000 in double, stored as float; a size already at or below 0 (or NaN) becomes 0.
    void shrink(int ms);
    void draw() const;
};
