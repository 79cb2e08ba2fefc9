// Multilinear interpolation over the five axes of a lift-curve table, with
// linear extrapolation beyond the ends of each axis, as simulators read their
// tables; one implementation for the tables the project makes and the tables
// it reads from decks.
#ifndef FLOWMODEL_WELLS_MULTILINEAR_HPP
#define FLOWMODEL_WELLS_MULTILINEAR_HPP

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace flowmodel::vfp {

// Index of the segment of `axis` that x falls in (or the end one beyond), and
// x's weight on its upper end: linear, extrapolated beyond the ends.
inline void segment(const std::vector<double>& axis, double x, size_t& i, double& t) {
    if (axis.size() < 2) {
        i = 0;
        t = 0;
        return;
    }
    i = static_cast<size_t>(std::upper_bound(axis.begin(), axis.end(), x) - axis.begin());
    i = std::min(std::max<size_t>(i, 1), axis.size() - 1) - 1;
    t = (x - axis[i]) / (axis[i + 1] - axis[i]);
}

// The value at x (thp, wfr, gfr, alq, flo) of the table whose node values
// at(t, w, g, a, f) are given on `axes` in that order.
template <class At>
double multilinear(const std::array<const std::vector<double>*, 5>& axes, const std::array<double, 5>& x, At at) {
    size_t i[5];
    double t[5];
    for (size_t d = 0; d < 5; ++d) segment(*axes[d], x[d], i[d], t[d]);
    double sum = 0;
    for (int corner = 0; corner < 32; ++corner) {
        double weight = 1;
        size_t k[5];
        for (size_t d = 0; d < 5; ++d) {
            const bool up = (corner >> d & 1) != 0;
            if (up && axes[d]->size() < 2) {
                weight = 0;
                break;
            }
            k[d] = i[d] + (up ? 1 : 0);
            weight *= up ? t[d] : 1 - t[d];
        }
        if (weight != 0) sum += weight * at(k[0], k[1], k[2], k[3], k[4]);
    }
    return sum;
}

}  // namespace flowmodel::vfp

#endif
