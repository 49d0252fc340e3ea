#include "cli/run/arguments.h"

#include <algorithm>
#include <ostream>

namespace presetra::cli {

namespace {

const OptionSpec* FindOption(const CommandSpec& command, const std::string& name) {
  for (const auto& option : command.options) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

// "text or json", "a, b or c".
std::string Alternatives(const std::vector<std::string>& choices) {
  std::string text;
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (i != 0) text += i + 1 == choices.size() ? " or " : ", ";
    text += choices[i];
  }
  return text;
}

}  // namespace

bool Arguments::Has(const std::string& option) const {
  return std::any_of(given_.begin(), given_.end(),
                     [&option](const Given& given) { return given.option == option; });
}

std::string Arguments::Value(const std::string& option, const std::string& fallback) const {
  for (auto given = given_.rbegin(); given != given_.rend(); ++given) {
    if (given->option == option) return given->value;
  }
  return fallback;
}

std::vector<std::string> Arguments::OperandsBefore(const std::string& flag) const {
  for (const auto& given : given_) {
    if (given.option == flag) {
      return std::vector<std::string>(operands_.begin(), operands_.begin() + given.operandsBefore);
    }
  }
  return operands_;
}

std::vector<std::string> Arguments::OperandsAfter(const std::string& flag) const {
  for (const auto& given : given_) {
    if (given.option == flag) {
      return std::vector<std::string>(operands_.begin() + given.operandsBefore, operands_.end());
    }
  }
  return {};
}

std::optional<Arguments> ParseArguments(const CommandSpec& command,
                                        const std::vector<std::string>& arguments,
                                        std::ostream& err) {
  Arguments parsed;
  parsed.usage_ = UsageText({UsageLines(command)});
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const OptionSpec* option = FindOption(command, argument);
    if (option == nullptr && argument.rfind("--", 0) != 0 && !command.operands.empty()) {
      parsed.operands_.push_back(argument);
      continue;
    }
    const bool takesValue = option != nullptr && !option->value.empty() && !option->operandsFollow;
    if (option == nullptr || (takesValue && i + 1 >= arguments.size())) {
      err << "presetra " << command.name << ": unknown or incomplete argument \"" << argument
          << "\"\n"
          << parsed.usage_;
      return std::nullopt;
    }
    Arguments::Given given{argument, "", parsed.operands_.size()};
    if (takesValue) {
      given.value = arguments[++i];
      if (!option->choices.empty() && std::find(option->choices.begin(), option->choices.end(),
                                                given.value) == option->choices.end()) {
        err << "presetra " << command.name << ": " << argument << " \"" << given.value
            << "\": expected " << Alternatives(option->choices) << "\n";
        return std::nullopt;
      }
    }
    parsed.given_.push_back(std::move(given));
  }
  return parsed;
}

std::vector<std::string> UsageLines(const CommandSpec& command) {
  if (!command.forms.empty()) return command.forms;
  std::string line = "presetra " + command.name;
  if (!command.operands.empty()) line += " " + command.operands;
  for (const auto& option : command.options) {
    const std::string shown = option.name + (option.value.empty() ? "" : " " + option.value);
    line += option.required ? " " + shown : " [" + shown + "]";
  }
  return {line};
}

std::string UsageText(const std::vector<std::vector<std::string>>& lines) {
  std::string text;
  for (const auto& command : lines) {
    for (const auto& line : command) text += (text.empty() ? "usage: " : "       ") + line + "\n";
  }
  return text;
}

std::string HelpText(const CommandSpec& command) {
  std::string text = UsageText({UsageLines(command)}) + "\n" + command.summary + "\n";
  if (command.options.empty()) return text;
  std::size_t width = 0;
  for (const auto& option : command.options) {
    width =
        std::max(width, option.name.size() + (option.value.empty() ? 0 : option.value.size() + 1));
  }
  text += "\n";
  for (const auto& option : command.options) {
    std::string name = option.name + (option.value.empty() ? "" : " " + option.value);
    name.resize(width, ' ');
    text += "  " + name + "  " + option.help + "\n";
  }
  return text;
}

}  // namespace presetra::cli
