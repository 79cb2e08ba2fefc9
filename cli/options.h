// Command-line pieces shared by the verbs: option splitting, the eleven
// input options built from the library's input table, counts, and the
// usage lines of the inputs.
#ifndef PIPEFLOW_CLI_OPTIONS_H
#define PIPEFLOW_CLI_OPTIONS_H

#include <array>
#include <fstream>
#include <set>
#include <string>

#include "flowmodel/flowmodel.hpp"

namespace pipeflow_cli {

// Walks the arguments of one verb (argv[2] on). An argument that is not an
// option, or an option without a value, is reported through `error`; with
// `once`, so is an option given a second time (which of the two was meant?).
class ArgWalker {
public:
    ArgWalker(int argc, char** argv, int first, bool once = false)
        : argc_(argc), argv_(argv), i_(first), once_(once) {}
    bool done() const { return i_ >= argc_; }
    // The next argument where an option name may stand, without advancing.
    std::string peek() const { return argv_[i_]; }
    void skip() { ++i_; }
    // True for -h and --help in an option position.
    bool is_help() const;
    // Reads "--name=value" or "--name value"; false with `error` set when
    // the argument is no option or has no value.
    bool option(std::string& name, std::string& value, std::string& error);

private:
    int argc_;
    char** argv_;
    int i_;
    bool once_;
    std::set<std::string> seen_;
};

// Sets the input called `name` from `value`. Returns false when `name` is
// no input; otherwise true, with `error` set when the value is no number.
bool set_input(flowmodel::Inputs& in, const std::string& name, const std::string& value, std::string& error);

// The options every verb over a file of cases shares: --input, --output,
// --jobs, and the inputs given as constants (--NAME VALUE).
struct CaseFileOptions {
    std::string input = "-", output = "-";  // "-": standard input and output
    unsigned jobs = 0;                     // 0: one thread per core
    flowmodel::Inputs constants = flowmodel::default_inputs();
    std::array<bool, flowmodel::kInputCount> given{};  // which constants were given
};

// Takes option `name` when it is one of those; false when it is not (the
// verb's own, or unknown). `error` is set for a value it cannot take.
bool case_file_option(CaseFileOptions& o, const std::string& name, const std::string& value, std::string& error);

// Opens `path` for reading ("-": nothing to open, the caller reads standard
// input); false with `error` naming the file and why.
bool open_input(const std::string& path, std::ifstream& in, std::string& error);

// A whole number in [lo, hi].
bool parse_count(const std::string& text, long lo, long hi, long& out);

// "  --usl    superficial liquid velocity, m/s  (default 0.1)\n" for each input.
std::string input_usage();

}  // namespace pipeflow_cli

#endif
