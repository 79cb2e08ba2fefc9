// `pipeflow traverse --svg`: the profile drawn as the trade reads it.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "flowmodel/batch/format.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/unit_system.hpp"
#include "map.h"
#include "plot.h"
#include "traverse_output.h"

namespace pipeflow_cli {

using flowmodel::batch::xml_text;

// What a picture shows: the line, the rates, the boundary pressure.
std::string picture_title(const flowmodel::TraverseRequest& req, const flowmodel::TraverseSetup& setup,
                          const StandardRates& q, const OutUnits& u) {
    char buf[200];
    std::string what;
    if (!req.profile.empty()) {
        what = req.profile.substr(req.profile.find_last_of('/') + 1);
    } else {
        std::snprintf(buf, sizeof buf, "a line of %.0f %s", u.len(setup.line.nodes.back().md), u.len_unit());
        what = buf;
    }
    // Rates as people write them: whole numbers from 100 up.
    auto rate = [](double v) {
        char t[32];
        std::snprintf(t, sizeof t, v >= 100 ? "%.0f" : "%.3g", v);
        return std::string(t);
    };
    if (q.known && u.field) {
        const std::string r = "oil " + rate(u.to(D::LiquidRate, q.oil)) + " STB/d, water " +
                              rate(u.to(D::LiquidRate, q.water)) + " STB/d, gas " + rate(u.to(D::GasRate, q.gas)) +
                              " Mscf/d";
        std::snprintf(buf, sizeof buf, "%s", r.c_str());
    } else if (q.known) {
        const std::string r = "oil " + rate(per_day(q.oil)) + " m3/d, water " + rate(per_day(q.water)) +
                              " m3/d, gas " + rate(per_day(q.gas)) + " m3/d";
        std::snprintf(buf, sizeof buf, "%s", r.c_str());
    } else {
        std::snprintf(buf, sizeof buf, "liquid %.4g kg/s, gas %.4g kg/s", req.given.liquid_rate->value,
                      req.given.gas_rate->value);
    }
    const std::string rates = buf;
    const bool well = is_well(setup.line);
    const char* end = setup.options.from_outlet ? (well ? "at the wellhead" : "at the outlet")
                                                : (well ? "at the bottom" : "at the inlet");
    std::snprintf(buf, sizeof buf, "%.5g %s %s", u.field ? u.pres(setup.options.pres) : setup.options.pres / 1000,
                  u.field ? "psia" : "kPa", end);
    return "Pressure traverse, " + what + ": " + rates + "; " + buf;
}

namespace {

// The picture. A pipeline is read along its length: pressure, elevation and
// holdup against the distance along the line, the regime as a band below. A
// well is read downward: pressure, temperature and holdup against measured
// depth growing down the page, the regime as a band beside them. Axes carry
// round ticks; stretches of invalid answers are hatched over the band.
// One quantity drawn against md: its title and its value at a point.
struct Series {
    const char* title;
    double (*value)(const flowmodel::TraversePoint&, const OutUnits&);
    bool from_zero;
    // Drawn dashed beside it in the same panel (the surroundings' temperature), or none.
    double (*beside)(const flowmodel::TraversePoint&, const OutUnits&) = nullptr;
};

// The picture of a traverse: three panels against md (a well read downward,
// a line along its length) and the regime band beside them.
class TracePicture {
public:
    TracePicture(const flowmodel::TraverseResult& r, const OutUnits& u, bool well) : r_(r), pts_(r.points), u_(u), well_(well) {
        double lo = u.len(pts_.front().md), hi = lo;
        for (const auto& p : pts_) {
            lo = std::min(lo, u.len(p.md));
            hi = std::max(hi, u.len(p.md));
        }
        md_ = plot::rounded({lo, hi, false, std::string(well ? "measured depth, " : "distance along the line md, ") +
                                                u.len_unit()});
    }

    std::string draw(const std::string& title) {
        const double W = well_ ? 980 : 900, H = well_ ? 760 : 640;
        s_ = plot::open_svg(W, H, title + (r_.summary.complete ? "" : " (stopped early)"));
        if (well_) {
            down_the_well();
        } else {
            along_the_line();
        }
        return s_ + "</svg>\n";
    }

private:
    std::vector<Series> series() const {
        const Series pressure{u_.field ? "pressure, psia" : "pressure, kPa",
                              [](const flowmodel::TraversePoint& p, const OutUnits& o) {
                                  return o.field ? o.pres(p.pres) : p.pres / 1000;
                              },
                              false};
        const Series elevation{u_.field ? "elevation, ft" : "elevation, m",
                               [](const flowmodel::TraversePoint& p, const OutUnits& o) { return o.len(p.z); }, false};
        const Series temperature{u_.field ? "temperature, degF" : "temperature, K",
                                 [](const flowmodel::TraversePoint& p, const OutUnits& o) { return o.temp(p.temp); },
                                 false};
        const Series holdup{"liquid holdup, -", [](const flowmodel::TraversePoint& p, const OutUnits&) { return p.hol; },
                            true};
        if (heat()) {
            // The fluid's temperature with the surroundings' it exchanges heat with.
            Series both = temperature;
            both.beside = [](const flowmodel::TraversePoint& p, const OutUnits& o) { return o.temp(p.tsurr); };
            return {pressure, both, holdup};
        }
        return {pressure, well_ ? temperature : elevation, holdup};
    }

