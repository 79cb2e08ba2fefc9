// The Python module `flowmodel`: the C++ API for one case (evaluate) and for
// numpy arrays of cases with numpy broadcasting (evaluate_many), the latter
// evaluated on all cores with the GIL released. Inputs not given take the
// built-in default case, as with `pipeflow eval`.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cases.h"
#include "flowmodel/flowmodel.hpp"

namespace py = pybind11;
using namespace pybind11::literals;
using flowmodel::Inputs;
using flowmodel::Result;

namespace {

const char* const kNames[11] = {"usl", "usg", "rol", "rog", "visl", "visg", "rough", "sigma", "diam", "angle", "pres"};

double Inputs::*const kFields[11] = {&Inputs::usl,   &Inputs::usg,   &Inputs::rol,  &Inputs::rog,
                                     &Inputs::visl,  &Inputs::visg,  &Inputs::rough, &Inputs::sigma,
                                     &Inputs::diam,  &Inputs::angle, &Inputs::pres};

// Regime name of a result; "none" when the status gives no regime (2 and 3).
const char* regime_label(const Result& r) { return r.has_regime() ? flowmodel::regime_name(r.regime) : "none"; }

Result evaluate_one(double usl, double usg, double rol, double rog, double visl, double visg, double rough,
                    double sigma, double diam, double angle, double pres) {
    const Inputs in{usl, usg, rol, rog, visl, visg, rough, sigma, diam, angle, pres};
    return flowmodel::evaluate(in);
}

// One broadcast input: base pointer and byte strides over the common shape.
struct Strided {
    const char* data;
    std::vector<py::ssize_t> strides;
};

py::dict evaluate_many(const std::vector<py::object>& args, int jobs) {
    if (jobs < 0 || jobs > 1024) throw py::value_error("jobs takes 0 (all cores) to 1024");
    py::module_ np = py::module_::import("numpy");
    // numpy does the broadcasting: views of the common shape, zero strides where repeated.
    py::tuple converted(11);
    for (int a = 0; a < 11; ++a) converted[a] = np.attr("asarray")(args[a], "dtype"_a = np.attr("float64"));
    py::list views = np.attr("broadcast_arrays")(*converted);
    std::vector<py::array_t<double>> arrays;
    for (int a = 0; a < 11; ++a) arrays.push_back(views[a].cast<py::array_t<double>>());
    const std::vector<py::ssize_t> shape(arrays[0].shape(), arrays[0].shape() + arrays[0].ndim());
    const size_t ndim = shape.size();
    size_t n = 1;
    for (py::ssize_t s : shape) n *= static_cast<size_t>(s);
    std::vector<Strided> in(11);
    for (int a = 0; a < 11; ++a) {
        in[a].data = reinterpret_cast<const char*>(arrays[a].data());
        in[a].strides.assign(arrays[a].strides(), arrays[a].strides() + ndim);
    }

    py::array_t<double> holdup(shape), dpt(shape), dpf(shape), dpg(shape), dpa(shape);
    py::array_t<int32_t> id(shape), iterations(shape), status(shape);
    py::array_t<int32_t> label_index(shape);
    double* const o_hol = holdup.mutable_data();
    double* const o_dpt = dpt.mutable_data();
    double* const o_dpf = dpf.mutable_data();
    double* const o_dpg = dpg.mutable_data();
    double* const o_dpa = dpa.mutable_data();
    int32_t* const o_id = id.mutable_data();
    int32_t* const o_iter = iterations.mutable_data();
    int32_t* const o_status = status.mutable_data();
    int32_t* const o_label = label_index.mutable_data();
    std::vector<std::string> messages(n);  // empty for most cases

    unsigned threads = jobs > 0 ? static_cast<unsigned>(jobs) : std::max(1u, std::thread::hardware_concurrency());
    const size_t chunk = 256;  // cases per claim: small enough to balance uneven costs
    threads = static_cast<unsigned>(std::min<size_t>(threads, (n + chunk - 1) / chunk));
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::atomic<bool> failed{false};
    auto work = [&]() {
        try {
            std::vector<py::ssize_t> idx(ndim);
            for (;;) {
                const size_t begin = next.fetch_add(chunk);
                if (begin >= n || failed.load()) return;
                const size_t end = std::min(n, begin + chunk);
                // Multi-index of the first case of the chunk (C order), then step it.
                size_t rest = begin;
                for (size_t d = ndim; d-- > 0;) {
                    idx[d] = static_cast<py::ssize_t>(rest % static_cast<size_t>(shape[d]));
                    rest /= static_cast<size_t>(shape[d]);
                }
                for (size_t k = begin; k < end; ++k) {
                    Inputs c;
                    for (int a = 0; a < 11; ++a) {
                        py::ssize_t off = 0;
                        for (size_t d = 0; d < ndim; ++d) off += idx[d] * in[a].strides[d];
                        c.*kFields[a] = *reinterpret_cast<const double*>(in[a].data + off);
                    }
                    const Result r = flowmodel::evaluate(c);
                    o_hol[k] = r.holdup;
                    o_dpt[k] = r.dpt;
                    o_dpf[k] = r.dpf;
                    o_dpg[k] = r.dpg;
                    o_dpa[k] = r.dpa;
                    o_id[k] = static_cast<int32_t>(r.regime);
                    o_iter[k] = r.iterations;
                    o_status[k] = static_cast<int32_t>(r.status);
                    o_label[k] = r.has_regime() ? static_cast<int32_t>(r.regime) : 5;
                    if (!r.message.empty()) messages[k] = r.message;
                    for (size_t d = ndim; d-- > 0;) {
                        if (++idx[d] < shape[d]) break;
                        idx[d] = 0;
                    }
                }
            }
        } catch (...) {
            if (!failed.exchange(true)) failure = std::current_exception();
        }
    };
    {
        py::gil_scoped_release nogil;
        std::vector<std::thread> pool;
        for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
        work();
        for (std::thread& th : pool) th.join();
    }
    if (failure) std::rethrow_exception(failure);

    // Text columns as object arrays that share their strings: a table indexed by numpy.
    py::list names;
    for (int r = 0; r < 5; ++r) names.append(flowmodel::regime_name(static_cast<flowmodel::Regime>(r)));
    names.append("none");
    py::object take = np.attr("take");
    py::object regime = take(np.attr("array")(names, "dtype"_a = "object"), label_index);
    std::map<std::string, int32_t> distinct{{std::string(), 0}};
    py::array_t<int32_t> message_index(shape);
    int32_t* const o_msg = message_index.mutable_data();
    py::list table;
    table.append("");
    for (size_t k = 0; k < n; ++k) {
        auto it = distinct.find(messages[k]);
        if (it == distinct.end()) {
            it = distinct.emplace(messages[k], static_cast<int32_t>(table.size())).first;
            table.append(messages[k]);
        }
        o_msg[k] = it->second;
    }
    py::object message = take(np.attr("array")(table, "dtype"_a = "object"), message_index);

    py::dict out;
    out["regime"] = regime;
    out["id"] = id;
    out["holdup"] = holdup;
    out["dpt"] = dpt;
    out["dpf"] = dpf;
    out["dpg"] = dpg;
    out["dpa"] = dpa;
    out["iterations"] = iterations;
    out["status"] = status;
    out["message"] = message;
    return out;
}

}  // namespace

