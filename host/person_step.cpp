#include "host/person_step.h"

#include "host/application.h"

namespace vx::host {

bool PersonStep::Changes() const {
  return action != Action::Select && action != Action::SelectAll && action != Action::Deselect;
}

std::string Play(Application& app, const PersonStep& s, const std::function<void(const std::string&)>& note) {
  using A = PersonStep::Action;
  auto layered = [&](const std::function<std::string(std::size_t)>& f) -> std::string {
    if (!s.layerIndex) return "the step names no layer";
    return f(*s.layerIndex);
  };
  switch (s.action) {
    case A::Menu: return app.ChooseMenu(s.text);
    case A::Flyout: return app.ChooseFlyout(s.number);
    case A::FlyoutStates: {
      std::string error;
      for (const FlyoutItemState& i : app.FlyoutStates(error))
        note(i.separator ? "  " + std::to_string(i.id) + " ----"
                         : "  " + std::to_string(i.id) + " " + i.text + (i.enabled ? " enabled" : " disabled"));
      return error;
    }
    case A::MenuStates:
      for (const std::string& line : app.MenuStates()) note("  " + line);
      return "";
    case A::PanelState:
      for (const std::string& line : app.PanelState()) note("  " + line);
      return "";
    case A::PanelButton: return app.ClickPanelButton(s.text);
    case A::PanelRows: return app.SelectPanelRows(s.numbers);
    case A::PanelDoubleClick: return app.DoubleClickPanelRow(s.number);
    case A::Select:
      if (s.layerIndex) return app.SelectArtOf(*s.layerIndex, s.numbers, s.on, s.allArt);
      return app.SelectArt(s.text, s.numbers, s.allArt, s.on);
    case A::SelectAll: return app.SelectAll();
    case A::Deselect: return app.DeselectAll();
    case A::NewLayer: return app.NewLayer(s.text);
    case A::DeleteLayer: return app.DeleteLayer(s.text);
    case A::ShowLayer: return layered([&](std::size_t l) { return app.ShowLayer(l, s.on); });
    case A::LockLayer: return layered([&](std::size_t l) { return app.LockLayer(l, s.on); });
    case A::CurrentLayer: return layered([&](std::size_t l) { return app.MakeCurrentLayer(l); });
    case A::CloseDocument: return app.CloseDocument();
    case A::Notify: return app.Notify(s.text);
    case A::Undo: return app.Undo();
    case A::Redo: return app.Redo();
    case A::Delete: return app.DeleteSelection();
  }
  return "unknown step";
}

}  // namespace vx::host
