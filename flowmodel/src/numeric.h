// Numeric helpers used throughout the flow model: integer power, max/min with
// fixed tie and NaN rules, sign transfer and the near-exact equality test.
#ifndef FLOWMODEL_NUMERIC_H
#define FLOWMODEL_NUMERIC_H

#include <cmath>

namespace flowmodel {

// x to the integer power n by repeated squaring; a zero base gives 0 for every n
// (0^0 included), a negative n inverts the base first.
inline double powi(double x, int n) {
    if (x == 0.0) return 0.0;
    if (n < 0) {
        x = 1.0 / x;
        n = -n;
    }
    double r = (n & 1) ? x : 1.0;
    for (;;) {
        n >>= 1;
        if (n == 0) break;
        x = x * x;
        if (n & 1) r = r * x;
    }
    return r;
}

// Larger of a and b; a on a tie, b when the comparison is unordered (NaN).
inline double dmax(double a, double b) { return a >= b ? a : b; }

// Smaller of a and b; a on a tie and when the comparison is unordered (NaN).
inline double dmin(double a, double b) { return a > b ? b : a; }

// abs(v) with the sign of s; s = 0 and s = -0.0 count as positive.
inline double dsign(double v, double s) { return s >= 0.0 ? std::fabs(v) : -std::fabs(v); }

// 1 when a and b differ by less than 1e-300 (in practice: are equal);
// an unordered difference (NaN) counts as equal.
inline int iseq(double a, double b) { return std::fabs(a - b) >= 1e-300 ? 0 : 1; }
inline int isne(double a, double b) { return 1 - iseq(a, b); }

}  // namespace flowmodel

#endif
