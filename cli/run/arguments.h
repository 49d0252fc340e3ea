// A command's options as data, and its arguments parsed by them: the front end's table of
// commands is made of these, and parsing, usage and help all come from it.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace presetra::cli {

struct OptionSpec {
  std::string name;   // "--format"
  std::string value;  // what follows it in the usage ("FILE", "text|json"); empty: a flag
  std::string help;   // what it does, for COMMAND --help
  // The values it takes, in the order the error names them; empty: any.
  std::vector<std::string> choices = {};
  // Shown without brackets: the command refuses to run without it.
  bool required = false;
  // A flag after which the operands are another list (`value` only names them in the usage).
  bool operandsFollow = false;
};

struct CommandSpec {
  std::string name;      // "plan"
  std::string operands;  // as the usage shows them before the options; empty: it takes none
  std::string summary;   // what the command does, for COMMAND --help
  std::vector<OptionSpec> options;
  // Usage lines that stand instead of the one made from the above (a command with two forms).
  std::vector<std::string> forms = {};
};

// A command's arguments, parsed: its options and, in order, its operands.
class Arguments {
 public:
  bool Has(const std::string& option) const;
  // The value given last to the option; `fallback` when it was not given.
  std::string Value(const std::string& option, const std::string& fallback = "") const;
  const std::vector<std::string>& Operands() const { return operands_; }
  // The operands given before the flag, and those after it (everything when it was not given).
  std::vector<std::string> OperandsBefore(const std::string& flag) const;
  std::vector<std::string> OperandsAfter(const std::string& flag) const;
  // The command's usage, for an error that the command finds itself.
  const std::string& Usage() const { return usage_; }

 private:
  friend std::optional<Arguments> ParseArguments(const CommandSpec&,
                                                 const std::vector<std::string>&, std::ostream&);
  struct Given {
    std::string option;
    std::string value;
    std::size_t operandsBefore;
  };
  std::vector<Given> given_;
  std::vector<std::string> operands_;
  std::string usage_;
};

// The arguments after the command's name, by its spec. An option the command does not have, one
// without its value, or a value not among its choices is said on `err` with the command's usage;
// nullopt then.
std::optional<Arguments> ParseArguments(const CommandSpec& command,
                                        const std::vector<std::string>& arguments,
                                        std::ostream& err);

// "presetra plan [--machine FILE] [--format text|json]": one line a form, without "usage: ".
std::vector<std::string> UsageLines(const CommandSpec& command);
// "usage: presetra plan ...", then each option with what it does.
std::string HelpText(const CommandSpec& command);
// The usage lines of several commands under one "usage: ".
std::string UsageText(const std::vector<std::vector<std::string>>& lines);

}  // namespace presetra::cli
