// Option names and quantities in texts, spelled for each face.
#include "flowmodel/option_error.hpp"

#include <cmath>
#include <cstdio>

#include "flowmodel/io/numbers.hpp"

namespace flowmodel {

namespace {

bool name_char(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; }

// A marked quantity as the system writes it: its number rounded as a
// message shows it, and its unit.
std::string quantity(const std::string& kind, double si, UnitSystem system) {
    const bool field = system != UnitSystem::SI && system != UnitSystem::DeckMetric;
    char buf[64];
    if (kind == "length") {
        const Dimension d = Dimension::Length;
        std::snprintf(buf, sizeof buf, "%.1f %s", to_system(system, d, si), output_unit(system, d).name);
    } else if (kind == "pressure") {
        const Dimension d = Dimension::Pressure;
        std::snprintf(buf, sizeof buf, field ? "%.1f %s" : system == UnitSystem::SI ? "%.0f %s" : "%.3f %s",
                      to_system(system, d, si), output_unit(system, d).name);
    } else {
        return "";
    }
    return buf;
}

}  // namespace

std::string mark_length(double metres) { return "{length=" + io::format_double(metres) + "}"; }
std::string mark_pressure(double pascals) { return "{pressure=" + io::format_double(pascals) + "}"; }

std::string spell_options(const std::string& text, const std::function<std::string(const std::string&)>& spell,
                          UnitSystem system) {
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{' && i + 1 < text.size() && text[i + 1] >= 'a' && text[i + 1] <= 'z') {
            size_t j = i + 1;
            while (j < text.size() && name_char(text[j])) ++j;
            if (j < text.size() && text[j] == '}') {
                out += spell(text.substr(i + 1, j - i - 1));
                i = j;
                continue;
            }
            // {kind=value}: a quantity in SI.
            const size_t close = text.find('}', j);
            double v = 0;
            if (j < text.size() && text[j] == '=' && close != std::string::npos &&
                io::parse_double(std::string_view(text).substr(j + 1, close - j - 1), v)) {
                const std::string shown = quantity(text.substr(i + 1, j - i - 1), v, system);
                if (!shown.empty()) {
                    out += shown;
                    i = close;
                    continue;
                }
            }
        }
        out += text[i];
    }
    return out;
}

std::string plain_words(const std::string& text, UnitSystem system) {
    return spell_options(text, [](const std::string& name) { return name; }, system);
}

std::string command_words(const std::string& text, UnitSystem system) {
    return spell_options(text, [](const std::string& name) { return "--" + name; }, system);
}

std::string python_words(const std::string& text, UnitSystem system) {
    return spell_options(text, [](const std::string& name) {
        std::string s = name;
        for (char& c : s) c = c == '-' ? '_' : c;
        return s;
    }, system);
}

}  // namespace flowmodel