    bool heat() const { return r_.summary.heat_law != flowmodel::HeatLaw::Given; }

    plot::Axis range(const Series& sr) const {
        double lo = sr.value(pts_.front(), u_), hi = lo;
        for (const auto& p : pts_) {
            lo = std::min(lo, sr.value(p, u_));
            hi = std::max(hi, sr.value(p, u_));
            if (sr.beside) {
                lo = std::min(lo, sr.beside(p, u_));
                hi = std::max(hi, sr.beside(p, u_));
            }
        }
        if (sr.from_zero) lo = 0, hi = std::max(hi, 1e-3);
        if (!(hi > lo)) hi = lo + 1;
        return plot::rounded({lo, hi, false, sr.title});
    }

    // The series as a polyline in frame f, md on the axis `md_is_y` says.
    void curve(const plot::Frame& f, const Series& sr, bool md_is_y) {
        polyline(f, sr.value, md_is_y, "stroke=\"#0072b2\" stroke-width=\"1.5\"");
        if (sr.beside) polyline(f, sr.beside, md_is_y, "class=\"surroundings\" stroke=\"#d55e00\" stroke-width=\"1.5\" stroke-dasharray=\"6,4\"");
    }

    void polyline(const plot::Frame& f, double (*value)(const flowmodel::TraversePoint&, const OutUnits&), bool md_is_y,
                  const char* style) {
        s_ += std::string("<polyline fill=\"none\" ") + style + " points=\"";
        for (const auto& p : pts_) {
            if (md_is_y) {
                std::snprintf(buf_, sizeof buf_, "%.1f,%.1f ", f.px(value(p, u_)), f.py(u_.len(p.md)));
            } else {
                std::snprintf(buf_, sizeof buf_, "%.1f,%.1f ", f.px(u_.len(p.md)), f.py(value(p, u_)));
            }
            s_ += buf_;
        }
        s_ += "\"/>\n";
    }

    // The regime band: a rectangle per stretch between points, coloured as in
    // the map; each reaches half a pixel into the next, so that no seam shows.
    // `at` places an md across the band, b0 and b1 its edges. True when
    // invalid answers were hatched over it.
    template <class At>
    bool band(double b0, double b1, At at) {
        for (size_t i = 1; i < pts_.size(); ++i) {
            const flowmodel::TraversePoint& p = pts_[i];
            const int c = band_key(p);
            shown_[c] = true;
            const double a0 = std::min(at(u_.len(pts_[i - 1].md)), at(u_.len(p.md)));
            const double a1 = std::max(at(u_.len(pts_[i - 1].md)), at(u_.len(p.md)));
            if (well_) {
                std::snprintf(buf_, sizeof buf_,
                              "<rect class=\"regime\" shape-rendering=\"crispEdges\" x=\"%.0f\" y=\"%.2f\" width=\"%.0f\" "
                              "height=\"%.2f\" fill=\"%s\"/>\n",
                              b0, a0, b1 - b0, a1 - a0 + 0.5, key_colour(c));
            } else {
                std::snprintf(buf_, sizeof buf_,
                              "<rect class=\"regime\" shape-rendering=\"crispEdges\" x=\"%.2f\" y=\"%.0f\" width=\"%.2f\" "
                              "height=\"%.0f\" fill=\"%s\"/>\n",
                              a0, b0, a1 - a0 + 0.5, b1 - b0, key_colour(c));
            }
            s_ += buf_;
        }
        return hatch(b0, b1, at);
    }

    // Where the model's answers were invalid: hatched over the band.
    template <class At>
    bool hatch(double b0, double b1, At at) {
        const flowmodel::TraverseSummary& m = r_.summary;
        if (m.bridged_stretches.empty() && m.invalid_stretches.empty()) return false;
        s_ += "<defs><pattern id=\"invalid\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" "
              "patternTransform=\"rotate(45)\"><rect width=\"6\" height=\"6\" fill=\"white\" fill-opacity=\"0.35\"/>"
              "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"black\" stroke-width=\"2\"/></pattern></defs>\n";
        for (const auto* v : {&m.bridged_stretches, &m.invalid_stretches}) {
            for (const auto& st : *v) {
                const double a0 = std::min(at(u_.len(st[0])), at(u_.len(st[1])));
                const double a1 = std::max(std::max(at(u_.len(st[0])), at(u_.len(st[1]))), a0 + 1.5);
                std::snprintf(buf_, sizeof buf_,
                              "<rect class=\"invalid\" x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" "
                              "fill=\"url(#invalid)\"/>\n",
                              well_ ? b0 : a0, well_ ? a0 : b0, well_ ? b1 - b0 : a1 - a0, well_ ? a1 - a0 : b1 - b0);
                s_ += buf_;
            }
        }
        return true;
    }

