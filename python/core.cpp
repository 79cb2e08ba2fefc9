// flowmodel._core: the compiled part of the Python package over the C++ API.
// evaluate for one case, evaluate_many for numpy arrays of cases with numpy
// broadcasting, evaluated by the library's parallel loop with the GIL
// released, in blocks between which Ctrl-C is seen. Inputs not given take the
// library's default case. The package's __init__.py adds the DataFrame and
// Dask faces on top.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <thread>
#include <tuple>
#include <cstdint>
#include <string>
#include <map>
#include <unordered_map>
#include <vector>

#include "flowmodel/flowmodel.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/loading.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/validation.hpp"
#include "flowmodel/match.hpp"
#include "flowmodel/vfp_deck.hpp"
#include "flowmodel/well_request.hpp"
#include "pipeflow.h"

namespace py = pybind11;
using namespace pybind11::literals;
using flowmodel::Inputs;
using flowmodel::kInputCount;
using flowmodel::kInputFields;
using flowmodel::Result;

namespace {

// Regime name of a result; "none" when the status gives no regime (2 and 3).
const char* regime_label(const Result& r) { return r.has_regime() ? flowmodel::regime_name(r.regime) : "none"; }

// One input as a float64 array. Real numbers only: complex values would
// lose their imaginary part, a masked array its mask, a date or a duration
// would be read as a count of its units; each is a TypeError, as are arrays
// of anything that is not a number.
py::array_t<double> real_array(const py::object& value, const char* name) {
    py::module_ np = py::module_::import("numpy");
    if (py::isinstance(value, np.attr("ma").attr("MaskedArray"))) {
        throw py::type_error(std::string(name) + ": masked arrays are not accepted; fill or compress them first");
    }
    py::array a = np.attr("asarray")(value);
    const char kind = a.dtype().kind();
    if (kind == 'O') {
        try {
            a = np.attr("asarray")(value, "dtype"_a = np.attr("float64"));
        } catch (py::error_already_set&) {
            throw py::type_error(std::string(name) + ": expected real numbers, got objects that are not numbers");
        }
    } else if (kind != 'f' && kind != 'i' && kind != 'u' && kind != 'b') {
        const std::string what = kind == 'c'   ? "complex numbers"
                                 : kind == 'M' ? "dates"
                                 : kind == 'm' ? "durations (timedelta)"
                                 : kind == 'U' || kind == 'S' ? "text"
                                               : "values of dtype " + py::str(a.dtype()).cast<std::string>();
        throw py::type_error(std::string(name) + ": expected real numbers, got " + what);
    }
    return np.attr("asarray")(a, "dtype"_a = np.attr("float64")).cast<py::array_t<double>>();
}

// One broadcast input: base pointer and byte strides over the common shape.
struct Strided {
    const char* data;
    std::vector<py::ssize_t> strides;
};

// Messages of failed rows: one Python string per distinct text as long as
// the texts repeat (the fixed warnings and errors); past a bound on the
// distinct texts remembered, a new text is stored without looking it up. So
// memory follows the rows that failed, and rows that did not fail cost one
// index each.
class MessageTable {
public:
    int32_t index_of(const std::string& text) {
        if (text.empty()) return 0;
        if (seen_.size() < kRemember) {
            auto it = seen_.find(text);
            if (it != seen_.end()) return it->second;
            seen_.emplace(text, static_cast<int32_t>(table_.size()));
        }
        table_.append(text);
        return static_cast<int32_t>(table_.size() - 1);
    }
    py::list& table() { return table_; }
    MessageTable() { table_.append(""); }

private:
    static constexpr size_t kRemember = 1024;
    std::unordered_map<std::string, int32_t> seen_;
    py::list table_;
};

// The inputs broadcast to one shape (numpy does the broadcasting: views of the
// common shape, zero strides where repeated), read case by case in C order.
struct BroadcastInputs {
    std::vector<py::array_t<double>> arrays;  // kept alive while read
    std::vector<py::ssize_t> shape;
    size_t n = 1;
    std::vector<Strided> in;
    std::vector<py::ssize_t> idx;  // multi-index of the next case

    BroadcastInputs(const std::vector<py::object>& args, py::module_& np) : in(kInputCount) {
        py::tuple converted(kInputCount);
        for (size_t a = 0; a < kInputCount; ++a) converted[a] = real_array(args[a], kInputFields[a].name);
        py::list views = np.attr("broadcast_arrays")(*converted);
        for (size_t a = 0; a < kInputCount; ++a) arrays.push_back(views[a].cast<py::array_t<double>>());
        shape.assign(arrays[0].shape(), arrays[0].shape() + arrays[0].ndim());
        for (py::ssize_t d : shape) n *= static_cast<size_t>(d);
        for (size_t a = 0; a < kInputCount; ++a) {
            in[a].data = reinterpret_cast<const char*>(arrays[a].data());
            in[a].strides.assign(arrays[a].strides(), arrays[a].strides() + shape.size());
        }
        idx.assign(shape.size(), 0);
    }

    // The next case.
    void next(Inputs& c) {
        const size_t ndim = shape.size();
        for (size_t a = 0; a < kInputCount; ++a) {
            py::ssize_t off = 0;
            for (size_t d = 0; d < ndim; ++d) off += idx[d] * in[a].strides[d];
            c.*kInputFields[a].member = *reinterpret_cast<const double*>(in[a].data + off);
        }
        for (size_t d = ndim; d-- > 0;) {
            if (++idx[d] < shape[d]) break;
            idx[d] = 0;
        }
    }
};

// The result columns, filled case by case.
struct ResultColumns {
    py::array_t<double> holdup, dpt, dpf, dpg, dpa;
    py::array_t<int32_t> id, iterations, status, label_index, message_index;
    py::array_t<bool> invalid;
    double *o_hol, *o_dpt, *o_dpf, *o_dpg, *o_dpa;  // where each column's values go
    int32_t *o_id, *o_iter, *o_status, *o_label, *o_msg;
    bool* o_invalid;
    MessageTable messages;

    explicit ResultColumns(const std::vector<py::ssize_t>& shape)
        : holdup(shape), dpt(shape), dpf(shape), dpg(shape), dpa(shape), id(shape), iterations(shape), status(shape),
          label_index(shape), message_index(shape), invalid(shape), o_hol(holdup.mutable_data()),
          o_dpt(dpt.mutable_data()), o_dpf(dpf.mutable_data()), o_dpg(dpg.mutable_data()), o_dpa(dpa.mutable_data()),
          o_id(id.mutable_data()), o_iter(iterations.mutable_data()), o_status(status.mutable_data()),
          o_label(label_index.mutable_data()), o_msg(message_index.mutable_data()), o_invalid(invalid.mutable_data()) {}

    void store(size_t o, const Result& r) {
        o_hol[o] = r.holdup;
        o_dpt[o] = r.dpt;
        o_dpf[o] = r.dpf;
        o_dpg[o] = r.dpg;
        o_dpa[o] = r.dpa;
        o_id[o] = static_cast<int32_t>(r.regime);
        o_iter[o] = r.iterations;
        o_status[o] = static_cast<int32_t>(r.status);
        o_label[o] = r.has_regime() ? static_cast<int32_t>(r.regime) : 5;
        o_msg[o] = messages.index_of(r.message);
        o_invalid[o] = r.separated_invalid();
    }

