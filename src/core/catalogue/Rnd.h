#pragma once

#include <QtGlobal>

// The classic BASIC Rnd generator: a 24-bit linear congruential sequence from a fixed start, so
// the same catalogue gives the same random picks in every run.
class Rnd {
public:
    // The next value, uniform in [0, 1).
    double next();

    // The generator the program draws from; it is never reseeded.
    static Rnd& program();

private:
    quint32 x = 327680;
};
