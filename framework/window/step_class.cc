#include "framework/window/step_class.h"

namespace fw {

// The base step knows nothing of its values: everything lies at the start.
int StepClass::GetPercentile(std::string_view /*value*/) { return 1; }

std::string StepClass::GetValue(int /*percent*/) { return std::string(); }

}  // namespace fw
