#include "serve/dialog_templates.h"

#include "host/window.h"
#include "resources/templates.h"

namespace vx::serve {

using nlohmann::json;

json DescribeTemplates() {
  json out = json::array();
  for (const host::DialogTemplate& t : resources::DialogTemplates()) {
    json controls = json::array();
    for (const host::ControlTemplate& c : t.controls) {
      json j = {{"id", c.id}, {"kind", host::ControlKindName(c.kind)}, {"text", c.text ? c.text : ""},
                {"x", c.x},   {"y", c.y},                              {"width", c.width},
                {"height", c.height}, {"enabled", true},              {"visible", true}};
      if (c.style & host::kStyleDefault) j["default"] = true;
      if (c.style & host::kStyleRightAlign) j["right"] = true;
      if (c.kind == host::ControlKind::ComboBox) j["items"] = json::array(), j["selected"] = -1;
      if (c.kind == host::ControlKind::CheckBox || c.kind == host::ControlKind::Radio) j["checked"] = false;
      if (c.kind == host::ControlKind::TrackBar) j["min"] = 0, j["max"] = 10, j["position"] = 0;
      if (c.kind == host::ControlKind::ListView) j["columns"] = json::array(), j["rows"] = json::array(), j["selectedRows"] = json::array();
      controls.push_back(std::move(j));
    }
    out.push_back({{"title", t.title}, {"template", t.id}, {"width", t.width}, {"height", t.height},
                   {"controls", std::move(controls)}});
  }
  return out;
}

}  // namespace vx::serve