PYBIND11_MODULE(flowmodel, m) {
    m.doc() =
        "Steady two-phase gas-liquid flow at one point of a straight pipe: flow regime,\n"
        "liquid holdup and pressure gradient. SI units; inputs not given take the\n"
        "built-in default case (air-water at 1 atm in a horizontal 5 cm smooth pipe,\n"
        "see defaults()). Bad inputs are results with status 2 and a message, not errors.";
    m.attr("__version__") = FLOWMODEL_PACKAGE_VERSION;
    m.attr("MODEL_VERSION") = 1.06;
    py::tuple regimes(5);
    for (int r = 0; r < 5; ++r) regimes[r] = flowmodel::regime_name(static_cast<flowmodel::Regime>(r));
    m.attr("REGIMES") = regimes;

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
        .def_readonly("message", &Result::message, "model message, '' on a normal end")
        .def_readonly("version", &Result::version, "model version")
        .def("__repr__", [](const Result& r) {
            return "<flowmodel.Result regime='" + std::string(regime_label(r)) + "' holdup=" +
                   py::repr(py::float_(r.holdup)).cast<std::string>() +
                   " dpt=" + py::repr(py::float_(r.dpt)).cast<std::string>() +
                   " status=" + std::to_string(static_cast<int>(r.status)) + ">";
        });

    const Inputs d = pipeflow_cli::default_inputs();
    m.def("defaults", [d]() {
        py::dict out;
        for (int a = 0; a < 11; ++a) out[kNames[a]] = d.*kFields[a];
        return out;
    }, "The built-in default case: the value each input takes when it is not given.");

    m.def("evaluate", &evaluate_one, py::kw_only(), "usl"_a = d.usl, "usg"_a = d.usg, "rol"_a = d.rol,
          "rog"_a = d.rog, "visl"_a = d.visl, "visg"_a = d.visg, "rough"_a = d.rough, "sigma"_a = d.sigma,
          "diam"_a = d.diam, "angle"_a = d.angle, "pres"_a = d.pres,
          "Evaluates one case (keyword arguments, SI units) and returns a Result.\n"
          "usl, usg superficial velocities m/s; rol, rog densities kg/m3; visl, visg\n"
          "viscosities Pa s; rough roughness m; sigma surface tension N/m; diam m;\n"
          "angle degrees from horizontal, positive upward; pres Pa.");

    m.def("evaluate_many",
          [](py::object usl, py::object usg, py::object rol, py::object rog, py::object visl, py::object visg,
             py::object rough, py::object sigma, py::object diam, py::object angle, py::object pres, int jobs) {
              return evaluate_many({usl, usg, rol, rog, visl, visg, rough, sigma, diam, angle, pres}, jobs);
          },
          py::kw_only(), "usl"_a = d.usl, "usg"_a = d.usg, "rol"_a = d.rol, "rog"_a = d.rog, "visl"_a = d.visl,
          "visg"_a = d.visg, "rough"_a = d.rough, "sigma"_a = d.sigma, "diam"_a = d.diam, "angle"_a = d.angle,
          "pres"_a = d.pres, "jobs"_a = 0,
          "Evaluates arrays of cases. Each input is a number or an array; they are\n"
          "broadcast together as numpy does. Returns a dict of arrays of the common\n"
          "shape: regime (names, 'none' for status 2 and 3), id, holdup, dpt, dpf, dpg,\n"
          "dpa, iterations, status, message. Runs on `jobs` threads (0: all cores)\n"
          "with the GIL released; the results do not depend on `jobs`.");
}
