// The plug-in loaded into a stand-in host, a scripted user who imports through flyout item 1, and
// shapefiles written for each test.
#pragma once

#include "attributes/shape_attr.h"
#include "datafiles/shape_writer.h"
#include "host/application.h"
#include "shell/plugin.h"
#include "shell/shape_plugin.h"
#include "tests/support/host_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace vx::test {

using Step = host::ScriptedUser::Step;
using StepKind = host::ScriptedUser::Step::Kind;

inline Step UserStep(StepKind k, std::int32_t id = 0, std::string text = {}) {
  Step s;
  s.kind = k;
  s.id = id;
  s.text = std::move(text);
  return s;
}

// One column of a test table and its values, one per record.
struct Column {
  attr::ShapeField def;
  std::vector<std::string> values;  // UTF-8
};

inline attr::ShapeField Def(const std::u16string& name, attr::FieldType type, int width, int decimals = 0) {
  attr::ShapeField f;
  f.name = name;
  f.type = type;
  f.width = width;
  f.decimals = decimals;
  return f;
}

class ImportFixture : public HostFixture {
 protected:
  void SetUp() override {
    OpenHost();
    app = std::make_unique<host::Application>(*host);
    ASSERT_EQ(app->Start(PluginMain, dir / "vxshape.aip"), host::kNoErr);
  }
  void TearDown() override {
    app->Quit();
    app.reset();
    HostFixture::TearDown();
  }

  // Writes a shapefile of `type` (1, 3 or 5) with the table `columns`; `geometry` holds one part
  // list per record (a point record takes the first point of its first part).
  std::filesystem::path WriteShapefile(const std::string& name, std::int32_t type,
                                       const std::vector<data::PartList>& geometry, const std::vector<Column>& columns,
                                       text::TextEncoding encoding = text::TextEncoding::kShiftJIS) {
    data::ShapeFileWriter w;
    EXPECT_TRUE(w.Init(type, encoding));
    for (const Column& c : columns) EXPECT_TRUE(w.AddColumn(c.def));
    const std::filesystem::path path = dir / (name + ".shp");
    EXPECT_TRUE(w.Create(path)) << w.LastError();
    for (std::size_t r = 0; r < geometry.size(); ++r) {
      std::vector<attr::ShapeField> row;
      for (const Column& c : columns) {
        attr::ShapeField f = c.def;
        f.value = text::Utf8ToUtf16(c.values.at(r));
        row.push_back(f);
      }
      w.SetRowValues(row);
      bool written = false;
      if (type == 1) written = w.WritePointRecord(geometry[r].front().front());
      if (type == 3) written = w.WritePolyLineRecord(geometry[r]);
      if (type == 5) written = w.WritePolygonRecord(geometry[r]);
      EXPECT_TRUE(written) << w.LastError();
    }
    EXPECT_TRUE(w.Finish()) << w.LastError();
    return path;
  }

  // Runs GDAL's ogr2ogr on a CSV text whose WKT column holds the geometry, giving NAME.shp with a
  // UTF-8 table; false when that fails (GDAL missing).
  bool Ogr2Ogr(const std::string& name, const std::string& csv, const std::string& options = "") {
    const auto src = dir / (name + ".csv");
    {
      std::ofstream f(src, std::ios::binary);
      f << csv;
    }
    const std::string cmd = "ogr2ogr -f 'ESRI Shapefile' -lco ENCODING=UTF-8 " + options + " '" +
                            (dir / (name + ".shp")).string() + "' '" + src.string() +
                            "' -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO -oo AUTODETECT_TYPE=YES >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0 && std::filesystem::exists(dir / (name + ".shp"));
  }

