// Command-line pieces shared by the verbs.
#include "options.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

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
    name = eq != std::string::npos ? a.substr(2, eq - 2) : a.substr(2);
    if (once_ && !seen_.insert(name).second) {
        error = "--" + flowmodel::io::shorten(name) + " is given twice";
        return false;
    }
    if (eq != std::string::npos) {
        value = a.substr(eq + 1);
        return true;
    }
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

bool case_file_option(CaseFileOptions& o, const std::string& name, const std::string& value, std::string& error) {
    long n = 0;
    if (name == "input") {
        o.input = value;
    } else if (name == "output") {
        o.output = value;
    } else if (name == "jobs") {
        if (!parse_count(value, 1, 1024, n)) error = "--jobs takes a whole number from 1 to 1024";
        o.jobs = static_cast<unsigned>(n);
    } else if (set_input(o.constants, name, value, error)) {
        if (error.empty()) o.given[static_cast<size_t>(flowmodel::find_input(name) - flowmodel::kInputFields.data())] = true;
    } else {
        return false;
    }
    return true;
}

bool open_input(const std::string& path, std::ifstream& in, std::string& error) {
    if (path == "-") return true;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = "cannot read '" + path + "': it is a directory";
        return false;
    }
    in.open(path, std::ios::binary);
    if (!in) {
        error = "cannot read '" + path + "': " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace pipeflow_cli