    // Text columns as object arrays that share their strings: a table indexed by numpy.
    py::dict columns(py::module_& np) {
        py::list names;
        for (int r = 0; r < 5; ++r) names.append(flowmodel::regime_name(static_cast<flowmodel::Regime>(r)));
        names.append("none");
        py::object take = np.attr("take");
        py::dict out;
        out["regime"] = take(np.attr("array")(names, "dtype"_a = "object"), label_index);
        out["id"] = id;
        out["holdup"] = holdup;
        out["dpt"] = dpt;
        out["dpf"] = dpf;
        out["dpg"] = dpg;
        out["dpa"] = dpa;
        out["iterations"] = iterations;
        out["status"] = status;
        out["message"] = take(np.attr("array")(messages.table(), "dtype"_a = "object"), message_index);
        out["separated_invalid"] = invalid;
        return out;
    }
};

py::dict evaluate_many(const std::vector<py::object>& args, int jobs) {
    if (jobs < 0 || jobs > 1024) throw py::value_error("jobs takes 0 (all cores) to 1024");
    py::module_ np = py::module_::import("numpy");
    BroadcastInputs inputs(args, np);
    ResultColumns out(inputs.shape);
    // Blocks of about a quarter of a second on two cores: Ctrl-C is answered
    // between blocks, and the inputs and results of one block are all that is
    // held besides the output arrays.
    const size_t block = size_t(1) << 15;
    std::vector<Inputs> cases;
    std::vector<Result> results;
    for (size_t begin = 0; begin < inputs.n; begin += block) {
        const size_t m = std::min(block, inputs.n - begin);
        cases.resize(m);
        results.resize(m);
        for (size_t k = 0; k < m; ++k) inputs.next(cases[k]);
        {
            py::gil_scoped_release nogil;
            flowmodel::evaluate_many(cases.data(), results.data(), m, static_cast<unsigned>(jobs));
        }
        for (size_t k = 0; k < m; ++k) out.store(begin + k, results[k]);
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    }
    return out.columns(np);
}

Result evaluate_one(const std::vector<py::object>& args) {
    Inputs in;
    for (size_t a = 0; a < kInputCount; ++a) {
        const py::array_t<double> v = real_array(args[a], kInputFields[a].name);
        if (v.ndim() != 0) {
            throw py::type_error(std::string(kInputFields[a].name) +
                                 ": evaluate takes one number per input; use evaluate_many for arrays");
        }
        in.*kInputFields[a].member = *v.data();
    }
    return flowmodel::evaluate(in);
}

py::tuple result_state(const Result& r) {
    return py::make_tuple(r.version, static_cast<int>(r.regime), r.holdup, r.dpt, r.dpf, r.dpg, r.dpa, r.iterations,
                          static_cast<int>(r.status), r.message);
}

Result result_from_state(const py::tuple& t) {
    if (t.size() != 10) throw std::runtime_error("flowmodel.Result: bad pickled state");
    Result r;
    r.version = t[0].cast<double>();
    r.regime = static_cast<flowmodel::Regime>(t[1].cast<int>());
    r.holdup = t[2].cast<double>();
    r.dpt = t[3].cast<double>();
    r.dpf = t[4].cast<double>();
    r.dpg = t[5].cast<double>();
    r.dpa = t[6].cast<double>();
    r.iterations = t[7].cast<int>();
    r.status = static_cast<flowmodel::Status>(t[8].cast<int>());
    r.message = t[9].cast<std::string>();
    return r;
}

// The statistics of flowmodel.compare: the model's results (as evaluate_many
// gives them) against measured holdup, gradient and regime codes (-1 none,
// 0-4, 5 STRAT), per group and pooled, as nested dicts.
py::dict stats_dict(const flowmodel::validation::Statistics& st) {
    auto errors = [](const flowmodel::validation::ErrorStats& e) {
        return py::dict("n"_a = e.n, "failed"_a = e.failed, "below_resolution"_a = e.below_resolution,
                        "separated_invalid"_a = e.separated_invalid, "e1"_a = e.e1,
                        "e2"_a = e.e2, "e3"_a = e.e3, "e4"_a = e.e4, "e5"_a = e.e5, "e6"_a = e.e6,
                        "within20"_a = e.within20, "within30"_a = e.within30);
    };
    py::dict out;
    if (st.dpdx.present()) out["dpdx"] = errors(st.dpdx);
    if (st.holdup.present()) out["holdup"] = errors(st.holdup);
    if (st.regime.present()) {
        py::list confusion;
        for (const auto& row : st.regime.confusion) confusion.append(py::cast(std::vector<long>(row.begin(), row.end())));
        out["regime"] = py::dict("n"_a = st.regime.n, "failed"_a = st.regime.failed, "n_exact"_a = st.regime.n_exact,
                                 "exact"_a = st.regime.exact, "coarse"_a = st.regime.coarse, "confusion"_a = confusion);
    }
    return out;
}

py::dict run_compare(py::array_t<int32_t> id, py::array_t<double> holdup, py::array_t<double> dpt,
                     py::array_t<int32_t> iterations, py::array_t<int32_t> status, py::array_t<double> hol_meas,
                     py::array_t<double> dpdx_meas, py::array_t<int32_t> regime_meas,
                     const std::vector<std::string>& groups) {
    const size_t n = static_cast<size_t>(id.size());
    for (const py::array* a : {static_cast<py::array*>(&holdup), static_cast<py::array*>(&dpt),
                               static_cast<py::array*>(&iterations), static_cast<py::array*>(&status),
                               static_cast<py::array*>(&hol_meas), static_cast<py::array*>(&dpdx_meas),
                               static_cast<py::array*>(&regime_meas)}) {
        if (static_cast<size_t>(a->size()) != n) throw py::value_error("compare: arrays of different lengths");
    }
    std::vector<Result> results(n);
    std::vector<flowmodel::validation::Measurement> meas(n);
    for (size_t i = 0; i < n; ++i) {
        Result& r = results[i];
        r.regime = static_cast<flowmodel::Regime>(id.at(i));
        r.holdup = holdup.at(i);
        r.dpt = dpt.at(i);
        r.iterations = iterations.at(i);
        r.status = static_cast<flowmodel::Status>(status.at(i));
        meas[i].hol = hol_meas.at(i);
        meas[i].dpdx = dpdx_meas.at(i);
        meas[i].regime = regime_meas.at(i);
    }
    const flowmodel::validation::Report rep = flowmodel::validation::compare(results, meas, groups);
    py::dict by_group;
    for (const auto& [name, st] : rep.groups) by_group[py::str(name)] = stats_dict(st);
    return py::dict("pooled"_a = stats_dict(rep.pooled), "groups"_a = by_group);
}

// The statistics of flowmodel.compare(method=...): the method evaluated on
// the inputs (n rows of the eleven, in the order of INPUTS), scored as
// run_compare scores the model.
py::dict run_compare_method(const std::string& method, py::array_t<double, py::array::c_style | py::array::forcecast> inputs,
                            py::array_t<double> hol_meas, py::array_t<double> dpdx_meas, py::array_t<int32_t> regime_meas,
                            const std::vector<std::string>& groups, unsigned jobs) {
    const flowmodel::MethodInfo* info = flowmodel::method_named(method);
    if (!info) throw py::value_error("compare: method takes " + flowmodel::method_names() + "; '" + method + "' is none of them");
    if (inputs.ndim() != 2 || inputs.shape(1) != static_cast<py::ssize_t>(flowmodel::kInputCount)) {
        throw py::value_error("compare: inputs must be n rows of the eleven inputs");
    }
    const size_t n = static_cast<size_t>(inputs.shape(0));
    if (static_cast<size_t>(hol_meas.size()) != n || static_cast<size_t>(dpdx_meas.size()) != n ||
        static_cast<size_t>(regime_meas.size()) != n) {
        throw py::value_error("compare: arrays of different lengths");
    }
    std::vector<flowmodel::Inputs> in(n);
    for (size_t i = 0; i < n; ++i) {
        for (size_t k = 0; k < flowmodel::kInputCount; ++k) {
            in[i].*flowmodel::kInputFields[k].member = inputs.at(static_cast<py::ssize_t>(i), static_cast<py::ssize_t>(k));
        }
    }
    std::vector<flowmodel::PointAnswer> answers(n);
    {
        py::gil_scoped_release free;
        flowmodel::evaluate_points(info->method, in.data(), answers.data(), n, jobs);
    }
    flowmodel::validation::Scorer scorer;
    for (size_t i = 0; i < n; ++i) {
        flowmodel::validation::Measurement m;
        m.hol = hol_meas.at(static_cast<py::ssize_t>(i));
        m.dpdx = dpdx_meas.at(static_cast<py::ssize_t>(i));
        m.regime = regime_meas.at(static_cast<py::ssize_t>(i));
        scorer.add(answers[i], m, i < groups.size() ? groups[i] : std::string(), i < groups.size());
    }
    const flowmodel::validation::Report rep = scorer.report();
    py::dict by_group;
    for (const auto& [name, st] : rep.groups) by_group[py::str(name)] = stats_dict(st);
    return py::dict("pooled"_a = stats_dict(rep.pooled), "groups"_a = by_group);
}

// The measured columns of a frame, each value as text ("" where missing),
// read by the reader `pipeflow compare` uses: (hol, dpdx, regime) arrays,
// or ValueError naming the first rows it refuses and why.
py::tuple run_read_measured(const std::vector<std::string>& hol, const std::vector<std::string>& dpdx,
                            const std::vector<std::string>& regime, const std::vector<std::string>& labels) {
    const size_t n = labels.size();
    if (hol.size() != n || dpdx.size() != n || regime.size() != n) throw py::value_error("compare: columns of different lengths");
    py::array_t<double> h(static_cast<py::ssize_t>(n)), d(static_cast<py::ssize_t>(n));
    py::array_t<int32_t> r(static_cast<py::ssize_t>(n));
    std::string refused;
    size_t bad = 0;
    for (size_t i = 0; i < n; ++i) {
        flowmodel::validation::Measurement m;
        std::string why;
        if (!flowmodel::validation::read_measurement(hol[i], dpdx[i], regime[i], m, why)) {
            if (++bad <= 5) refused += (refused.empty() ? "" : "; ") + std::string("row ") + labels[i] + ": " + why;
            continue;
        }
        h.mutable_data()[i] = m.hol;
        d.mutable_data()[i] = m.dpdx;
        r.mutable_data()[i] = m.regime;
    }
    if (bad > 0) {
        throw py::value_error("compare: " + std::to_string(bad) + " row(s) cannot be scored: " + refused +
                              (bad > 5 ? "; ..." : ""));
    }
    return py::make_tuple(h, d, r);
}

// Work under way when a Ctrl-C reached Python elsewhere (a Dask scheduler
// waiting in the main thread while its worker threads run our calls): each
// call started before the count last rose stops at its next poll.
std::atomic<long> g_cancelled{0};

// Ctrl-C during traverses: polled by the march; only the main thread may run
// Python's signal handlers (the caller's thread tells the others), and a call
// in any thread stops when g_cancelled rises.
class Interrupt {
public:
    bool operator()() {
        if (hit_) return true;
        if (g_cancelled.load() != generation_) hit_ = true;
        if (!hit_ && std::this_thread::get_id() == caller_) {
            py::gil_scoped_acquire gil;
            if (PyErr_CheckSignals() != 0) hit_ = true;
        }
        return hit_;
    }
    bool hit() const { return hit_; }
    // Raises KeyboardInterrupt (or the error the signal handler set) when hit.
    void check() const {
        if (!hit_) return;
        if (PyErr_Occurred() == nullptr) PyErr_SetNone(PyExc_KeyboardInterrupt);
        throw py::error_already_set();
    }

private:
    long generation_ = g_cancelled.load();
    std::thread::id caller_ = std::this_thread::get_id();
    std::atomic<bool> hit_{false};
};

// The well or line of a request: the profile, the unit of its lengths and
// the direction of flow ("" for each: not given).
void set_well(flowmodel::TraverseRequest& request, const std::string& profile, const std::string& profile_unit,
              const std::string& flow_direction) {
    request.profile = profile;
    if (!profile_unit.empty()) flowmodel::set_profile_unit(request, profile_unit);
    flowmodel::set_flow_direction(request, flow_direction);
}

// A set-up traverse from the option texts the package passes.
flowmodel::TraverseSetup setup(const std::map<std::string, std::string>& options, const std::string& profile,
                               const std::string& profile_unit, const std::string& fluid_table,
                               const std::string& flow_direction) {
    flowmodel::TraverseRequest request;
    for (const auto& [name, text] : options) flowmodel::set_option(request, name, text);
    set_well(request, profile, profile_unit, flow_direction);
    request.fluid_table = fluid_table;
    return flowmodel::setup_traverse(request);
}

// "si" or "field", as the command's --output-units.
flowmodel::UnitSystem output_system(const std::string& units) {
    if (units == "si") return flowmodel::UnitSystem::SI;
    if (units == "field") return flowmodel::UnitSystem::Field;
    throw py::value_error("output_units takes 'si' or 'field'");
}

// A value of dimension d in the system's unit, and its key (the name with
// the unit's suffix, as the command's JSON writes it: pres_psia).
struct Shown {
    flowmodel::UnitSystem system;
    double operator()(flowmodel::Dimension d, double si) const { return flowmodel::to_system(system, d, si); }
    std::string key(const char* name, flowmodel::Dimension d) const { return flowmodel::unit_key(system, d, name); }
};

py::object summary_value(const flowmodel::SummaryField& f, const flowmodel::SummaryValue& v, const Shown& u) {
    using F = flowmodel::SummaryField;
    switch (f.kind) {
        case F::Flag: return py::bool_(v.flag);
        case F::Text: return py::str(flowmodel::python_words(v.text, u.system));
        case F::Count: return py::int_(static_cast<long>(v.number));
        case F::Texts: return py::cast(v.texts);
        case F::Stretches: {
            py::list l;
            for (const auto& a : v.stretches) l.append(py::make_tuple(u(f.measure, a[0]), u(f.measure, a[1])));
            return l;
        }
        case F::ByRegime: {
            py::dict lengths;
            for (int k = 0; k < flowmodel::kPatternCount; ++k) {
                if (!flowmodel::pattern_listed(k, v.by_regime)) continue;
                lengths[flowmodel::pattern_name(static_cast<flowmodel::Pattern>(k))] =
                    u(f.measure, v.by_regime[static_cast<size_t>(k)]);
            }
            return lengths;
        }
        default: return std::isfinite(v.number) ? py::object(py::float_(u(f.measure, v.number))) : py::object(py::none());
    }
}

// The points as arrays, one per field of the library's point table, and
// the summary as a dict, in the system's units (keys with their unit's
// suffix outside SI, as the command's JSON).
py::dict result_dict(const flowmodel::TraverseResult& r, double atm_pres, flowmodel::UnitSystem system) {
    const Shown u{system};
    const size_t n = r.points.size();
    const auto len = static_cast<py::ssize_t>(n);
    py::dict out;
    for (const flowmodel::PointField& f : flowmodel::kPointFields) {
        using K = flowmodel::PointField::Kind;
        if (!flowmodel::point_field_written(f, r.summary.heat_law)) continue;
        if (f.kind == K::Text) {
            py::list v;
            for (const auto& p : r.points) v.append(f.text(p));
            out[f.name] = py::module_::import("numpy").attr("array")(v, "dtype"_a = "object");
        } else if (f.kind == K::Integer) {
            py::array_t<int32_t> v(len);
            for (size_t k = 0; k < n; ++k) v.mutable_data()[k] = static_cast<int32_t>(f.number(r.points[k]));
            out[f.name] = v;
        } else {
            py::array_t<double> v(len);
            for (size_t k = 0; k < n; ++k) v.mutable_data()[k] = u(f.measure, f.number(r.points[k]));
            out[py::str(u.key(f.name, f.measure))] = v;
        }
    }
    py::array_t<bool> invalid(len);
    for (size_t k = 0; k < n; ++k) invalid.mutable_data()[k] = r.points[k].separated_invalid;
    out["separated_invalid"] = invalid;
    // The summary's fields from the library's table; a number that is none
    // (an end not reached, where a complete march did not stop) is None.
    flowmodel::TraverseSummary m = r.summary;
    m.atm_pres = atm_pres;  // many traverses are marched without their set-up: the atmosphere comes from it
    py::dict summary;
    for (const flowmodel::SummaryField& f : flowmodel::kSummaryFields) {
        if (!flowmodel::summary_field_shown(f, m)) continue;
        summary[py::str(u.key(f.name, f.measure))] = summary_value(f, f.get(m), u);
    }
    summary["units"] = system == flowmodel::UnitSystem::Field ? "field" : "si";
    out["summary"] = summary;
    return out;
}

namespace fm = flowmodel::match;

// Every row of a match, kept as it is scored, by method and pass.
struct KeptRows {
    struct Rows {
        std::vector<double> measured, predicted, drop;
        std::vector<std::string> failure;
    };
    std::map<std::pair<int, bool>, Rows> by_method;
    std::vector<std::string> labels;