    std::vector<plot::LegendEntry> legend_entries(bool hatched) const {
        std::vector<plot::LegendEntry> entries;
        for (int c = 0; c < kKeys; ++c) {
            if (shown_[c]) entries.push_back({key_label(c), key_colour(c), "box"});
        }
        if (hatched) entries.push_back({"invalid answers (bridged)", "url(#invalid)", "box"});
        if (heat()) {
            entries.push_back({std::string("fluid (") + flowmodel::heat_law_name(r_.summary.heat_law) + ")", "#0072b2", "line"});
            entries.push_back({well_ ? "geothermal" : "surroundings", "#d55e00", "dash"});
        }
        return entries;
    }

    // Three panels side by side over one depth axis growing downward.
    void down_the_well() {
        const double top = 80, height = 600, width = 160, gap = 50;
        double left = 90;
        const std::vector<Series> all = series();
        for (size_t k = 0; k < all.size(); ++k) {
            plot::Frame f{range(all[k]), md_, left, top, width, height};
            f.y = {md_.hi, md_.lo, false, md_.title};  // depth grows downward
            f.y_labels = k == 0;
            f.x_count = 5;
            s_ += f.axes();
            curve(f, all[k], true);
            left += width + gap;
        }
        plot::Frame depth{md_, md_, left, top, 24, height};
        depth.y = {md_.hi, md_.lo, false, ""};
        const bool hatched = band(left, left + 24, [&](double md) { return depth.py(md); });
        std::snprintf(buf_, sizeof buf_, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"middle\">regime</text>\n", left + 12,
                      top - 8);
        s_ += buf_;
        s_ += plot::legend(left + 50, top + 10, legend_entries(hatched));
    }

    // Three panels one above the other over the distance along the line.
    void along_the_line() {
        const double left = 90, width = 610;
        const double tops[3] = {50, 290, 430}, heights[3] = {200, 110, 90};
        const std::vector<Series> all = series();
        for (size_t k = 0; k < all.size(); ++k) {
            plot::Frame f{md_, range(all[k]), left, tops[k], width, heights[k]};
            f.x.title = "";
            s_ += f.axes();
            curve(f, all[k], false);
        }
        plot::Frame along{md_, {0, 1, false, ""}, left, 540, width, 24};
        const bool hatched = band(540, 564, [&](double md) { return along.px(md); });
        for (double t : plot::ticks(md_)) {
            std::snprintf(buf_, sizeof buf_, "<text x=\"%.1f\" y=\"580\" text-anchor=\"middle\">", along.px(t));
            s_ += buf_ + plot::tick_text(t) + "</text>\n";
        }
        std::snprintf(buf_, sizeof buf_, "<text x=\"%.0f\" y=\"600\" text-anchor=\"middle\">", left + width / 2);
        s_ += buf_ + xml_text(md_.title) + "</text>\n";
        s_ += "<text transform=\"translate(38,552) rotate(-90)\" text-anchor=\"middle\">regime</text>\n";
        s_ += plot::legend(720, 60, legend_entries(hatched));
    }

    const flowmodel::TraverseResult& r_;
    const std::vector<flowmodel::TraversePoint>& pts_;
    const OutUnits& u_;
    bool well_;
    plot::Axis md_;
    std::string s_;
    char buf_[256] = {};
    // The band's keys: the map's classes (the model's regimes and its
    // failures), then the other methods' patterns after them.
    static constexpr int kClasses = 8;
    static constexpr int kKeys = kClasses + flowmodel::kPatternCount;
    static int band_key(const flowmodel::TraversePoint& p) {
        if (p.ierr > 1) return static_cast<int>(MapClass::ImproperInput);
        return p.id < 5 ? p.id : kClasses + p.id;
    }
    static const char* key_colour(int key) {
        if (key < kClasses) return class_colour(static_cast<MapClass>(key));
        using P = flowmodel::Pattern;
        switch (static_cast<P>(key - kClasses)) {
            case P::Liquid: return "#56b4e9";
            case P::Gas: return "#f0e442";
            case P::Segregated:
            case P::Stratified: return "#e69f00";
            case P::Transition: return "#cc79a7";
            case P::Intermittent: return "#009e73";
            case P::Distributed:
            case P::Bubble:
            case P::GriffithBubble: return "#0072b2";
            case P::NonBubble: return "#009e73";
            case P::AnnularMist:
            case P::Mist: return "#d55e00";
            default: return "#999999";
        }
    }
    static std::string key_label(int key) {
        if (key < kClasses) return class_label(static_cast<MapClass>(key));
        return flowmodel::pattern_name(static_cast<flowmodel::Pattern>(key - kClasses));
    }
    bool shown_[kKeys] = {};
};

}  // namespace

std::string as_svg(const flowmodel::TraverseResult& r, const OutUnits& u, const std::string& title, bool well) {
    if (r.points.empty()) {
        // Nothing to draw: the picture says why.
        return plot::open_svg(900, 120, title + ": no point computed") + "<text x=\"20\" y=\"70\">" +
               xml_text(r.summary.message) + "</text>\n</svg>\n";
    }
    return TracePicture(r, u, well).draw(title);
}


}  // namespace pipeflow_cli
