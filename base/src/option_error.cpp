// Option names in error texts, spelled for each face.
#include "flowmodel/option_error.hpp"

namespace flowmodel {

namespace {

bool name_char(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; }

}  // namespace

std::string spell_options(const std::string& text, const std::function<std::string(const std::string&)>& spell) {
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
        }
        out += text[i];
    }
    return out;
}

std::string plain_words(const std::string& text) {
    return spell_options(text, [](const std::string& name) { return name; });
}

std::string command_words(const std::string& text) {
    return spell_options(text, [](const std::string& name) { return "--" + name; });
}

std::string python_words(const std::string& text) {
    return spell_options(text, [](const std::string& name) {
        std::string s = name;
        for (char& c : s) c = c == '-' ? '_' : c;
        return s;
    });
}

}  // namespace flowmodel