    void keep(const fm::RowOut& row) {
        Rows& k = by_method[{static_cast<int>(row.method), row.tuned}];
        k.measured.push_back(row.prediction.measured);
        k.predicted.push_back(row.prediction.predicted);
        k.drop.push_back(row.prediction.drop);
        k.failure.push_back(row.prediction.failure);
        if (row.row == labels.size()) labels.push_back(row.label);
    }

    // Each method's statistics and its rows' arrays, in the system's units
    // (keys with the unit's suffix outside SI: me_psi, measured_psia).
    py::list scores(const std::vector<fm::MethodScore>& v, bool tuned, const Shown& u) {
        using D = flowmodel::Dimension;
        auto converted = [&u](D d, const std::vector<double>& si) {
            py::array_t<double> a(static_cast<py::ssize_t>(si.size()));
            for (size_t k = 0; k < si.size(); ++k) a.mutable_data()[k] = u(d, si[k]);
            return a;
        };
        py::list out;
        for (const fm::MethodScore& m : v) {
            const Rows& rows = by_method[{static_cast<int>(m.method), tuned}];
            py::list failure;
            for (const std::string& f : rows.failure) failure.append(flowmodel::python_words(f, u.system));
            py::dict d("method"_a = flowmodel::method_info(m.method).name, "failure"_a = failure);
            for (const fm::ScoreColumn& c : fm::score_columns()) {
                const double v = c.value(m);
                d[py::str(u.key(c.name, c.measure))] = c.kind == fm::ScoreColumn::Count
                                                           ? py::object(py::int_(static_cast<long>(v)))
                                                           : py::object(py::float_(u(c.measure, v)));
            }
            d[py::str(u.key("measured", D::Pressure))] = converted(D::Pressure, rows.measured);
            d[py::str(u.key("predicted", D::Pressure))] = converted(D::Pressure, rows.predicted);
            d[py::str(u.key("drop", D::PressureStep))] = converted(D::PressureStep, rows.drop);
            out.append(d);
        }
        return out;
    }
};

fm::MatchOptions match_options(bool tune, const std::vector<std::string>& methods, unsigned jobs) {
    fm::MatchOptions o;
    o.tune = tune;
    o.jobs = jobs;
    for (const std::string& m : methods) {
        const flowmodel::MethodInfo* info = flowmodel::method_named(m);
        if (!info) throw py::value_error("match: method takes " + flowmodel::method_names() + " or all; '" + m + "' is none of them");
        o.methods.push_back(info->method);
    }
    return o;
}

// flowmodel.match: every method (or those named) on a file of measured
// pressures, tuned on request, with the GIL released and Ctrl-C polled.
// Returns {"methods": [...], "untuned": [...] or None, "labels": [...]},
// each method a dict of its statistics and arrays of its rows (SI).
py::dict run_match(const std::map<std::string, std::string>& options, const std::string& profile,
                   const std::string& profile_unit, const std::string& measured_path, bool tune,
                   const std::vector<std::string>& methods, unsigned jobs, const std::string& flow_direction,
                   const std::string& output_units) {
    const Shown u{output_system(output_units)};
    flowmodel::TraverseRequest request;
    for (const auto& [name, text] : options) flowmodel::set_option(request, name, text);
    set_well(request, profile, profile_unit, flow_direction);
    fm::MatchOptions o = match_options(tune, methods, jobs);
    Interrupt interrupt;
    o.interrupted = [&interrupt] { return interrupt(); };
    KeptRows kept;
    o.on_row = [&kept](const fm::RowOut& row) { kept.keep(row); };
    fm::MatchResult r;
    {
        py::gil_scoped_release nogil;
        r = fm::run_match(request, measured_path, flowmodel::atmosphere(request), o);
    }
    interrupt.check();
    if (!r.computed()) throw std::runtime_error(flowmodel::python_words(r.why_none(), u.system));
    const bool tuned = !r.tuned.empty();
    return py::dict("methods"_a = kept.scores(tuned ? r.tuned : r.untuned, tuned, u),
                    "untuned"_a = tuned ? py::object(kept.scores(r.untuned, false, u)) : py::object(py::none()),
                    "units"_a = u.system == flowmodel::UnitSystem::Field ? "field" : "si",
                    "keys"_a = py::dict("me"_a = u.key("me", flowmodel::Dimension::PressureStep),
                                        "mae"_a = u.key("mae", flowmodel::Dimension::PressureStep),
                                        "measured"_a = u.key("measured", flowmodel::Dimension::Pressure),
                                        "predicted"_a = u.key("predicted", flowmodel::Dimension::Pressure),
                                        "error"_a = u.key("error", flowmodel::Dimension::PressureStep),
                                        "drop"_a = u.key("drop", flowmodel::Dimension::PressureStep)),
                    "labels"_a = kept.labels, "warnings"_a = r.warnings, "survey"_a = r.survey,
                    "traverses"_a = r.traverses);
}

// flowmodel.traverse: one traverse with the GIL released, Ctrl-C seen
// within milliseconds. Bad options raise ValueError (std::invalid_argument).
py::dict run_traverse(const std::map<std::string, std::string>& options, const std::string& profile,
                      const std::string& profile_unit, const std::string& fluid_table,
                      const std::string& flow_direction, const std::string& output_units) {
    const flowmodel::UnitSystem system = output_system(output_units);
    flowmodel::TraverseSetup s = setup(options, profile, profile_unit, fluid_table, flow_direction);
    Interrupt interrupt;
    s.options.interrupted = [&interrupt] { return interrupt(); };
    flowmodel::TraverseResult r;
    {
        py::gil_scoped_release nogil;
        r = flowmodel::traverse(s);
    }
    interrupt.check();
    return result_dict(r, s.atm_pres, system);
}

// flowmodel.traverse_many: independent traverses on the library's parallel
// loop; each case is (options, profile, profile_unit, fluid_table, flow_direction).
py::list run_traverse_many(const std::vector<std::tuple<std::map<std::string, std::string>, std::string, std::string,
                                                        std::string, std::string>>& cases,
                           unsigned jobs, const std::string& output_units) {
    const flowmodel::UnitSystem system = output_system(output_units);
    std::vector<flowmodel::TraverseSetup> setups;
    setups.reserve(cases.size());
    for (const auto& [options, profile, unit, table, direction] : cases) {
        setups.push_back(setup(options, profile, unit, table, direction));
    }
    Interrupt interrupt;
    std::vector<flowmodel::TraverseCase> many;
    for (auto& s : setups) {
        s.options.interrupted = [&interrupt] { return interrupt(); };
        many.push_back({&s.line, &s.fluid(), s.options});
    }
    std::vector<flowmodel::TraverseResult> results;
    {
        py::gil_scoped_release nogil;
        results = flowmodel::traverse_many(many, jobs);
    }
    interrupt.check();
    py::list out;
    for (size_t i = 0; i < results.size(); ++i) out.append(result_dict(results[i], setups[i].atm_pres, system));
    return out;
}


// flowmodel.ipr: the inflow of `kind` from its option texts, at the flowing
// pressures `pwf` (Pa) or, when `at_pwf` is false, at the rates (m3/s) in the
// same array. Returns (rate, pwf, absolute open flow).
// flowmodel.ipr: rates at pressures or pressures at rates, both in the
// system's units (the numbers given read in them too).
py::tuple run_ipr(const std::string& kind, const std::map<std::string, std::string>& texts, const std::string& atm_text,
                  const py::array_t<double, py::array::c_style | py::array::forcecast>& values, bool at_pwf,
                  const std::string& output_units) {
    using D = flowmodel::Dimension;
    const Shown u{output_system(output_units)};
    // "": the standard atmosphere, as the request takes it.
    const double atm = atm_text.empty() ? flowmodel::atmosphere(flowmodel::TraverseRequest{})
                                        : flowmodel::parse_quantity("atm-pres", atm_text, flowmodel::Dimension::Pressure).value;
    const flowmodel::ipr::Inflow in = flowmodel::wells::inflow_from(kind, texts, atm);
    const D rate_dim = kind == "fetkovich" ? D::GasRate : D::LiquidRate;
    const auto n = values.size();
    for (py::ssize_t k = 0; k < n; ++k) {
        const double v = values.data()[k];
        if (!(v >= 0) || !std::isfinite(v)) {
            throw flowmodel::OptionError(std::string(at_pwf ? "{pwf} takes absolute pressures" : "{rate} takes rates") +
                                        " from 0 (" + flowmodel::output_unit(u.system, at_pwf ? D::Pressure : rate_dim).name +
                                        "), not " + flowmodel::io::format_double(v));
        }
    }
    py::array_t<double> rate(n), pwf(n);
    for (py::ssize_t k = 0; k < n; ++k) {
        const double v = flowmodel::from_system(u.system, at_pwf ? D::Pressure : rate_dim, values.data()[k]);
        rate.mutable_data()[k] = u(rate_dim, at_pwf ? flowmodel::ipr::rate(in, v) : v);
        pwf.mutable_data()[k] = u(D::Pressure, at_pwf ? v : flowmodel::ipr::pwf(in, v));
    }
    return py::make_tuple(rate, pwf, u(rate_dim, flowmodel::ipr::absolute_open_flow(in)),
                          py::make_tuple(u.key("rate", rate_dim), u.key("pwf", D::Pressure),
                                         u.key("absolute_open_flow", rate_dim)));
}

// The options of a nodal analysis or a table: those of the wells' own, the
// rest a traverse's.
template <class Request, class Own>
Request well_request(const std::map<std::string, std::string>& options, const std::string& profile, const std::string& profile_unit,
                     Own own) {
    Request request;
    for (const auto& [name, text] : options) {
        if (!own(request, name, text)) flowmodel::set_option(request.traverse, name, text);
    }
    request.traverse.profile = profile;
    if (!profile_unit.empty()) flowmodel::set_profile_unit(request.traverse, profile_unit);
    return request;
}

py::object regime_or_none(int id) {
    return id >= 0 ? py::object(py::str(flowmodel::pattern_name(static_cast<flowmodel::Pattern>(id)))) : py::object(py::none());
}

// flowmodel.nodal: the curves as arrays, the crossings, the operating point.
// flowmodel.nodal(lift_gas_rates=...): the lift-gas performance curve as
// arrays (SI; NaN where the well does not flow), the maximum and the
// economic optimum as dicts of one point (None where none flows).
py::dict lift_curve_dict(const flowmodel::wells::NodalSetup& s, unsigned jobs, Interrupt& interrupt, const Shown& u) {
    using D = flowmodel::Dimension;
    flowmodel::wells::LiftCurve c;
    {
        py::gil_scoped_release nogil;
        c = flowmodel::wells::lift_gas_curve(s, jobs);
    }
    interrupt.check();
    namespace fw = flowmodel::wells;
    const auto n = static_cast<py::ssize_t>(c.points.size());
    py::dict curve;
    for (const fw::LiftPointColumn& col : fw::lift_point_columns()) {
        py::array_t<double> v(n);
        for (py::ssize_t k = 0; k < n; ++k) v.mutable_data()[k] = u(col.measure, col.value(c.points[static_cast<size_t>(k)]));
        curve[py::str(u.key(col.name, col.measure))] = v;
    }
    py::list reason;
    for (const auto& p : c.points) {
        reason.append(p.why.empty() ? py::object(py::none()) : py::object(py::str(flowmodel::python_words(p.why, u.system))));
    }
    auto point = [&c, &u](int k) -> py::object {
        if (k < 0) return py::none();
        py::dict d;
        for (const fw::LiftPointColumn& col : fw::lift_point_columns()) {
            d[py::str(u.key(col.name, col.measure))] = u(col.measure, col.value(c.points[static_cast<size_t>(k)]));
        }
        return d;
    };
    curve["reason"] = reason;
    py::dict out("lift_gas_curve"_a = curve, "maximum"_a = point(c.maximum),
                 "economic_optimum"_a = point(c.economic_optimum), "warnings"_a = c.warnings,
                 "evaluations"_a = c.evaluations, "units"_a = u.system == flowmodel::UnitSystem::Field ? "field" : "si");
    out[py::str(u.key("min_gradient", D::LiquidGasRatio))] = u(D::LiquidGasRatio, s.min_gradient);
    return out;
}

// A nodal analysis as Python returns it: the curves as arrays, the
// crossings, the operating point or the reason there is none, in the
// system's units.
py::dict nodal_dict(const flowmodel::wells::NodalSetup& s, const flowmodel::nodal::Result& r, const Shown& u) {
    using D = flowmodel::Dimension;
    const D rate_dim = s.split.gas_rate ? D::GasRate : D::LiquidRate;
    const auto n = static_cast<py::ssize_t>(r.curve.size());
    py::dict curves;
    // The numbers from the curves' columns, as the command writes them.
    for (const flowmodel::nodal::CurveColumn& c : flowmodel::nodal::curve_columns(s.split.gas_rate)) {
        py::array_t<double> v(n);
        for (py::ssize_t k = 0; k < n; ++k) v.mutable_data()[k] = u(c.measure, c.value(r.curve[static_cast<size_t>(k)]));
        curves[py::str(u.key(c.name, c.measure))] = v;
    }
    py::list regime, failure;
    for (const auto& p : r.curve) {
        regime.append(regime_or_none(p.regime_at_bottom));
        failure.append(flowmodel::python_words(p.failure, u.system));
    }
    py::object np = py::module_::import("numpy");
    curves["regime_at_bottom"] = np.attr("array")(regime, "dtype"_a = "object");
    curves["failure"] = np.attr("array")(failure, "dtype"_a = "object");
    const double thp = s.setup.options.pres;
    auto crossing = [&](const flowmodel::nodal::Crossing& c) {
        py::dict d;
        for (const flowmodel::nodal::CrossingColumn& col : flowmodel::nodal::crossing_columns(s.split.gas_rate)) {
            d[py::str(u.key(col.name, col.measure))] = u(col.measure, col.value(c));
        }
        d["regime_at_bottom"] = regime_or_none(c.regime_at_bottom);
        d["stable"] = c.stable;
        return d;
    };
    py::list crossings;
    for (const auto& c : r.crossings) crossings.append(crossing(c));
    const auto* op = r.operating_point();
    auto rate_text = [&](double q) {
        if (u.system == flowmodel::UnitSystem::Field) {
            return flowmodel::io::format_rounded(u(rate_dim, q), 6) + " " + flowmodel::output_unit(u.system, rate_dim).name;
        }
        return flowmodel::io::format_double(q) + (s.split.gas_rate ? " m3/s of gas" : " m3/s of liquid");
    };
    py::object reason =
        op ? py::object(py::none()) : py::object(py::str(flowmodel::python_words(flowmodel::nodal::reason(r, rate_text), u.system)));
    py::dict out("curves"_a = curves, "crossings"_a = crossings,
                 "operating_point"_a = op ? py::object(crossing(*op)) : py::object(py::none()), "reason"_a = reason,
                 "warnings"_a = r.warnings, "evaluations"_a = r.evaluations,
                 "units"_a = u.system == flowmodel::UnitSystem::Field ? "field" : "si");
    if (r.injector) {
        out["injector"] = flowmodel::wells::injected_name(s.split.injected);
    } else {
        out[py::str(u.key("absolute_open_flow", rate_dim))] = u(rate_dim, flowmodel::ipr::absolute_open_flow(s.inflow));
    }
    out[py::str(u.key("thp", D::Pressure))] = u(D::Pressure, thp);
    if (r.loading != flowmodel::LoadingCriterion::None) {
        out["loading"] = flowmodel::loading_criterion_name(r.loading);
        out[py::str(u.key("critical_gas_rate", D::GasRate))] = u(D::GasRate, r.critical_gas_rate);
        out["loads"] = r.loads;
    }
    return out;
}

py::dict run_nodal(const std::map<std::string, std::string>& options, const std::string& profile, const std::string& profile_unit,
                   unsigned jobs, const std::string& output_units) {
    const Shown u{output_system(output_units)};
    auto request = well_request<flowmodel::wells::NodalRequest>(options, profile, profile_unit,
                                                                &flowmodel::wells::set_nodal_option);
    flowmodel::wells::NodalSetup s = flowmodel::wells::setup_nodal(request);
    Interrupt interrupt;
    s.setup.options.interrupted = [&interrupt] { return interrupt(); };
    if (!s.lift_gas_rates.empty()) return lift_curve_dict(s, jobs, interrupt, u);
    flowmodel::nodal::Result r;
    {
        py::gil_scoped_release nogil;
        r = flowmodel::wells::analyse(s, jobs);
    }
    interrupt.check();
    return nodal_dict(s, r, u);
}

// What a table filled, in the deck's units and Python's words (as its comments say it).
std::vector<std::string> filled_texts(const std::vector<std::string>& filled, flowmodel::UnitSystem deck) {
    std::vector<std::string> out;
    for (const std::string& f : filled) out.push_back(flowmodel::python_words(f, deck));
    return out;
}

// The dimension of each axis of a table, by its kind.
struct AxisDimensions {
    flowmodel::Dimension flo, wfr, gfr, alq;
};
AxisDimensions axis_dimensions(const flowmodel::vfp::Table& t) {
    using D = flowmodel::Dimension;
    using namespace flowmodel::vfp;
    return {t.flo == Flo::Gas ? D::GasRate : D::LiquidRate,
            t.wfr == Wfr::WaterCut ? D::Fraction : t.wfr == Wfr::WaterOil ? D::LiquidRatio : D::LiquidGasRatio,
            t.gfr == Gfr::OilGas ? D::LiquidGasRatio : D::GasRatio, t.alq == Alq::GasRate ? D::GasRate : D::GasRatio};
}

// flowmodel.vfp_table: the axes, the BHP as an array [thp, wfr, gfr, flo]
// and the datum in the output units (SI, or field under keys with their
// unit), and the keyword text; entries not computed and not filled raise.
// The BHP as an array shaped as the keyword's records run: [thp, wfr, gfr,
// flo]; with an ALQ axis [thp, wfr, gfr, alq, flo]; an injector's [thp, flo].
py::array_t<double> bhp_array(const flowmodel::vfp::Table& t, const Shown& u) {
    const bool injector = t.injected != flowmodel::vfp::Injected::None;
    std::vector<py::ssize_t> shape = {static_cast<py::ssize_t>(t.axes.thp.size())};
    if (!injector) {
        shape.push_back(static_cast<py::ssize_t>(t.axes.wfr.size()));
        shape.push_back(static_cast<py::ssize_t>(t.axes.gfr.size()));
    }
    if (t.alq != flowmodel::vfp::Alq::None) shape.push_back(static_cast<py::ssize_t>(t.axes.alq.size()));
    shape.push_back(static_cast<py::ssize_t>(t.axes.flo.size()));
    py::array_t<double> bhp(shape);
    for (size_t k = 0; k < t.bhp.size(); ++k) bhp.mutable_data()[k] = u(flowmodel::Dimension::Pressure, t.bhp[k]);
    return bhp;
}

// The axes under keys carrying their units, the BHP, the datum.
py::dict table_arrays(const flowmodel::vfp::Table& t, const Shown& u) {
    auto array = [&u](const std::vector<double>& v, flowmodel::Dimension d) {
        py::array_t<double> a(static_cast<py::ssize_t>(v.size()));
        for (size_t k = 0; k < v.size(); ++k) a.mutable_data()[k] = u(d, v[k]);
        return a;
    };
    const AxisDimensions dims = axis_dimensions(t);
    py::dict out;
    out[py::str(u.key("flo", dims.flo))] = array(t.axes.flo, dims.flo);
    out[py::str(u.key("thp", flowmodel::Dimension::Pressure))] = array(t.axes.thp, flowmodel::Dimension::Pressure);
    if (t.injected == flowmodel::vfp::Injected::None) {
        out[py::str(u.key("wfr", dims.wfr))] = array(t.axes.wfr, dims.wfr);
        out[py::str(u.key("gfr", dims.gfr))] = array(t.axes.gfr, dims.gfr);
    }
    out[py::str(u.key("bhp", flowmodel::Dimension::Pressure))] = bhp_array(t, u);
    out[py::str(u.key("datum", flowmodel::Dimension::Length))] = u(flowmodel::Dimension::Length, t.datum);
    if (t.alq != flowmodel::vfp::Alq::None) {
        out[py::str(u.key("alq", dims.alq))] = array(t.axes.alq, dims.alq);
    } else {
        out["alq"] = py::none();
    }
    out["units"] = u.system == flowmodel::UnitSystem::Field ? "field" : "si";
    return out;
}

py::dict run_vfp(const std::map<std::string, std::string>& options, const std::string& profile, const std::string& profile_unit,
                 unsigned jobs, const std::string& output_units) {
    const Shown u{output_system(output_units)};
    auto request = well_request<flowmodel::wells::VfpRequest>(options, profile, profile_unit,
                                                              &flowmodel::wells::set_vfp_option);
    flowmodel::wells::VfpSetup s = flowmodel::wells::setup_vfp(request);
    Interrupt interrupt;
    s.setup.options.interrupted = [&interrupt] { return interrupt(); };
    flowmodel::wells::VfpOutcome o;
    {
        py::gil_scoped_release nogil;
        o = flowmodel::wells::make_table(s, jobs);
    }
    interrupt.check();
    if (!o.error.empty()) throw flowmodel::OptionError(o.error);
    const flowmodel::vfp::Table& t = o.result.table;
    const bool injector = t.injected != flowmodel::vfp::Injected::None;
    const bool alq = t.alq != flowmodel::vfp::Alq::None;
    const char* alq_kinds[] = {"", "grat", "iglr", "tglr"};
    const char* flo[] = {"liq", "oil", "gas"};
    const char* wfr[] = {"wct", "wor", "wgr"};
    const char* gfr[] = {"gor", "glr", "ogr"};
    const char* injected[] = {"", "wat", "gas", "oil"};            // FLO of a VFPINJ
    const char* injected_names[] = {"", "water", "gas", "oil"};    // as injector= takes it
    py::dict out = table_arrays(t, u);
    out.attr("update")(py::dict("table"_a = t.number,
                    "kinds"_a = injector ? py::make_tuple(injected[static_cast<int>(t.injected)])
                                         : py::make_tuple(flo[static_cast<int>(t.flo)], wfr[static_cast<int>(t.wfr)],
                                                          gfr[static_cast<int>(t.gfr)]),
                    "injector"_a = injector ? py::object(py::str(injected_names[static_cast<int>(t.injected)])) : py::object(py::none()),
                    "keyword"_a = o.keyword, "filled"_a = filled_texts(o.filled, flowmodel::vfp::deck_system(s.units)), "warnings"_a = o.warnings,
                    "evaluations"_a = o.result.evaluations,
                    "alq_kind"_a = alq ? py::object(py::str(alq_kinds[static_cast<int>(t.alq)])) : py::object(py::none())));
    return out;
}

}  // namespace

