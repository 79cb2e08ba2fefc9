// A small plotting module for the command's SVG pictures: axes with round
// tick values (1, 2, 5 × 10^k on linear axes, decades on log axes), a frame
// with titles, and a legend. Each picture keeps only its data series.
#ifndef PIPEFLOW_CLI_PLOT_H
#define PIPEFLOW_CLI_PLOT_H

#include <string>
#include <vector>

namespace pipeflow_cli::plot {

struct Axis {
    double lo, hi;      // data range; on a log axis both above 0
    bool log = false;
    std::string title;  // with its unit: "measured pressure gradient, Pa/m"
};

// The axis widened to round tick values that cover [lo, hi].
Axis rounded(Axis a);
// Round tick values in [lo, hi]: 1, 2 or 5 × 10^k apart (about `count` of
// them), or every decade on a log axis.
std::vector<double> ticks(const Axis& a, int count = 6);
// A tick's text: "0.2", "1000", "1e5", "2e-4".
std::string tick_text(double v);

// A plotting area on the page, in pixels.
struct Frame {
    Axis x, y;
    double left, top, width, height;
    bool y_labels = true;  // tick values and title of the y axis (off for panels that share the first one's)
    int x_count = 6;       // about how many ticks on the x axis (fewer on a narrow panel)
    bool grid = true;      // grid lines across the area (off where the data fill it, as a map's cells do)
    std::string id{};      // id of the border, for tests and styling
    double px(double v) const;  // page x of data value v
    double py(double v) const;  // page y of data value v
    // Border, grid lines, tick marks and values (10 with its exponent raised
    // at the decades of a log axis, short marks at 2..9) and axis titles.
    std::string axes() const;
};

// "<svg ...>" with a white page, and the title at the top left.
std::string open_svg(double width, double height, const std::string& title);

struct LegendEntry {
    std::string label, colour, marker;  // marker: "circle", "square", "triangle", "cross", "line", "dash", "dot", "box" (filled with colour)
};
// One <g class="entry"> per entry, its marker and its label, 17 px apart
// downward from (x, y).
std::string legend(double x, double y, const std::vector<LegendEntry>& entries);

// A marker of the given kind at (x, y), in page pixels.
std::string marker(const std::string& kind, double x, double y, const std::string& colour);

}  // namespace pipeflow_cli::plot

#endif
