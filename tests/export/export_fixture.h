// A document with a data frame in the stand-in host, art made through the host suites, the
// shapefile exporter run with a scripted user, and the written files read back.
#pragma once

#include "attributes/shape_attr.h"
#include "datafiles/shape_reader.h"
#include "datafiles/sidecars.h"
#include "export/shape_exporter.h"
#include "geodesy/georef.h"
#include "resources/templates.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"
#include "tests/support/host_fixture.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vx::test {

using host::ArtHandle;
using host::LayerHandle;
using host::PathSegment;
using Step = host::ScriptedUser::Step;
namespace id = resources::exp115;

inline Step Do(Step::Kind kind, std::int32_t control = 0, std::int32_t index = -1) {
  Step s;
  s.kind = kind;
  s.id = control;
  s.index = index;
  return s;
}
inline Step Click(std::int32_t control) { return Do(Step::Kind::Click, control); }
inline Step Pick(std::int32_t control, std::int32_t index) { return Do(Step::Kind::SelectItem, control, index); }

// One record as read back.
struct Record {
  data::PartList parts;  // a point is one part of one point
  std::vector<std::string> cells;  // raw bytes, trailing blanks removed
};

class ExportFixture : public HostFixture {
 protected:
  // 1 point on the sheet is S · 0.35277… mm: with S = 10000 about 3.53 m.
  static constexpr double kMetresPerPoint = 10000 * 0.00035277777777777776;

  void SetUp() override {
    HostFixture::SetUp();
    ASSERT_EQ(host::sLayer()->GetFirstLayer(first), host::kNoErr);
    ASSERT_EQ(host::sLayer()->SetLayerTitle(first, "道路"), host::kNoErr);
  }

  void AddFrame(std::int32_t datum = 2, std::int32_t kind = 3, std::int32_t zone = 9) {
    geo::DataFrame df;
    df.system = {geo::Datum(datum), geo::CoordKind(kind), geo::Zone{zone}}, df.S = 10000;
    df.X = 1000, df.Y = -2000;  // the map point shown at the sheet's origin
    ASSERT_EQ(geo::WriteDataFrame(df), host::kNoErr);
  }

  static ArtHandle Group(LayerHandle l) {
    ArtHandle g = nullptr;
    EXPECT_EQ(host::sLayer()->GetLayerGroup(l, g), host::kNoErr);
    return g;
  }
  static PathSegment Corner(double h, double v) { return {{h, v}, {h, v}, {h, v}, true}; }
  // On top of `inside`, so the last made is the first child.
  static ArtHandle NewPath(ArtHandle inside, const std::vector<PathSegment>& segs, bool closed, bool filled = false) {
    ArtHandle p = nullptr;
    EXPECT_EQ(host::sArt()->NewArt(host::ArtType::Path, host::PaintOrder::InsideOnTop, inside, p), host::kNoErr);
    EXPECT_EQ(host::sPath()->SetPathSegments(p, static_cast<std::int32_t>(segs.size()), segs.data()), host::kNoErr);
    EXPECT_EQ(host::sPath()->SetPathClosed(p, closed), host::kNoErr);
    host::PathStyle style;
    style.fillPaint = filled;
    style.strokePaint = true;
    EXPECT_EQ(host::sPathStyle()->SetPathStyle(p, style), host::kNoErr);
    return p;
  }
  // A square of side `a` with its lower left corner at (h, v); counter-clockwise unless `cw`.
  static ArtHandle Square(ArtHandle inside, double h, double v, double a, bool cw = false, bool filled = true) {
    std::vector<PathSegment> s{Corner(h, v), Corner(h + a, v), Corner(h + a, v + a), Corner(h, v + a)};
    if (cw) std::reverse(s.begin(), s.end());
    return NewPath(inside, s, true, filled);
  }
  static ArtHandle NewArt(host::ArtType type, ArtHandle inside) {
    ArtHandle a = nullptr;
    EXPECT_EQ(host::sArt()->NewArt(type, host::PaintOrder::InsideOnTop, inside, a), host::kNoErr);
    return a;
  }
  static ArtHandle NewText(ArtHandle inside, double h, double v, const std::u16string& text) {
    ArtHandle t = nullptr;
    EXPECT_EQ(host::sTextFrame()->NewPointText(host::PaintOrder::InsideOnTop, inside, host::TextOrientation::Horizontal,
                                               {h, v}, t),
              host::kNoErr);
    EXPECT_EQ(host::sTextRange()->InsertAfter(t, text), host::kNoErr);
    return t;
  }
  static LayerHandle NewLayer(const std::string& title, LayerHandle prep = nullptr,
                              host::PaintOrder order = host::PaintOrder::Below) {
    LayerHandle l = nullptr;
    EXPECT_EQ(host::sLayer()->InsertLayer(prep, order, l), host::kNoErr);
    EXPECT_EQ(host::sLayer()->SetLayerTitle(l, title), host::kNoErr);
    return l;
  }
  static attr::ShapeField Field(const char* name, attr::FieldType type, int width, int decimals = 0,
                                const char* value = "") {
    attr::ShapeField f;
    f.name = text::Utf8ToUtf16(name);
    f.type = type, f.width = width, f.decimals = decimals;
    f.value = text::Utf8ToUtf16(value);
    return f;
  }
  static void SetFields(ArtHandle art, const std::vector<attr::ShapeField>& fields) {
    attr::CVxShapeAttr a;
    a.Load(art);
    EXPECT_EQ(a.ReplaceAll(fields), host::kNoErr);
  }

