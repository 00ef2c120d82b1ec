// How well two local tempos agree for a join: 1 when equal, falling as
// (smaller / larger)^12, which is exp(-12 |ln(a / b)|) written as a division
// and five products, cheap enough for the quadratic search over beat pairs.
#pragma once

inline double tempoAgreement(double a, double b)
{
    const double r = a < b ? a / b : b / a;
    const double r2 = r * r;
    const double r4 = r2 * r2;
    return r4 * r4 * r4;
}
