#include "machine/json_problem.h"

#include <algorithm>
#include <cctype>

namespace presetra::machine {

namespace {

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// "line 3, column 7" of a byte offset, columns counted in characters as an editor shows them.
std::string Where(const std::string& text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const std::size_t lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  const std::size_t from = lineStart == std::string::npos || offset == 0 ? 0 : lineStart + 1;
  std::size_t column = 1;
  for (std::size_t i = from; i < offset; ++i) {
    // Continuation bytes of a UTF-8 sequence are part of the character before them.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++column;
  }
  const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<long>(from), '\n');
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

bool IsWordCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '#' || c == '-' ||
         c == '.' || c == '\\' || c == '$';
}

// What the parser names, as a person would.
std::string Token(std::string token) {
  if (token == "string literal") return "text in double quotes";
  if (token == "number literal") return "a number";
  if (token == "end of input") return "the end of the text";
  if (token == "'[', '{', or a literal") return "a value";
  return token;
}

// What the parser expected: after a value in a list or an object a ',' may come as well.
std::string Expected(const std::string& token) {
  if (token == "']'") return "',' or ']'";
  if (token == "'}'") return "',' or '}'";
  return Token(token);
}

// The part of the parser's message after `marker`, up to the next "; ".
std::string After(const std::string& message, const std::string& marker) {
  const std::size_t at = message.find(marker);
  if (at == std::string::npos) return "";
  const std::size_t from = at + marker.size();
  return message.substr(from, message.find("; ", from) - from);
}

}  // namespace

std::string JsonProblem(const std::string& text, const nlohmann::json::exception& error) {
  const std::string message = error.what();
  const bool utf16 = (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') ||
                                           (text[0] == '\xFE' && text[1] == '\xFF'))) ||
                     text.find('\0') != std::string::npos;
  if (utf16) {
    return "the file is UTF-16 text (as Notepad or PowerShell may save it): save it as UTF-8";
  }
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; })) {
    return "the file is empty: expected a JSON object";
  }
  const auto* parse = dynamic_cast<const nlohmann::json::parse_error*>(&error);
  if (parse == nullptr) {
    if (Contains(message, "number overflow")) {
      return "a number too large to read: " + After(message, "number overflow parsing ");
    }
    return message;
  }
  // The parser counts the offending byte from 1.
  std::size_t at = parse->byte == 0 ? 0 : std::min<std::size_t>(parse->byte - 1, text.size());
  if (Contains(message, "unexpected end of input")) {
    return Where(text, text.size()) +
           ": the text ends before the JSON does: a closing '}', ']' or '\"' is missing";
  }
  if (Contains(message, "ill-formed UTF-8")) {
    return Where(text, at) + ": not UTF-8 text: save the file as UTF-8";
  }
  if (Contains(message, "control character")) {
    return Where(text, at) +
           ": a line break or control character inside text in double quotes: write it as \\n "
           "or \\uXXXX";
  }
  if (Contains(message, "invalid literal")) {
    if (at < text.size() && text[at] == '\'') {
      return Where(text, at) + ": text in single quotes: JSON needs double quotes";
    }
    // The bare word the parser stopped in: from its first character.
    std::size_t start = at;
    const bool inWord = start < text.size() && IsWordCharacter(text[start]);
    if (!inWord && start > 0 && IsWordCharacter(text[start - 1])) --start;
    while (start > 0 && IsWordCharacter(text[start - 1])) --start;
    std::size_t end = start;
    while (end < text.size() && IsWordCharacter(text[end])) ++end;
    if (end > start && Contains(message, "expected end of input")) {
      return Where(text, start) + ": more text after the end of the JSON value";
    }
    if (end > start) {
      return Where(text, start) +
             ": text without double quotes: " + text.substr(start, end - start) +
             ": put text in double quotes (a list pasted from PowerShell or WMI, {a, b}, is "
             "[\"a\", \"b\"] in JSON)";
    }
  }
  const std::string found = After(message, " - unexpected ");
  const std::string expected = After(message, "; expected ");
  std::string problem = Where(text, at) + ":";
  if (!found.empty()) problem += " found " + Token(found);
  if (!expected.empty())
    problem += std::string(found.empty() ? "" : ",") + " expected " + Expected(expected);
  if (found.empty() && expected.empty()) problem += " not valid JSON";
  // {"a", "b"}: a list written with braces, as PowerShell prints one.
  if (expected == "':'" && (found == "','" || found == "'}'")) {
    problem += " (a list is written in [ ], not { }, in JSON)";
  }
  return problem;
}

}  // namespace presetra::machine
