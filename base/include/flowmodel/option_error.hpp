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

namespace flowmodel {

// `text` with each {name} spelled by `spell`; any other brace is kept.
std::string spell_options(const std::string& text, const std::function<std::string(const std::string&)>& spell);

// The neutral spelling of what(): {liquid-rate} -> liquid-rate.
std::string plain_words(const std::string& text);

// The command's spelling: {liquid-rate} -> --liquid-rate.
std::string command_words(const std::string& text);

// The Python package's: {liquid-rate} -> liquid_rate.
std::string python_words(const std::string& text);

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