// The model's result class.
void bind_result(py::module_& m) {
    py::class_<Result>(m, "Result", "Result of one case.")
        .def_property_readonly("regime", [](const Result& r) { return regime_label(r); },
                               "regime name; 'none' when status is 2 or 3")
        .def_property_readonly("id", [](const Result& r) { return static_cast<int>(r.regime); },
                               "regime number 0..4 (index into REGIMES)")
        .def_readonly("holdup", &Result::holdup, "liquid holdup, 0..1")
        .def_readonly("dpt", &Result::dpt, "total pressure gradient, Pa/m, positive when pressure falls (1e10 at the critical-flow limit)")
        .def_readonly("dpf", &Result::dpf, "frictional part, Pa/m")
        .def_readonly("dpg", &Result::dpg, "gravitational part, Pa/m")
        .def_readonly("dpa", &Result::dpa, "accelerational part, Pa/m")
        .def_readonly("iterations", &Result::iterations, "separated-solution iterations; 99 marks it invalid")
        .def_property_readonly("status", [](const Result& r) { return static_cast<int>(r.status); },
                               "0 ok, 1 liquid density corrected, 2 improper input, 3 no regime")
        .def_property_readonly("status_name", [](const Result& r) { return flowmodel::status_name(r.status); })
        .def_property_readonly("separated_invalid", &Result::separated_invalid,
                               "True when a separated regime (0-2) comes from a separated solution the model "
                               "marks invalid (iterations 99): do not trust these numbers")
        .def_readonly("message", &Result::message, "model message, '' on a normal end")
        .def_readonly("version", &Result::version, "model version")
        .def(py::pickle(&result_state, &result_from_state))
        .def("__eq__", [](const Result& a, const Result& b) { return result_state(a).equal(result_state(b)); })
        .def("__repr__", [](const Result& r) {
            return "<flowmodel.Result regime='" + std::string(regime_label(r)) + "' holdup=" +
                   py::repr(py::float_(r.holdup)).cast<std::string>() +
                   " dpt=" + py::repr(py::float_(r.dpt)).cast<std::string>() +
                   " status=" + std::to_string(static_cast<int>(r.status)) +
                   (r.separated_invalid() ? " separated_invalid=True" : "") + ">";
        });
}

