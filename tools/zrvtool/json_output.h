#pragma once
// zrvtool's JSON: objects keep their keys in the order they are added, and
// a line is one compact object, as readers of the output expect.
#include <nlohmann/json.hpp>
#include <string>

namespace bv::tool {

using Json = nlohmann::ordered_json;

// A measured value to six significant digits, whole values without a
// fraction ("6", not "6.0"); null when it is not finite.
Json Rounded(double value);

// The compact text of json; bytes that are not UTF-8 become U+FFFD.
std::string JsonText(const Json& json);
// JsonText and a newline on stdout.
void PrintJsonLine(const Json& json);

}  // namespace bv::tool
