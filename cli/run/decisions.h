// The policy's decisions for a person and for a program: each question with its answer, what
// the answer does, and the inputs that decided it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "host/decision.h"

namespace presetra::cli {

struct FeatureToken {
  std::string token;
  std::optional<std::size_t> offset;  // nullopt: absent
};

struct BoardListMembership {
  std::string list;  // the list's name
  std::vector<std::string> boards;
  bool containsBoard = false;
};

struct RegistryValueRead {
  std::string name;
  std::optional<std::string> data;  // nullopt: missing or not a string
};

struct ExplainedDecision {
  std::string id;  // a stable name: "consumer", "excluded_board", ...
  std::string question;
  bool answer = false;
  std::string answerText;  // "yes", "no: SecureBIO turned off"
  std::string because;     // the inputs that decided it, in words
  std::string label;       // the short form a fleet table shows; empty when not worth a column
  // The inputs as data.
  std::vector<FeatureToken> tokens;
  std::optional<BoardListMembership> boardList;
  std::optional<std::int32_t> build;
  std::optional<std::int32_t> threshold;
  std::vector<RegistryValueRead> values;
};

// What the run's decisions mean, each question once (a question asked again gives the same
// answer within one load of the module). `featureBytes` is the string the tokens were looked
// for in; `connectedStandbyKnown` is false when the power API's query failed.
std::vector<ExplainedDecision> Explain(const std::vector<Decision>& decisions,
                                       const WString& featureBytes, bool connectedStandbyKnown);

}  // namespace presetra::cli
