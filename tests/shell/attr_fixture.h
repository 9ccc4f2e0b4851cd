// The plug-in started in a stand-in host, with helpers to draw art carrying attributes, script
// the person's answers to the panel's dialogs by control id, and read the panel's list.
#pragma once

#include "attributes/shape_attr.h"
#include "panel/attr_panel.h"
#include "resources/panel_templates.h"
#include "tests/shell/shell_fixture.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace vx::test {

class AttrFixture : public ShellFixture {
 protected:
  using K = host::ScriptedUser::Step::Kind;

  void SetUp() override {
    ShellFixture::SetUp();
    ASSERT_EQ(Start(), host::kNoErr);
  }

  static attr::ShapeField F(const std::u16string& name, attr::FieldType type, std::int32_t width,
                            std::int32_t decimals = 0, const std::u16string& value = u"") {
    attr::ShapeField f;
    f.name = name;
    f.type = type;
    f.width = width;
    f.decimals = decimals;
    f.value = value;
    return f;
  }
  static attr::ShapeField Text(const std::u16string& name, std::int32_t width, const std::u16string& value = u"") {
    return F(name, attr::kFieldString, width, 0, value);
  }

  host::LayerOpaque* Layer(const std::string& title) {
    for (host::LayerOpaque* l : host->Doc()->PreorderLayers())
      if (l->title == title) return l;
    EXPECT_EQ(app->NewLayer(title), "");
    return host->Doc()->current;
  }
  // A path at the bottom of `parent` (so the first made is top-level art 0), carrying `fields`.
  host::ArtOpaque* Path(host::ArtOpaque* parent, std::vector<host::RealPoint> points,
                        const std::vector<attr::ShapeField>& fields = {}, bool closed = false) {
    host::Document& d = *host->Doc();
    host::ArtOpaque* a = d.NewNode(host::ArtType::Path);
    for (auto p : points) a->segments.push_back({p, p, p, true});
    a->closed = closed;
    EXPECT_EQ(d.Place(a, host::PaintOrder::InsideOnBottom, parent), host::kNoErr);
    if (!fields.empty()) SetFields(a, fields);
    return a;
  }
  host::ArtOpaque* Point(host::LayerOpaque* l, double h, double v, const std::vector<attr::ShapeField>& fields = {}) {
    return Path(l->group, {{h, v}}, fields);
  }
  host::ArtOpaque* Group(host::ArtOpaque* parent) {
    host::Document& d = *host->Doc();
    host::ArtOpaque* g = d.NewNode(host::ArtType::Group);
    EXPECT_EQ(d.Place(g, host::PaintOrder::InsideOnBottom, parent), host::kNoErr);
    return g;
  }
  void SetFields(host::ArtOpaque* art, const std::vector<attr::ShapeField>& fields) {
    attr::CVxShapeAttr a;
    a.Load(art);
    ASSERT_EQ(a.ReplaceAll(fields), host::kNoErr);
  }
  // The art's attribute list; nullopt without one.
  std::optional<std::vector<attr::ShapeField>> Fields(host::ArtOpaque* art) {
    attr::CVxShapeAttr a;
    a.Load(art);
    if (!a.HasList()) return std::nullopt;
    std::vector<attr::ShapeField> out;
    for (std::int32_t i = 0; i < a.Count(); ++i) {
      attr::ShapeField f;
      EXPECT_TRUE(a.GetField(i, f));
      out.push_back(f);
    }
    return out;
  }
  // "NAME|type|width|decimals=value" for each field, joined by "; ".
  std::string Describe(host::ArtOpaque* art) {
    auto fields = Fields(art);
    if (!fields) return "(no list)";
    std::string s;
    for (const auto& f : *fields) {
      if (!s.empty()) s += "; ";
      s += attr::FieldKey(f) + "=" + text::Utf16ToUtf8(f.value);
    }
    return s;
  }

  // The panel's list as "name=value" lines.
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    host::ControlState* list = app->Panel()->window->Find(panel::kListId);
    for (const auto& r : list->rows) out.push_back(r.at(0) + "=" + r.at(1));
    return out;
  }
  panel::CSelectionModel& Model() { return Object()->Panel()->Model(); }

  // The person's steps.
  void Expect(std::int32_t dialog) { Push(K::Dialog, dialog); }
  void Type(std::int32_t id, const std::string& t) { Push(K::SetText, id, t); }
  void Click(std::int32_t id) { Push(K::Click, id); }
  void Pick(std::int32_t id, std::int32_t index) { Push(K::SelectItem, id, "", index); }
  void Answer(bool yes) {
    host::ScriptedUser::Step s;
    s.kind = K::Answer;
    s.flag = yes;
    user->Push(s);
  }
  void Push(K kind, std::int32_t id = 0, const std::string& t = "", std::int32_t index = -1) {
    host::ScriptedUser::Step s;
    s.kind = kind;
    s.id = id;
    s.text = t;
    s.index = index;
    user->Push(s);
  }
  // Every scripted step was played.
  void ExpectPlayed() {
    EXPECT_FALSE(user->Failure().has_value()) << *user->Failure();
    EXPECT_FALSE(user->StepsLeft());
  }
  std::vector<std::string> AlertTexts() {
    std::vector<std::string> out;
    for (const auto& a : host->Alerts()) out.push_back(a.text);
    return out;
  }
  // The control lines of the last snapshot step ("1130 edit \"text\"", "1079 edit \"\" disabled").
  std::vector<std::string> LastSnapshot() {
    const auto& t = user->Transcript();
    std::vector<std::string> out;
    for (std::size_t i = t.size(); i-- > 0;) {
      if (t[i].rfind("state of", 0) != 0) continue;
      for (std::size_t k = i + 1; k < t.size() && t[k].rfind("  ", 0) == 0; ++k) out.push_back(t[k].substr(2));
      break;
    }
    return out;
  }
  bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  bool Selected(host::ArtOpaque* a) { return (a->flags & host::kArtSelected) != 0; }
};

}  // namespace vx::test
