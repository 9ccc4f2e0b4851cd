// Every dialog template of the plug-in as the page lays out a window (kinds, texts, places in
// dialog units), so that the page's layout can be checked against every template.
#pragma once

#include <nlohmann/json.hpp>

namespace vx::serve {

nlohmann::json DescribeTemplates();

}  // namespace vx::serve