// The traverse, compare, match and the wells, called by the Python layer.
// Every table of a deck file as dicts: its words, axes and values in the
// deck's units (bhp flat, [thp][wfr][gfr][alq][flo]; NaN where defaulted),
// and what each check found.
py::list run_read_vfp(const std::string& path) {
    py::list out;
    for (const flowmodel::vfp::DeckTable& t : flowmodel::vfp::read_vfp_deck(path)) {
        py::dict d;
        d["keyword"] = t.keyword;
        d["number"] = t.number;
        d["file"] = t.file;
        d["line"] = t.line;
        d["units"] = t.units;
        d["quantity"] = t.quantity;
        d["datum"] = t.datum;
        d["flo_type"] = t.flo;
        d["wfr_type"] = t.wfr;
        d["gfr_type"] = t.gfr;
        d["alq_type"] = t.alq;
        d["flo"] = t.flo_axis;
        d["thp"] = t.thp_axis;
        d["wfr"] = t.wfr_axis;
        d["gfr"] = t.gfr_axis;
        d["alq"] = t.alq_axis;
        d["bhp"] = t.bhp;
        py::dict checks;
        bool ok = true;
        for (const flowmodel::vfp::Check& c : flowmodel::vfp::check_table(t)) {
            py::list found;
            for (const flowmodel::vfp::Finding& f : c.found) {
                found.append(py::dict("thp"_a = f.where[0], "wfr"_a = f.where[1], "gfr"_a = f.where[2],
                                      "alq"_a = f.where[3], "flo"_a = f.where[4], "size"_a = f.size, "text"_a = f.text));
            }
            ok = ok && !(c.fails && !c.found.empty());
            checks[c.name] = py::dict("fails"_a = c.fails, "found"_a = found);
        }
        d["checks"] = checks;
        d["ok"] = ok;
        out.append(d);
    }
    return out;
}

