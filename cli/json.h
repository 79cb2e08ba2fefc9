// The command's JSON, written through nlohmann::json: members stay in the
// order a verb adds them. A document is compact except its long lists (a
// traverse's points, a sweep's curve, a match's methods), whose elements go
// one per line so that a file reads and diffs a row at a time.
#ifndef PIPEFLOW_CLI_JSON_H
#define PIPEFLOW_CLI_JSON_H

#include <initializer_list>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace pipeflow_cli {

using Json = nlohmann::ordered_json;

// The text of `doc` and a line end. Members named in `by_line`, at any depth,
// have their elements one per line. Text that is not UTF-8 (an 8-bit file
// name or label) is written with U+FFFD in place of its stray bytes, so that
// the document stays JSON.
std::string json_text(const Json& doc, std::initializer_list<const char*> by_line = {});

// `value` on one line, without a line end (stray bytes as above).
std::string json_compact(const Json& value);

// A list of texts as a JSON array.
Json json_texts(const std::vector<std::string>& texts);

}  // namespace pipeflow_cli

#endif
