// The player's ship: a body carrying health, mission time, the launch cooldown and its
// missiles in flight, plus the frame of the heads-up display.
#pragma once

#include <vector>

#include "bodies/BObject.h"
#include "bodies/Missile.h"

class Schiff : public BObject {
public:
    Vektor3D hudOrigin;              // 2.0 ahead of the eye; set only by updateHudOrigin
    bool tumorHit = false;           // raised by the drawing pass, cleared by the frame tick
    std::vector<Missile> missiles;   // oldest first, so expired ones are always at the front
    float health = 10.0f;
    int timeLeft = 180000;           // milliseconds; no floor
    int fireCooldown = 0;            // milliseconds; a launch needs it below 0; no floor
    Vektor3D target;                 // position of the live tumor

    Schiff() = default;
    Schiff(const Vektor3D& position, const Vektor3D& up, const Vektor3D& forward,
           const Vektor3D& velocity, const Vektor3D& angularVelocity);
    Schiff(const Schiff& other) = default;
    Schiff& operator=(const Schiff& other) = default;
    ~Schiff() override = default;

    void update(int ms);
    // Launch from one unit ahead with the ship's frame and velocities, then recoil.
    void fire();
    // The hit test of the drawing pass, which needs no GL: raises tumorHit when a missile is
    // within 2.0 of target. The frame tick scores the hit in the next frame.
    void markTumorHit();
    void updateHudOrigin();
    // glVertex3d at hudOrigin + side*a + up*b + forward*c, added in that order.
    void hudVertex(double a, double b, double c) const;

    // Defined with the scene drawing (mission/Scene.cpp).
    // Camera, hudOrigin, side and headlight for the frame.
    void placeCamera();
    // Missiles with the hit test, then the heads-up display; needs placeCamera earlier in the frame.
    void drawMissilesAndHud();
};
