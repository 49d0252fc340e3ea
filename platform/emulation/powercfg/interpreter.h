// powercfg.exe's command line, carried out against a scheme store: the commands that change
// schemes (duplicate, rename, set AC/DC value indexes, activate, delete, replace the default
// schemes, hibernation file size) and -list and -query for people to read. Errors are reported
// as Windows' powercfg reports them: a message and a non-zero exit code.
#pragma once

#include <functional>
#include <string>

#include "platform/emulation/powercfg/scheme_store.h"

namespace presetra::powercfg {

struct Outcome {
  int exitCode = 0;
  std::string output;  // UTF-8, lines ended by "\n"
};

// Resolves the string `id` of a module file, as Windows does for indirect display strings.
using StringResolver = std::function<std::optional<WString>(WStringView file, std::uint32_t id)>;

// `arguments` is the command line after the program name.
Outcome Execute(SchemeStore& store, WStringView arguments, const StringResolver& resolve = {});

// The text of a scheme name or description: an indirect string "@file,-id,fallback" resolved
// through `resolve`, else its fallback; any other text as it stands.
WString DisplayText(const WString& text, const StringResolver& resolve = {});

}  // namespace presetra::powercfg