// Table `number` of the deck (0: its only one) at arrays of points (deck
// units, broadcast by the caller): the BHP, or with `inverse` the THP that
// gives the BHP in `second`.
py::array_t<double> run_vfp_values(const std::string& path, int number, const std::vector<double>& flo,
                                   const std::vector<double>& second, const std::vector<double>& wfr,
                                   const std::vector<double>& gfr, const std::vector<double>& alq, bool inverse) {
    const std::vector<flowmodel::vfp::DeckTable> tables = flowmodel::vfp::read_vfp_deck(path);
    const flowmodel::vfp::DeckTable* t = flowmodel::vfp::find_table(tables, number);
    if (!t) {
        throw flowmodel::OptionError(path + (number == 0 ? " has " + std::to_string(tables.size()) + " tables: choose one with {table}"
                                                         : " has no table " + std::to_string(number)));
    }
    if (!flowmodel::vfp::axes_rise(*t)) {
        throw flowmodel::OptionError(t->keyword + " " + std::to_string(t->number) +
                                     ": an axis does not rise (read_vfp's checks say where): it cannot be interpolated");
    }
    py::array_t<double> out(static_cast<py::ssize_t>(flo.size()));
    for (size_t k = 0; k < flo.size(); ++k) {
        flowmodel::vfp::DeckPoint p{flo[k], inverse ? 0.0 : second[k], wfr[k], gfr[k], alq[k]};
        out.mutable_data()[k] = inverse ? flowmodel::vfp::thp_for(*t, p, second[k]) : flowmodel::vfp::value_at(*t, p);
    }
    return out;
}

