// The library's errors for what a user gave: a text that names each option
// it is about as {name} (the library's field name, words joined by '-'), so
// that each face spells the names its own way at its boundary: the command
// as --name, the Python package as name with underscores. what() names them
// neutrally, as the bare name.
//
// The convention, the whole of it:
// - a value or option the user gave that cannot be taken: OptionError;
// - a file the user named that cannot be read, or whose content cannot be
//   taken: ReadError (its text names the file, line and column);
// - what a well or a line cannot do is never thrown: it is reported in the
//   result (a traverse's stop reason and message, nodal analysis's reason, a
//   table's failures), where the face words it.
// A fluid that has no state at a point throws FluidError (fluids.hpp) to the
// march, which turns it into a stop; it reaches a caller only from a fluid
// asked directly.
#ifndef FLOWMODEL_OPTION_ERROR_HPP
#define FLOWMODEL_OPTION_ERROR_HPP

#include <functional>
#include <stdexcept>
#include <string>

#include "flowmodel/unit_system.hpp"

namespace flowmodel {

// A quantity in a text, written by each face in its output units: a
// length (m) as {length=1170.2}, a pressure (Pa) as {pressure=206843};
// in SI "1170.2 m" and "206843 Pa", in field units "3839.2 ft" and "30.0 psia".
std::string mark_length(double metres);
std::string mark_pressure(double pascals);

// `text` with each {name} spelled by `spell` and each quantity in the units
// of `system`; any other brace is kept.
std::string spell_options(const std::string& text, const std::function<std::string(const std::string&)>& spell,
                          UnitSystem system = UnitSystem::SI);

// The neutral spelling of what(): {liquid-rate} -> liquid-rate, quantities
// in SI (or in `system`, as a table's comments in the deck's units).
std::string plain_words(const std::string& text, UnitSystem system = UnitSystem::SI);

// The command's spelling: {liquid-rate} -> --liquid-rate.
std::string command_words(const std::string& text, UnitSystem system = UnitSystem::SI);

// The Python package's: {liquid-rate} -> liquid_rate.
std::string python_words(const std::string& text, UnitSystem system = UnitSystem::SI);

// An error whose text names options as {name}; Base is its kind.
template <class Base>
class Marked : public Base {
public:
    explicit Marked(const std::string& text) : Base(plain_words(text)), text_(text) {}
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// A value or option the user gave that cannot be taken.
using OptionError = Marked<std::invalid_argument>;
// What cannot be read or made of a file or line the user named.
using ReadError = Marked<std::runtime_error>;

}  // namespace flowmodel

#endif
