// Tumor fading and drawing.
#include "bodies/Tumor.h"

#include <GL/gl.h>
#include <GL/glut.h>

Tumor::Tumor() : Tumor(Vektor3D(0.0, 0.0, 0.0)) {}

Tumor::Tumor(const Vektor3D& position)
    : BObject(position, Vektor3D(0.0, 1.0, 0.0), Vektor3D(0.0, 0.0, 1.0), Vektor3D(), Vektor3D()) {}

void Tumor::shrink(int ms) {
    if (size > 0.0f) {
        size = static_cast<float>(static_cast<double>(size) - ms / 1000.0);
    } else {
        size = 0.0f;
    }
}

void Tumor::draw() const {
    glPushMatrix();
    glTranslated(position.x, position.y, position.z);
    glColor4d(1.0, 1.0, 1.0, size);
    glutSolidSphere(size + size, 10, 10);
    glPopMatrix();
}
