// A plan as text for a person, or as JSON for other tools.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/plan.h"

namespace presetra::cli {

std::string PlanText(const Plan& plan);
nlohmann::ordered_json PlanJson(const Plan& plan);

}  // namespace presetra::cli
