// Bottom-hole pressures at given rates, on the parallel loop.
#include "flowmodel/outflow.hpp"

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>

#include "flowmodel/parallel.hpp"

namespace flowmodel::wells {

namespace {
const std::string kVaries = " (the values differ from traverse to traverse)";

// What a warning is about, not the values met: its text up to the first
// digit after its first ": " ("... used outside its range: temperature ").
std::string about(const std::string& w) {
    const size_t colon = w.find(": ");
    if (colon == std::string::npos) return w;
    return w.substr(0, w.find_first_of("0123456789", colon));
}
}  // namespace

void inject(Injected kind, double q, blackoil::BlackOilInputs& fluid) {
    fluid.oil_rate = kind == Injected::Oil ? q : 0.0;
    fluid.water_rate = kind == Injected::Water ? q : 0.0;
    fluid.gas_rate = kind == Injected::Gas ? q : 0.0;
}

const char* injected_name(Injected kind) {
    switch (kind) {
        case Injected::None: break;
        case Injected::Water: return "water";
        case Injected::Gas: return "gas";
        case Injected::Oil: return "oil";
    }
    return "";
}

void add_warnings(std::vector<std::string>& into, const std::vector<std::string>& more) {
    for (const std::string& w : more) {
        if (std::find(into.begin(), into.end(), w) != into.end()) continue;
        // The same correlation outside its range at other values (another
        // rate, another temperature): said once, with a note that they vary.
        const auto same = std::find_if(into.begin(), into.end(), [&](const std::string& x) { return about(x) == about(w); });
        if (same == into.end()) {
            into.push_back(w);
        } else if (same->size() < kVaries.size() || same->compare(same->size() - kVaries.size(), kVaries.size(), kVaries) != 0) {
            *same += kVaries;
        }
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
            out.at[i].bhp = std::numeric_limits<double>::quiet_NaN();
            out.at[i].failure = e.what();
            continue;
        }
        TraverseOptions o = options;
        // A producer listed from the wellhead down flows up it: marched from
        // its outlet, the wellhead; an injector from its inlet, the wellhead too.
        o.from_outlet = (cases[i].well ? cases[i].well : &well)->flow_decreasing;
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
            const bool injector = !marches[k].line->flow_decreasing;
            b.bhp = injector ? sum.outlet_pres : sum.inlet_pres;
            b.regime_at_bottom = r[k].points.back().id;
            b.wellhead_temp = injector ? sum.inlet_temp : sum.outlet_temp;
        } else {
            b.bhp = std::numeric_limits<double>::quiet_NaN();
            b.failure = sum.message;
        }
    }
    return out;
}

}  // namespace flowmodel::wells
