#include "core/catalogue/Rnd.h"

double Rnd::next()
{
    constexpr quint64 modulus = quint64(1) << 24;
    x = quint32((quint64(x) * 1140671485u + 12820163u) % modulus);
    return double(x) / double(modulus);
}

Rnd& Rnd::program()
{
    static Rnd generator;
    return generator;
}
