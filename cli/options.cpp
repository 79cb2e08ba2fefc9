// Command-line pieces shared by the verbs.
#include "options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "flowmodel/io/numbers.hpp"

namespace pipeflow_cli {

bool ArgWalker::is_help() const {
    const std::string a = argv_[i_];
    return a == "-h" || a == "--help";
}

bool ArgWalker::option(std::string& name, std::string& value, std::string& error) {
    const std::string a = argv_[i_++];
    if (a.size() < 3 || a.rfind("--", 0) != 0) {
        error = "unexpected argument '" + flowmodel::io::shorten(a) + "'";
        return false;
    }
    const size_t eq = a.find('=');
    if (eq != std::string::npos) {
        name = a.substr(2, eq - 2);
        value = a.substr(eq + 1);
        return true;
    }
    name = a.substr(2);
    if (i_ >= argc_) {
        error = flowmodel::io::shorten(a) + " needs a value";
        return false;
    }
    value = argv_[i_++];
    return true;
}

bool set_input(flowmodel::Inputs& in, const std::string& name, const std::string& value, std::string& error) {
    const flowmodel::InputField* f = flowmodel::find_input(name);
    if (f == nullptr) return false;
    error.clear();
    if (!flowmodel::io::parse_double(value, in.*f->member)) {
        error = "--" + name + " is not a number: '" + flowmodel::io::shorten(value) + "'";
    }
    return true;
}

bool parse_count(const std::string& text, long lo, long hi, long& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && errno == 0 && out >= lo && out <= hi;
}

std::string input_usage() {
    std::string s;
    for (const flowmodel::InputField& f : flowmodel::kInputFields) {
        char line[160];
        const std::string what = std::string(f.meaning) + ", " + f.unit;
        std::snprintf(line, sizeof line, "  --%-6s %-45s (default %s)\n", f.name, what.c_str(),
                      flowmodel::io::format_double(f.default_value).c_str());
        s += line;
    }
    return s;
}

}  // namespace pipeflow_cli
