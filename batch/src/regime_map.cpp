// The flow-regime map's grid, evaluated on the parallel loop.
#include "flowmodel/batch/regime_map.hpp"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "flowmodel/option_error.hpp"
#include "flowmodel/parallel.hpp"
#include "pipeflow.h"

namespace flowmodel::batch {

void check_map_options(const MapOptions& opt) {
    // Both ends must differ in log10 too, or the axis has no length.
    auto range_ok = [](double lo, double hi) {
        return std::isfinite(lo) && std::isfinite(hi) && lo > 0.0 && hi > lo && std::log10(hi) > std::log10(lo);
    };
    if (!range_ok(opt.usg_min, opt.usg_max)) throw OptionError("the usg range needs 0 < {usg-min} < {usg-max} (finite)");
    if (!range_ok(opt.usl_min, opt.usl_max)) throw OptionError("the usl range needs 0 < {usl-min} < {usl-max} (finite)");
    if (opt.nx < 2 || opt.nx > kMaxPoints || opt.ny < 2 || opt.ny > kMaxPoints) {
        throw OptionError("{nx} and {ny} take whole numbers from 2 to " + std::to_string(kMaxPoints));
    }
}

MapClass classify(const flowmodel::Result& r) {
    if (r.status == flowmodel::Status::ImproperInput) return MapClass::ImproperInput;
    if (r.status == flowmodel::Status::NoRegime) return MapClass::NoRegime;
    if (r.dpt == PIPEFLOW_CRITICAL_DPT) return MapClass::CriticalFlow;
    return static_cast<MapClass>(static_cast<int>(r.regime));
}

const char* class_label(MapClass c) {
    switch (c) {
        case MapClass::CriticalFlow: return "critical-flow limit";
        case MapClass::ImproperInput: return "improper input (status 2)";
        case MapClass::NoRegime: return "no regime (status 3)";
        default: return flowmodel::regime_name(static_cast<flowmodel::Regime>(static_cast<int>(c)));
    }
}

std::vector<double> log_points(double lo, double hi, int n) {
    std::vector<double> v(static_cast<size_t>(n));
    const double a = std::log10(lo), step = (std::log10(hi) - a) / (n - 1);
    for (int k = 0; k < n; ++k) v[k] = std::pow(10.0, a + k * step);
    v.front() = lo;
    v.back() = hi;
    return v;
}

RegimeMap compute_map(const MapOptions& opt) {
    RegimeMap map;
    map.opt = opt;
    map.usg = log_points(opt.usg_min, opt.usg_max, opt.nx);
    map.usl = log_points(opt.usl_min, opt.usl_max, opt.ny);
    map.cells.resize(static_cast<size_t>(opt.nx) * opt.ny);
    const size_t nx = map.usg.size(), ny = map.usl.size();
    // Rows in chunks of one: the cost of a case depends on where it lies, and
    // a thread takes the next row as soon as it is done with one.
    std::atomic<size_t> done{0};
    const std::thread::id caller = std::this_thread::get_id();
    const auto start = std::chrono::steady_clock::now();
    auto last = start;
    flowmodel::parallel_for(ny, opt.jobs, 1, [&](size_t b, size_t e) {
        flowmodel::Inputs in = map.opt.base;
        for (size_t j = b; j < e; ++j) {
            in.usl = map.usl[j];
            for (size_t i = 0; i < nx; ++i) {
                in.usg = map.usg[i];
                map.cells[j * nx + i] = flowmodel::evaluate(in);
            }
        }
        const size_t rows = done += e - b;
        if (opt.progress && std::this_thread::get_id() == caller) {
            const auto now = std::chrono::steady_clock::now();
            if (now - start > std::chrono::seconds(1) && now - last > std::chrono::milliseconds(200)) {
                last = now;
                opt.progress(rows, ny);
            }
        }
    });
    if (opt.progress && std::chrono::steady_clock::now() - start > std::chrono::seconds(1)) opt.progress(ny, ny);
    return map;
}

}  // namespace flowmodel::batch
