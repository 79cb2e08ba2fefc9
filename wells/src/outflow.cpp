// Bottom-hole pressures at given rates, on the parallel loop.
#include "flowmodel/outflow.hpp"

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>

#include "flowmodel/parallel.hpp"

namespace flowmodel::wells {

void add_warnings(std::vector<std::string>& into, const std::vector<std::string>& more) {
    for (const std::string& w : more) {
        if (std::find(into.begin(), into.end(), w) == into.end()) into.push_back(w);
    }
}

Outflow bottom_hole_pressures(const Line& well, const std::vector<OutflowCase>& cases, const TraverseOptions& options,
                              unsigned jobs) {
    Outflow out;
    out.at.resize(cases.size());
    std::vector<std::unique_ptr<blackoil::BlackOil>> fluids;
    std::vector<TraverseCase> marches;
    std::vector<size_t> which;  // the case of each march
    fluids.reserve(cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        try {
            fluids.push_back(std::make_unique<blackoil::BlackOil>(cases[i].fluid));
        } catch (const std::invalid_argument& e) {
            out.at[i] = {std::numeric_limits<double>::quiet_NaN(), -1, e.what()};
            continue;
        }
        TraverseOptions o = options;
        o.from_outlet = true;
        o.pres = cases[i].thp;
        o.output_step = 1e12;  // the bottom-hole pressure is what counts
        marches.push_back({cases[i].well ? cases[i].well : &well, fluids.back().get(), o});
        which.push_back(i);
    }
    // Each march on the library's parallel loop, a gas-lifted case as the
    // lifted traverse of its well.
    std::vector<TraverseResult> r(marches.size());
    parallel_for(marches.size(), jobs, 1, [&](size_t begin, size_t end) {
        for (size_t k = begin; k < end; ++k) {
            const OutflowCase& c = cases[which[k]];
            if (c.lift.rate <= 0) {
                r[k] = traverse(*marches[k].line, *marches[k].fluid, marches[k].options);
                continue;
            }
            try {
                r[k] = traverse_lifted(*marches[k].line, c.fluid, c.lift, marches[k].options);
            } catch (const std::invalid_argument& e) {  // the fluid with the lift gas means nothing
                r[k].summary.complete = false;
                r[k].summary.message = e.what();
            }
        }
    });
    for (size_t k = 0; k < r.size(); ++k) {
        const TraverseSummary& sum = r[k].summary;
        out.evaluations += sum.evaluations;
        add_warnings(out.warnings, sum.warnings);
        BottomHole& b = out.at[which[k]];
        if (sum.complete) {
            b.bhp = sum.inlet_pres;
            b.regime_at_bottom = r[k].points.back().id;
        } else {
            b.bhp = std::numeric_limits<double>::quiet_NaN();
            b.failure = sum.message;
        }
    }
    return out;
}

}  // namespace flowmodel::wells
