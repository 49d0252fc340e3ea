// A plan as text for a person, or as JSON for other tools.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/run/plan.h"

namespace presetra::cli {

// The shape of the JSON plan, in its field "presetra_plan". It grows when a field's meaning or
// type changes or a field goes; new fields do not change it. The plans before it had no field.
inline constexpr int kPlanJsonVersion = 2;

std::string PlanText(const Plan& plan);
// What a plan of a Windows 11 build without an image says, in its text and on standard error.
std::string Windows11TableNote();
nlohmann::ordered_json PlanJson(const Plan& plan);

}  // namespace presetra::cli