  // The dialog opened and answered with `actions`, OK, then the save-file (or folder) dialog.
  void Script(const std::vector<Step>& actions, const std::filesystem::path& out, bool folder = false) {
    user->Push(Do(Step::Kind::Dialog, resources::kExportSettingsDialog));
    for (const Step& s : actions) user->Push(s);
    user->Push(Click(host::kIdOk));
    Step f = Do(folder ? Step::Kind::Folder : Step::Kind::SaveFile);
    f.files = {out};
    user->Push(f);
  }
  host::Err Export(const std::vector<Step>& actions, const std::filesystem::path& out, bool folder = false) {
    Script(actions, out, folder);
    xport::CShapeFileExporter exporter(nullptr);
    const host::Err e = exporter.Run();
    leftOut = exporter.LeftOut();
    refused = exporter.Refused();
    fields = exporter.ExportFields();
    EXPECT_FALSE(user->Failure()) << *user->Failure();
    return e;
  }

  static std::vector<Record> Read(const std::filesystem::path& shp, std::vector<std::string>* columns = nullptr) {
    data::ShapeFileReader r;
    std::vector<Record> out;
    EXPECT_TRUE(r.Open(shp)) << r.LastError();
    if (columns)
      for (const auto& c : r.Columns()) columns->emplace_back(c.Name());
    for (std::int32_t i = 0; i < r.RecordCount(); ++i) {
      data::ShapeRecordHeader h;
      Record rec;
      EXPECT_TRUE(r.ReadRecordHeader(h)) << r.LastError();
      if (data::IsPointType(h.shapeType)) {
        data::MapPoint p;
        EXPECT_TRUE(r.ReadPointRecord(p)) << r.LastError();
        rec.parts = {{p}};
      } else {
        data::PartsRecord pr;
        EXPECT_TRUE(r.ReadPartsRecord(pr)) << r.LastError();
        rec.parts = pr.parts;
      }
      for (int c = 0; c < static_cast<int>(r.Columns().size()); ++c) {
        std::string cell(r.GetCell(c));
        while (!cell.empty() && cell.back() == ' ') cell.pop_back();
        cell.erase(0, cell.find_first_not_of(' ') == std::string::npos ? cell.size() : cell.find_first_not_of(' '));
        rec.cells.push_back(cell);
      }
      out.push_back(rec);
    }
    return out;
  }
  static std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> AlertTexts() const {
    std::vector<std::string> out;
    for (const auto& a : user->Alerts()) out.push_back(a.text);
    return out;
  }

  LayerHandle first = nullptr;
  TempDir dir;
  std::int64_t leftOut = 0, refused = 0;
  std::vector<attr::ShapeField> fields;
};

// Signed area of a ring in map coordinates: positive when counter-clockwise.
inline double RingArea(const data::PointList& r) {
  double a = 0;
  for (std::size_t i = 0; i + 1 < r.size(); ++i) a += r[i].x * r[i + 1].y - r[i + 1].x * r[i].y;
  return a / 2;
}

}  // namespace vx::test