void bind_wells(py::module_& m) {
    m.def("_read_vfp", &run_read_vfp, "path"_a);
    m.def("_vfp_values", &run_vfp_values);
    m.def("_traverse", &run_traverse, "options"_a, "profile"_a, "profile_unit"_a, "fluid_table"_a, "flow_direction"_a,
          "output_units"_a = "si");
    m.def("_traverse_many", &run_traverse_many, "cases"_a, "jobs"_a, "output_units"_a = "si");
    m.def("_compare", &run_compare);
    m.def("_compare_method", &run_compare_method);
    m.def("_match", &run_match);
    m.def("_group_of", &flowmodel::validation::group_of);
    m.def("_read_measured", &run_read_measured);
    m.def("_cancel_running", [] { ++g_cancelled; }, "Stops every traverse, sweep and table under way.");
    m.def("_near_miss", &flowmodel::validation::near_miss);
    m.def("_traverse_options", &flowmodel::traverse_option_names);
    m.def("_ipr", &run_ipr, "kind"_a, "texts"_a, "atm"_a, "values"_a, "at_pwf"_a, "output_units"_a = "si");
    m.def("_inflow_options", &flowmodel::wells::inflow_option_names);
    m.def("_nodal", &run_nodal, "options"_a, "profile"_a, "profile_unit"_a, "jobs"_a, "output_units"_a = "si");
    m.def("_vfp", &run_vfp, "options"_a, "profile"_a, "profile_unit"_a, "jobs"_a, "output_units"_a = "si");
}

