// The verb driver.
#include "verb.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <stdexcept>

#include "flowmodel/option_error.hpp"
#include "options.h"

namespace pipeflow_cli {

bool VerbRun::open(Output& out, const std::vector<Output::Input>& inputs) const {
    std::string error;
    if (out.open(output, error, inputs)) return true;
    say(error);
    return false;
}

bool VerbRun::open(Input& in, const std::string& path, const std::string& option, Output& out) const {
    std::string error;
    if (!open_input(path, in.file, error)) {
        say(error);
        return false;
    }
    in.stream = path == "-" ? &std::cin : &in.file;
    in.where = path == "-" ? "standard input" : path;
    return open(out, {{path, option}});
}

bool VerbRun::finish(Output& out, const std::string& text) const {
    if (out.write(text) && out.commit()) return true;
    say(out.error());
    return false;
}

void VerbRun::say(const std::string& text) const { std::fprintf(stderr, "%s: %s\n", prefix.c_str(), text.c_str()); }

namespace {

// The options every verb may take, as the verb declares them; false for others.
bool shared_option(const Verb& verb, VerbRun& run, const std::string& name, const std::string& value) {
    long n = 0;
    if (verb.output && name == "output") {
        run.output = value;
    } else if (verb.jobs && name == "jobs") {
        if (!parse_count(value, 1, 1024, n)) throw std::invalid_argument("--jobs takes a whole number from 1 to 1024");
        run.jobs = static_cast<unsigned>(n);
    } else if (verb.output_units && name == "output-units") {
        if (value != "si" && value != "field") throw std::invalid_argument("--output-units takes si or field");
        run.field_units = value == "field";
    } else {
        return false;
    }
    return true;
}

// Walks the arguments into `run` and the verb's options; returns -1 to go
// on, or the exit status of a run that ends here (help, an exit flag).
int walk(const Verb& verb, VerbRun& run, int argc, char** argv) {
    for (ArgWalker args(argc, argv, 2, verb.once); !args.done();) {
        if (args.is_help()) {
            std::fputs(verb.usage().c_str(), stdout);
            return 0;
        }
        const std::string a = args.peek();
        for (const auto& [flag, action] : verb.exits) {
            if (a == flag) {
                action();
                return 0;
            }
        }
        if (std::find(verb.formats.begin(), verb.formats.end(), a) != verb.formats.end()) {
            run.format = a.substr(2);
            args.skip();
            continue;
        }
        const auto flag = std::find_if(verb.flags.begin(), verb.flags.end(), [&a](const auto& f) { return f.first == a; });
        if (flag != verb.flags.end()) {
            flag->second();
            args.skip();
            continue;
        }
        std::string name, value, error;
        if (!args.option(name, value, error)) throw std::invalid_argument(error);
        if (shared_option(verb, run, name, value) || verb.option(name, value)) continue;
        throw std::invalid_argument("unknown option '--" + name + "'");
    }
    return -1;
}

}  // namespace

Verb verb_named(const std::string& name, const char* usage) {
    Verb verb;
    verb.name = name;
    verb.usage = [usage] { return std::string(usage); };
    verb.usage_prefix = "pipeflow " + name + ": ";
    verb.hint = "(try 'pipeflow " + name + " --help')";
    return verb;
}

std::string said(const std::exception& e, flowmodel::UnitSystem system) {
    if (const auto* o = dynamic_cast<const flowmodel::OptionError*>(&e)) return flowmodel::command_words(o->text(), system);
    if (const auto* r = dynamic_cast<const flowmodel::ReadError*>(&e)) return flowmodel::command_words(r->text(), system);
    return e.what();
}

int run_verb(const Verb& verb, int argc, char** argv) {
    VerbRun run;
    run.format = verb.default_format;
    run.prefix = "pipeflow " + verb.name;
    try {
        const int early = walk(verb, run, argc, argv);
        if (early >= 0) return early;
        return verb.run(run);
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "%s%s\n%s\n", verb.usage_prefix.c_str(), said(e, run.system()).c_str(), verb.hint.c_str());
        return 2;
    } catch (const std::runtime_error& e) {
        run.say(said(e, run.system()));
        return 2;
    }
}

}  // namespace pipeflow_cli
