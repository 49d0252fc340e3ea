// A plan as text for a person, or as JSON for other tools.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/plan.h"

namespace presetra::cli {

std::string PlanText(const Plan& plan);
nlohmann::ordered_json PlanJson(const Plan& plan);

// "10 min (AC), 4 min (DC)"
std::string AcDcText(const PlannedSetting& setting);
// Where the setting's values come from: "recipe", "Balanced", or both by power source.
std::string SourceText(const PlannedSetting& setting);

}  // namespace presetra::cli
