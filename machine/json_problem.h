// What is wrong with a text that is not JSON, said for the person who wrote or saved it: where
// (line and column), what was found and expected, and the usual cause.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace presetra::machine {

// "line 3, column 7: found ',', expected ':' ..." for the parser's error on `text`.
std::string JsonProblem(const std::string& text, const nlohmann::json::exception& error);

}  // namespace presetra::machine
