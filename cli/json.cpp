#include "json.h"

#include <algorithm>

namespace pipeflow_cli {

namespace {


class Writer {
public:
    explicit Writer(std::initializer_list<const char*> by_line) : by_line_(by_line) {}

    void write(const Json& j, bool rows) {
        if (!j.is_structured()) {
            out += json_compact(j);
            return;
        }
        const bool object = j.is_object();
        rows = rows && !j.empty();
        out += object ? '{' : '[';
        if (rows) out += '\n';
        bool first = true;
        for (auto it = j.begin(); it != j.end(); ++it) {
            if (!first) out += rows ? ",\n" : ",";
            first = false;
            if (object) {
                out += json_compact(Json(it.key()));
                out += ':';
            }
            write(it.value(), object && listed(it.key()));
        }
        if (rows) out += '\n';
        out += object ? '}' : ']';
    }

    std::string out;

private:
    bool listed(const std::string& key) const {
        return std::any_of(by_line_.begin(), by_line_.end(), [&](const char* k) { return key == k; });
    }
    std::initializer_list<const char*> by_line_;
};

}  // namespace

std::string json_text(const Json& doc, std::initializer_list<const char*> by_line) {
    Writer w(by_line);
    w.write(doc, false);
    return w.out + "\n";
}

std::string json_compact(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

Json json_texts(const std::vector<std::string>& texts) { return Json(texts); }

}  // namespace pipeflow_cli
