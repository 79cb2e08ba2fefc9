// One driver for every verb of the command: a verb declares its name, usage,
// the format flags and shared options it takes, its own options and the work
// it does; the driver walks the arguments (help, formats, --output,
// --output-units, --jobs, repeated options), opens and commits the output,
// and turns every exception into a message and an exit status.
#ifndef PIPEFLOW_CLI_VERB_H
#define PIPEFLOW_CLI_VERB_H

#include <exception>
#include <fstream>
#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "flowmodel/unit_system.hpp"
#include "output.h"

namespace pipeflow_cli {

// What the driver read for a run, and the run's way to its output and to the user.
// A verb's input: a file, or standard input for "-".
struct Input {
    std::ifstream file;
    std::istream* stream = nullptr;
    std::string where;  // as messages name it: the path, or "standard input"
};

struct VerbRun {
    std::string format;          // the format flag given (its name without dashes), or the verb's default
    std::string output = "-";    // --output
    unsigned jobs = 0;           // --jobs; 0: one thread per core
    bool field_units = false;    // --output-units field
    flowmodel::UnitSystem system() const { return field_units ? flowmodel::UnitSystem::Field : flowmodel::UnitSystem::SI; }
    std::string prefix;          // "pipeflow nodal"
    // Opens the output, refusing one of `inputs`; false after saying why.
    bool open(Output& out, const std::vector<Output::Input>& inputs = {}) const;
    // Opens `in` on `path` (an option's value, "-" for standard input) and
    // then the output, refusing an output that is that input; false after
    // saying why.
    bool open(Input& in, const std::string& path, const std::string& option, Output& out) const;
    // Writes `text` and commits the output; false after saying why.
    bool finish(Output& out, const std::string& text) const;
    // "pipeflow nodal: <text>" on the error stream.
    void say(const std::string& text) const;
};

struct Verb {
    std::string name;                    // "nodal"
    std::function<std::string()> usage;  // printed for -h, --help
    std::string usage_prefix;            // before a usage error: "pipeflow nodal: "
    std::string hint;                    // after it: "(try 'pipeflow nodal --help')"
    std::vector<std::string> formats;    // format flags taken, as "--json"
    std::string default_format;
    bool output = true, jobs = true, output_units = false;
    bool once = false;                   // an option given twice is refused
    // Flags that end the run at once (traverse --ranges): flag, and what it prints.
    std::vector<std::pair<std::string, std::function<void()>>> exits;
    // Flags of the verb's own that take no value (match --tune): flag, and what it sets.
    std::vector<std::pair<std::string, std::function<void()>>> flags;
    // The verb's own options: false when `name` is none of them; throws
    // std::invalid_argument (said as a usage error) for a value it cannot take.
    std::function<bool(const std::string& name, const std::string& value)> option;
    std::function<int(VerbRun&)> run;
};

// A verb with its own help: its usage errors read "pipeflow NAME: ..." and
// point to "pipeflow NAME --help"; `usage` is its help text.
Verb verb_named(const std::string& name, const char* usage);

// Runs `verb` on argv[2] on; returns the exit status: the run's, 2 for a
// usage error (std::invalid_argument, said with the verb's prefix and hint)
// or another error (std::runtime_error, said with the verb's name).
int run_verb(const Verb& verb, int argc, char** argv);

// An error's text as the command spells it: the library's option names as
// --name, its quantities in the output's units.
std::string said(const std::exception& e, flowmodel::UnitSystem system = flowmodel::UnitSystem::SI);

}  // namespace pipeflow_cli

#endif
