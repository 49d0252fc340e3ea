// A machine's end state as a dump gives it: what `presetra commit --state` prints, or a dump
// like it made on a PC.
#pragma once

#include <stdexcept>
#include <string>

#include "cli/run/end_state.h"
#include "platform/emulation/powercfg/windows_defaults.h"

namespace presetra::cli {

// A state dump that cannot be read; the message names the line.
class StateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The end state a dump describes: the output of `presetra commit --state` (or --schemes with
// --values LIST); the log's time-stamped lines are passed over. Windows' own schemes list only the
// values that differ from Windows' defaults for the role. Throws StateError.
EndState ParseEndState(const std::string& text, powercfg::PlatformRole role);

}  // namespace presetra::cli
