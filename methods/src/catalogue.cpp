// The methods by name with their sources and fitted ranges, and the one
// entry that evaluates any of them at a point.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "common.hpp"
#include "flowmodel/parallel.hpp"
#include "pipeflow.h"

namespace flowmodel {

namespace {

constexpr double kInch = 0.0254;    // m
using unit::kFoot;
using unit::kPsi;

const std::vector<FittedRange> kBeggsBrillRanges{
    {RangeOf::Diameter, 1.0 * kInch, 1.5 * kInch, "1 and 1.5 in. pipe", false},
    {RangeOf::Pressure, 35 * kPsi, 95 * kPsi, "35 to 95 psia"},
    {RangeOf::LiquidViscosity, 0.5e-3, 2e-3, "water (about 1 cp)"},
};

const std::vector<Pattern> kSinglePhase{Pattern::Liquid, Pattern::Gas};

// The classic methods answer only where the inputs are proper (classic::proper).
template <PointAnswer (*F)(const Inputs&)>
PointAnswer classic_point(const Inputs& in) {
    return classic::proper(in) ? F(in) : PointAnswer{};
}

PointAnswer beggs_brill_revised(const Inputs& in) { return classic::beggs_brill(in, Method::BeggsBrill); }
PointAnswer beggs_brill_palmer(const Inputs& in) { return classic::beggs_brill(in, Method::BeggsBrillPalmer); }
PointAnswer beggs_brill_original(const Inputs& in) { return classic::beggs_brill(in, Method::BeggsBrillOriginal); }

PointAnswer model_point(const Inputs& in) { return model_point_answer(evaluate(in)); }

std::string model_why_none(const Inputs& in) {
    const Result r = evaluate(in);
    return "status " + std::to_string(static_cast<int>(r.status)) + ", " + status_name(r.status) +
           (r.message.empty() ? "" : ": " + r.message);
}

std::vector<Pattern> with_single_phase(std::vector<Pattern> own) {
    own.insert(own.begin(), kSinglePhase.begin(), kSinglePhase.end());
    return own;
}

// The model's gravity part is written with its own g; the classic methods' with the standard one.
constexpr double kModelGravity = 9.81;  // m/s2
constexpr double kG = classic::kG;

}  // namespace

const std::vector<MethodInfo>& methods() {
    static const std::vector<Pattern> kBeggsBrillPatterns = with_single_phase(
        {Pattern::Segregated, Pattern::Transition, Pattern::Intermittent, Pattern::Distributed});
    static const std::vector<MethodInfo> table{
        {Method::Model, "model", "the two-phase model", "this project's mechanistic two-phase model", "", {}, &model_point,
         kModelGravity,
         {Pattern::StratifiedSmooth, Pattern::StratifiedWavy, Pattern::Annular, Pattern::Slug, Pattern::DispersedBubble},
         true, &model_why_none},
        {Method::BeggsBrill, "beggs-brill", "Beggs & Brill (1973)",
         "Beggs & Brill, J. Pet. Tech. (May 1973) 607-617; revised map, Brill & Beggs (1991); Payne et al., J. Pet. "
         "Tech. (Sept. 1979) 1198-1208",
         "revised map with transition, rough-pipe friction, Payne et al. holdup factors (0.924 up, 0.685 down)",
         kBeggsBrillRanges, &classic_point<beggs_brill_revised>, kG, kBeggsBrillPatterns, false, nullptr},
        {Method::BeggsBrillPalmer, "beggs-brill-palmer", "Beggs & Brill (1973), Palmer's factors",
         "Beggs & Brill (1973); Palmer, M.S. thesis, U. of Tulsa (1975)",
         "revised map with transition, rough-pipe friction, Palmer holdup factors (0.918 up, 0.541 down)",
         kBeggsBrillRanges, &classic_point<beggs_brill_palmer>, kG, kBeggsBrillPatterns, false, nullptr},
        {Method::BeggsBrillOriginal, "beggs-brill-original", "Beggs & Brill (1973), no factors",
         "Beggs & Brill, J. Pet. Tech. (May 1973) 607-617",
         "revised map with transition, the paper's smooth-pipe friction factor, no holdup factors", kBeggsBrillRanges,
         &classic_point<beggs_brill_original>, kG, kBeggsBrillPatterns, false, nullptr},
        {Method::HagedornBrown, "hagedorn-brown", "Hagedorn & Brown (1965)",
         "Hagedorn & Brown, J. Pet. Tech. (April 1965) 475-484; charts as fitted by Guo et al., Petroleum Production "
         "Engineering (2007); Griffith & Wallis (1961) as given by Orkiszewski (1967)",
         "Griffith & Wallis bubble flow below its boundary, no-slip holdup as a floor",
         {{RangeOf::Diameter, 1.049 * kInch, 1.61 * kInch, "1 to 1.5 in. tubing", false},
          {RangeOf::LiquidViscosity, 0.5e-3, 0.110, "water and oils of 10 to 110 cp"},
          {RangeOf::Angle, 80, 90, "a vertical well"}},
         &classic_point<classic::hagedorn_brown>, kG, with_single_phase({Pattern::GriffithBubble, Pattern::NonBubble}),
         false, nullptr},
        {Method::Gray, "gray", "Gray (1974)", "Gray, API 14B manual, App. B (1974)",
         "effective film roughness, acceleration neglected",
         {{RangeOf::Diameter, 0, 3.5 * kInch, "tubing below 3.5 in."},
          {RangeOf::MixtureVelocity, 0, 50 * kFoot, "mixture velocity below 50 ft/s"},
          {RangeOf::Angle, 80, 90, "vertical wells"}},
         &classic_point<classic::gray>, kG, with_single_phase({Pattern::Mist}), false, nullptr},
        {Method::MukherjeeBrill, "mukherjee-brill", "Mukherjee & Brill (1985)",
         "Mukherjee & Brill, J. Pet. Tech. (May 1983) 1003-1008; J. Energy Res. Tech. (Dec. 1985) 549-554",
         "flow-pattern map of the 1985 paper, stratified flow by its momentum balance",
         {{RangeOf::Diameter, 1.5 * kInch, 1.5 * kInch, "1.5 in. pipe", false},
          {RangeOf::LiquidViscosity, 0.5e-3, 0.1, "kerosene and lube oil"}},
         &classic_point<classic::mukherjee_brill>, kG,
         with_single_phase({Pattern::Bubble, Pattern::Slug, Pattern::AnnularMist, Pattern::Stratified}), false, nullptr},
        {Method::NoSlip, "no-slip", "no-slip (homogeneous)", "Wallis, One-dimensional Two-phase Flow (1969), ch. 2",
         "", {}, &classic_point<classic::no_slip>, kG, with_single_phase({Pattern::Homogeneous}), false, nullptr},
    };
    return table;
}

const MethodInfo& method_info(Method m) {
    for (const MethodInfo& info : methods()) {
        if (info.method == m) return info;
    }
    return methods().front();
}

namespace {

// A name as users write it, for matching: no blanks, lower case, '-' for '_'.
std::string name_key(const std::string& name) {
    std::string key;
    for (char c : name) {
        if (c == ' ' || c == '\t') continue;
        key += c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

}  // namespace

bool names_all_methods(const std::string& name) { return name_key(name) == "all"; }

const MethodInfo* method_named(const std::string& name) {
    const std::string key = name_key(name);
    for (const MethodInfo& info : methods()) {
        if (key == info.name) return &info;
    }
    return nullptr;
}

std::string method_description(Method m) {
    const MethodInfo& info = method_info(m);
    return std::string(info.title) + (*info.options ? std::string(": ") + info.options : std::string());
}

std::string method_names() {
    std::string s;
    for (const MethodInfo& info : methods()) s += (s.empty() ? "" : ", ") + std::string(info.name);
    return s;
}

const char* pattern_name(Pattern p) {
    static const char* const names[kPatternCount] = {
        "stratified smooth", "stratified wavy", "annular",     "slug",        "dispersed bubble", "liquid",
        "gas",               "homogeneous",     "segregated",  "transition",  "intermittent",     "distributed",
        "bubble",            "annular mist",    "stratified",  "mist",        "bubble (Griffith)",
        "non-bubble",        "none"};
    const int k = static_cast<int>(p);
    return k >= 0 && k < kPatternCount ? names[k] : "none";
}

int coarse_regime(Pattern p) {
    switch (p) {
        case Pattern::StratifiedSmooth:
        case Pattern::StratifiedWavy:
        case Pattern::Stratified: return 0;
        case Pattern::Annular:
        case Pattern::AnnularMist: return 2;
        case Pattern::Slug: return 3;
        case Pattern::DispersedBubble:
        case Pattern::Bubble: return 4;
        default: return -1;
    }
}

double range_value(RangeOf of, const Inputs& in) {
    switch (of) {
        case RangeOf::Diameter: return in.diam;
        case RangeOf::Angle: return in.angle;
        case RangeOf::MixtureVelocity: return in.usl + in.usg;
        case RangeOf::LiquidViscosity: return in.visl;
        case RangeOf::Pressure: return in.pres;
    }
    return 0;
}

PointAnswer model_point_answer(const Result& r) {
    PointAnswer a;
    a.model_status = static_cast<int>(r.status);
    a.iterations = r.iterations;
    if (!r.has_regime()) return a;
    a.pattern = static_cast<Pattern>(static_cast<int>(r.regime));
    a.holdup = r.holdup;
    a.dpt = r.dpt;
    a.dpf = r.dpf;
    a.dpg = r.dpg;
    a.dpa = r.dpa;
    a.critical = r.dpt >= PIPEFLOW_CRITICAL_DPT;
    a.model_bridge = r.separated_invalid();
    a.valid = !a.critical;
    return a;
}

namespace {

// The bits of the ranges a point lies outside.
std::uint32_t outside(const MethodInfo& info, const Inputs& in) {
    std::uint32_t bits = 0;
    for (size_t k = 0; k < info.ranges.size(); ++k) {
        const FittedRange& r = info.ranges[k];
        if (!r.warns) continue;  // information only (FittedRange::warns)
        const double v = range_value(r.of, in);
        // A range given as one value (one pipe size) is left beyond 5 % of it.
        const double slack = r.lo == r.hi ? 0.05 * r.hi : 0.0;
        if (v < r.lo - slack || v > r.hi + slack) bits |= std::uint32_t(1) << k;
    }
    return bits;
}

}  // namespace

PointAnswer evaluate_point(Method m, const Inputs& in) {
    const MethodInfo& info = method_info(m);
    PointAnswer a = info.point(in);
    a.outside = outside(info, in);
    return a;
}

void evaluate_points(Method m, const Inputs* in, PointAnswer* out, std::size_t n, unsigned jobs) {
    parallel_for(n, jobs, 16, [&](std::size_t b, std::size_t e) {
        for (std::size_t i = b; i < e; ++i) out[i] = evaluate_point(m, in[i]);
    });
}

std::vector<std::string> range_warnings(Method m, std::uint32_t bits, const double* low, const double* high) {
    // Each quantity in the units its sources state their ranges in.
    struct Shown {
        const char* what;
        double per;  // SI per unit shown
        const char* unit;
    };
    static const Shown shown[] = {{"diameter", kInch, "in."},
                                  {"angle", 1.0, "deg"},
                                  {"mixture velocity", kFoot, "ft/s"},
                                  {"liquid viscosity", 1e-3, "cp"},
                                  {"pressure", kPsi, "psia"}};
    std::vector<std::string> out;
    const MethodInfo& info = method_info(m);
    for (size_t k = 0; k < info.ranges.size(); ++k) {
        if (!(bits & (std::uint32_t(1) << k))) continue;
        const FittedRange& r = info.ranges[k];
        const Shown& q = shown[static_cast<size_t>(r.of)];
        double lo = low[k] / q.per, hi = high[k] / q.per;
        const char* what = q.what;
        if (r.of == RangeOf::Angle) {
            // As well people read it: the inclination from vertical.
            const double a = 90 - std::fabs(lo), b = 90 - std::fabs(hi);
            lo = std::min(a, b), hi = std::max(a, b);
            what = "inclination from vertical";
        }
        char met[96];
        if (lo == hi) {
            std::snprintf(met, sizeof met, "%.4g %s", lo, q.unit);
        } else {
            std::snprintf(met, sizeof met, "%.4g to %.4g %s", lo, hi, q.unit);
        }
        out.push_back(std::string(info.title) + " used outside the data it was fitted on: " + what + " " + met +
                      " (fitted: " + r.text + ")");
    }
    return out;
}

double method_gravity(Method m) { return method_info(m).gravity; }

}  // namespace flowmodel