  // The script of one import: the files (with the encoding item), then dialog 108's steps ending
  // with OK (id 1) or Cancel (id 2) as the caller pushes them.
  void ChooseFiles(const std::vector<std::filesystem::path>& files, const std::string& encoding = "") {
    Step s = UserStep(StepKind::OpenFiles, 1081, encoding);
    s.files = files;
    user->Push(s);
  }
  void Dialog(std::vector<Step> steps) {
    user->Push(UserStep(StepKind::Dialog, 108));
    for (Step& s : steps) user->Push(std::move(s));
  }
  static Step Click(std::int32_t id) { return UserStep(StepKind::Click, id); }
  static Step SetText(std::int32_t id, const std::string& t) { return UserStep(StepKind::SetText, id, t); }
  static Step SelectItem(std::int32_t id, std::int32_t index) {
    Step s = UserStep(StepKind::SelectItem, id);
    s.index = index;
    return s;
  }
  static Step Snapshot() { return UserStep(StepKind::Snapshot); }

  // Runs flyout item 1 and checks that the script was played to its end.
  void RunImport() {
    EXPECT_EQ(app->ChooseFlyout(1), "");
    EXPECT_FALSE(user->Failure()) << *user->Failure();
    EXPECT_FALSE(user->StepsLeft());
  }

  std::vector<std::string> AlertTexts() const {
    std::vector<std::string> out;
    for (const auto& a : host->Alerts()) out.push_back(a.text);
    return out;
  }
  bool Alerted(const std::string& text) const {
    const auto t = AlertTexts();
    return std::find(t.begin(), t.end(), text) != t.end();
  }
  // Alerts whose text starts with `prefix`.
  std::vector<std::string> AlertsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& t : AlertTexts())
      if (t.rfind(prefix, 0) == 0) out.push_back(t);
    return out;
  }
  bool Printed(const std::string& line) const {
    const auto& t = user->Transcript();
    return std::find(t.begin(), t.end(), line) != t.end();
  }

  std::vector<std::string> LayerTitles() const {
    std::vector<std::string> out;
    for (const host::LayerOpaque* l : host->Doc()->layers) out.push_back(l->title);
    return out;
  }
  host::LayerOpaque* Layer(const std::string& title) const {
    for (host::LayerOpaque* l : host->Doc()->layers)
      if (l->title == title) return l;
    return nullptr;
  }
  // The top-level art of a layer, topmost first.
  static std::vector<host::ArtOpaque*> Art(const host::LayerOpaque* layer) {
    std::vector<host::ArtOpaque*> out;
    for (host::ArtOpaque* a = layer->group->firstChild; a; a = a->next)
      if (a->alive) out.push_back(a);
    return out;
  }
  static std::vector<host::ArtOpaque*> Children(const host::ArtOpaque* art) {
    std::vector<host::ArtOpaque*> out;
    for (host::ArtOpaque* a = art->firstChild; a; a = a->next)
      if (a->alive) out.push_back(a);
    return out;
  }
  // The attribute list of an art as "name=value" (UTF-8); "(none)" without a list.
  static std::vector<std::string> Values(host::ArtOpaque* art) {
    attr::CVxShapeAttr list;
    list.Load(art);
    if (!list.HasList()) return {"(none)"};
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < list.Count(); ++i) {
      attr::ShapeField f;
      list.GetField(i, f);
      out.push_back(text::Utf16ToUtf8(f.name) + "=" + text::Utf16ToUtf8(f.value));
    }
    return out;
  }
  // Field definitions as "name|type|width|decimals".
  static std::vector<std::string> Definitions(host::ArtOpaque* art) {
    attr::CVxShapeAttr list;
    list.Load(art);
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < list.Count(); ++i) {
      attr::ShapeField f;
      list.GetField(i, f);
      out.push_back(attr::FieldKey(f) + (f.value.empty() ? "" : " value=" + text::Utf16ToUtf8(f.value)));
    }
    return out;
  }
  // Centre of a point mark (an ellipse around its position).
  static host::RealPoint Centre(const host::ArtOpaque* mark) {
    const host::RealRect r = host::ArtBounds(mark);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  TempDir dir;
  std::unique_ptr<host::Application> app;
};

}  // namespace vx::test
