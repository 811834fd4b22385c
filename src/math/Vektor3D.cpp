#include "math/Vektor3D.h"