// The model at one point and over arrays, keyword arguments from the input table.
void bind_evaluate(py::module_& m) {
    m.def("defaults", []() {
        const Inputs d = flowmodel::default_inputs();
        py::dict out;
        for (const flowmodel::InputField& f : kInputFields) out[f.name] = d.*f.member;
        return out;
    }, "The built-in default case: the value each input takes when it is not given.");

    m.def("units", []() {
        py::dict out;
        for (const flowmodel::InputField& f : kInputFields) out[f.name] = py::make_tuple(f.unit, f.meaning);
        return out;
    }, "Unit and meaning of each input: {name: (unit, meaning)}.");

    // Keyword arguments from the input table, each defaulting to the default case.
    const Inputs d = flowmodel::default_inputs();
    auto kw = [&d](size_t a) { return py::arg(kInputFields[a].name) = d.*kInputFields[a].member; };
    m.def("evaluate",
          [](py::object usl, py::object usg, py::object rol, py::object rog, py::object visl, py::object visg,
             py::object rough, py::object sigma, py::object diam, py::object angle, py::object pres) {
              return evaluate_one({usl, usg, rol, rog, visl, visg, rough, sigma, diam, angle, pres});
          },
          py::kw_only(), kw(0), kw(1), kw(2), kw(3), kw(4), kw(5), kw(6), kw(7), kw(8), kw(9), kw(10),
          "Evaluates one case (keyword arguments, SI units) and returns a Result.\n"
          "usl, usg superficial velocities m/s; rol, rog densities kg/m3; visl, visg\n"
          "viscosities Pa s; rough roughness m; sigma surface tension N/m; diam m;\n"
          "angle degrees from horizontal, positive upward; pres Pa.");

    m.def("evaluate_many",
          [](py::object usl, py::object usg, py::object rol, py::object rog, py::object visl, py::object visg,
             py::object rough, py::object sigma, py::object diam, py::object angle, py::object pres, int jobs) {
              return evaluate_many({usl, usg, rol, rog, visl, visg, rough, sigma, diam, angle, pres}, jobs);
          },
          py::kw_only(), kw(0), kw(1), kw(2), kw(3), kw(4), kw(5), kw(6), kw(7), kw(8), kw(9), kw(10),
          "jobs"_a = 0,
          "Evaluates arrays of cases. Each input is a number or an array; they are\n"
          "broadcast together as numpy does. Returns a dict of arrays of the common\n"
          "shape: regime (names, 'none' for status 2 and 3), id, holdup, dpt, dpf, dpg,\n"
          "dpa, iterations, status, message, separated_invalid. Runs on `jobs` threads\n"
          "(0: all cores) with the GIL released; the results do not depend on `jobs`.\n"
          "Messages are shared per distinct text; rows without one share ''.");
}

PYBIND11_MODULE(_core, m) {
    // The library's errors name options as {name}: spelled here as keywords.
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const flowmodel::OptionError& e) {
            PyErr_SetString(PyExc_ValueError, flowmodel::python_words(e.text()).c_str());
        } catch (const flowmodel::ReadError& e) {
            PyErr_SetString(PyExc_ValueError, flowmodel::python_words(e.text()).c_str());
        }
    });
    m.doc() = "Compiled core of the flowmodel package (see flowmodel.__doc__).";
    m.attr("MODEL_VERSION") = PIPEFLOW_VERSION;
    py::tuple regimes(5);
    for (int r = 0; r < 5; ++r) regimes[r] = flowmodel::regime_name(static_cast<flowmodel::Regime>(r));
    m.attr("REGIMES") = regimes;
    py::list names;
    for (const flowmodel::InputField& f : kInputFields) names.append(f.name);
    m.attr("INPUTS") = py::tuple(names);

    bind_result(m);
    bind_wells(m);
    bind_evaluate(m);
}
