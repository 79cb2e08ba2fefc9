// Axes, ticks, frames and legends for the command's pictures.
#include "plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "flowmodel/batch/format.hpp"

namespace pipeflow_cli::plot {

using flowmodel::batch::xml_text;

namespace {

// A round step near `raw`: 1, 2 or 5 × 10^k.
double nice_step(double raw) {
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / mag;
    return (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * mag;
}

std::string fmt(const char* format, double a, double b = 0, double c = 0, double d = 0) {
    char buf[256];
    std::snprintf(buf, sizeof buf, format, a, b, c, d);
    return buf;
}

}  // namespace

Axis rounded(Axis a) {
    if (a.log) {
        a.lo = std::pow(10.0, std::floor(std::log10(a.lo) + 1e-9));
        a.hi = std::pow(10.0, std::ceil(std::log10(a.hi) - 1e-9));
        if (a.hi <= a.lo) a.hi = a.lo * 10;
        return a;
    }
    if (!(a.hi > a.lo)) a.hi = a.lo + 1;
    const double step = nice_step((a.hi - a.lo) / 5);  // lo below hi here
    a.lo = std::floor(a.lo / step + 1e-9) * step;
    a.hi = std::ceil(a.hi / step - 1e-9) * step;
    return a;
}

std::vector<double> ticks(const Axis& axis, int count) {
    std::vector<double> t;
    Axis a = axis;  // an axis may run high to low (depth down the page)
    if (a.lo > a.hi) std::swap(a.lo, a.hi);
    if (a.log) {
        const int e0 = static_cast<int>(std::ceil(std::log10(a.lo) - 1e-9));
        const int e1 = static_cast<int>(std::floor(std::log10(a.hi) + 1e-9));
        for (int e = e0; e <= e1; ++e) t.push_back(std::pow(10.0, e));
        return t;
    }
    // Whole multiples of the step, so that round values stay round.
    const double step = nice_step((a.hi - a.lo) / std::max(count - 1, 1));
    const double k0 = std::ceil(a.lo / step - 1e-9), k1 = std::floor(a.hi / step + 1e-9);
    for (int k = 0; k <= static_cast<int>(k1 - k0); ++k) {
        const double v = (k0 + k) * step;
        t.push_back(std::fabs(v) < 1e-12 * step ? 0.0 : v);
    }
    return t;
}

std::string tick_text(double v) {
    char buf[32];
    if (v != 0 && (std::fabs(v) >= 1e5 || std::fabs(v) < 1e-3)) {
        // 1e5, 2e-4: without the exponent's sign and leading zeros of printf's form
        std::snprintf(buf, sizeof buf, "%.0e", v);
        std::string t = buf;
        const size_t e = t.find('e');
        std::string exp = t.substr(e + 1);
        const bool negative = exp[0] == '-';
        exp.erase(0, 1);
        exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
        return t.substr(0, e + 1) + (negative ? "-" : "") + exp;
    } else {
        std::snprintf(buf, sizeof buf, "%.10g", v);
    }
    return buf;
}

double Frame::px(double v) const {
    const double f = x.log ? (std::log10(v) - std::log10(x.lo)) / (std::log10(x.hi) - std::log10(x.lo))
                           : (v - x.lo) / (x.hi - x.lo);
    return left + width * f;
}

double Frame::py(double v) const {
    const double f = y.log ? (std::log10(v) - std::log10(y.lo)) / (std::log10(y.hi) - std::log10(y.lo))
                           : (v - y.lo) / (y.hi - y.lo);
    return top + height * (1 - f);
}

namespace {

// "10" with the exponent raised, as SVG text.
std::string decade_text(double v) {
    const int e = static_cast<int>(std::lround(std::log10(v)));
    return "10<tspan dy=\"-7\" font-size=\"10\">" + (e < 0 ? "\u2212" + std::to_string(-e) : std::to_string(e)) +
           "</tspan>";
}

// Where the short marks of a log axis go: 2..9 × 10^k inside [lo, hi].
std::vector<double> minor_log_ticks(const Axis& a) {
    std::vector<double> t;
    const double lo = std::min(a.lo, a.hi), hi = std::max(a.lo, a.hi);
    const int e0 = static_cast<int>(std::floor(std::log10(lo))), e1 = static_cast<int>(std::ceil(std::log10(hi)));
    for (int e = e0; e <= e1; ++e) {
        for (int m = 2; m < 10; ++m) {
            const double v = m * std::pow(10.0, e);
            if (v >= lo * (1 - 1e-9) && v <= hi * (1 + 1e-9)) t.push_back(v);
        }
    }
    return t;
}

}  // namespace

std::string Frame::axes() const {
    std::string s = (id.empty() ? "<rect" : "<rect id=\"" + id + "\"") +
                    fmt(" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" stroke=\"#444\"/>\n", left,
                        top, width, height);
    const double bottom = top + height;
    for (double t : ticks(x, x_count)) {
        const double X = px(t);
        if (grid) s += fmt("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>\n", X, top, X, bottom);
        s += fmt("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#444\"/>\n", X, bottom, X, bottom + 6);
        s += fmt("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">", X, bottom + (x.log ? 22 : 18)) +
             (x.log ? decade_text(t) : tick_text(t)) + "</text>\n";
    }
    if (x.log) {
        for (double t : minor_log_ticks(x)) {
            s += fmt("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#444\"/>\n", px(t), bottom, px(t),
                     bottom + 3);
        }
    }
    for (double t : ticks(y)) {
        const double Y = py(t);
        if (grid) s += fmt("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>\n", left, Y, left + width, Y);
        s += fmt("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#444\"/>\n", left - 6, Y, left, Y);
        if (y_labels) {
            s += fmt("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">", left - 9, Y + 4) +
                 (y.log ? decade_text(t) : tick_text(t)) + "</text>\n";
        }
    }
    if (y.log) {
        for (double t : minor_log_ticks(y)) {
            s += fmt("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#444\"/>\n", left - 3, py(t), left,
                     py(t));
        }
    }
    s += fmt("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">", left + width / 2, bottom + 40) +
         xml_text(x.title) + "</text>\n";
    if (y_labels && !y.title.empty()) {
        s += fmt("<text transform=\"translate(%.1f,%.1f) rotate(-90)\" text-anchor=\"middle\">", left - 56,
                 top + height / 2) +
             xml_text(y.title) + "</text>\n";
    }
    return s;
}

// The title at the top left in 15 px, or smaller where that would run past
// the page (a sans-serif glyph is about half its size wide), down to 9 px.
std::string title_text(double width, const std::string& title) {
    const double fits = (width - 40) / (0.5 * static_cast<double>(std::max<std::size_t>(title.size(), 1)));
    const double size = std::max(9.0, std::min(15.0, std::floor(fits * 2) / 2));
    return fmt("<text x=\"20\" y=\"24\" font-size=\"%g\">", size) + xml_text(title) + "</text>\n";
}

std::string open_svg(double width, double height, const std::string& title) {
    return fmt("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" font-family=\"sans-serif\" "
               "font-size=\"12\">\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
               width, height) +
           title_text(width, title);
}

std::string marker(const std::string& kind, double x, double y, const std::string& colour) {
    if (kind == "square") {
        return fmt("<rect x=\"%.1f\" y=\"%.1f\" width=\"6\" height=\"6\" fill=\"none\" stroke=\"", x - 3, y - 3) +
               colour + "\"/>\n";
    }
    if (kind == "triangle") {
        return fmt("<path d=\"M%.1f %.1fl3.5 6h-7z\" fill=\"none\" stroke=\"", x, y - 4) + colour + "\"/>\n";
    }
    if (kind == "cross") {
        return fmt("<path d=\"M%.1f %.1fl6 6m0 -6l-6 6\" stroke=\"", x - 3, y - 3) + colour + "\"/>\n";
    }
    return fmt("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3\" fill=\"none\" stroke=\"", x, y) + colour + "\"/>\n";
}

std::string legend(double x, double y, const std::vector<LegendEntry>& entries) {
    std::string s;
    for (const LegendEntry& e : entries) {
        s += "<g class=\"entry\">";
        if (e.marker == "box") {
            s += fmt("<rect x=\"%.1f\" y=\"%.1f\" width=\"14\" height=\"14\" stroke=\"#888\" fill=\"", x, y - 7) +
                 e.colour + "\"/>";
        } else if (e.marker == "line" || e.marker == "dash" || e.marker == "dot") {
            s += fmt("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"", x, y, x + 18, y) + e.colour +
                 (e.marker == "dash"  ? "\" stroke-dasharray=\"4 3\"/>"
                  : e.marker == "dot" ? "\" stroke-dasharray=\"1 3\"/>"
                                      : "\"/>");
        } else {
            std::string m = marker(e.marker, x + 9, y, e.colour);
            s += m.substr(0, m.size() - 1);
        }
        // Long labels are cut so that the legend stays beside the plot.
        const std::string label = e.label.size() > 34 ? e.label.substr(0, 32) + "..." : e.label;
        s += fmt("<text x=\"%.1f\" y=\"%.1f\">", x + 24, y + 4) + xml_text(label) + "</text></g>\n";
        y += 17;
    }
    return s;
}

}  // namespace pipeflow_cli::plot
