// The keys a mission frame tests, in the order it tests them. A set of them is a FlightKeys
// value, bit k standing for flightKeys[k].
#pragma once

#include "platform/Platform.h"

struct FlightKey {
    int code;          // virtual-key code
    const char* name;  // as recordings write it
};

constexpr int flightKeyCount = 14;
constexpr FlightKey flightKeys[flightKeyCount] = {
    {platform::key::escape, "ESC"}, {platform::key::up, "UP"},
    {platform::key::down, "DOWN"},  {platform::key::left, "LEFT"},
    {platform::key::right, "RIGHT"}, {platform::key::a, "A"},
    {platform::key::d, "D"},        {platform::key::w, "W"},
    {platform::key::s, "S"},        {platform::key::q, "Q"},
    {platform::key::e, "E"},        {platform::key::r, "R"},
    {platform::key::f, "F"},        {platform::key::space, "SPACE"},
};

using FlightKeys = unsigned;
