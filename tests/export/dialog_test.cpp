// The export settings dialog: its lists, enabling rules, refusals, and the stored settings.
#include "tests/export/export_fixture.h"

#include <functional>

namespace vx::test {
namespace {

// A scripted user that also lets the test look at the dialog when it opens.
class PeekUser : public host::ScriptedUser {
 public:
  std::function<void(host::ControlWindow&)> peek;
  void RunDialog(host::ControlWindow& w) override {
    if (peek) peek(w);
    ScriptedUser::RunDialog(w);
  }
};

class DialogTest : public ExportFixture {
 protected:
  void SetUp() override {
    ExportFixture::SetUp();
    peeker = std::make_shared<PeekUser>();
    user = peeker;
    host->SetUser(user);
    AddFrame();
    Square(Group(first), 0, 0, 10);
  }
  std::shared_ptr<PeekUser> peeker;
};

std::vector<std::string> Items(host::ControlWindow& w, std::int32_t control) {
  std::vector<std::string> out;
  for (const auto& [text, data] : w.Find(control)->items) out.push_back(text);
  return out;
}

TEST_F(DialogTest, TargetListOffersTheSelectionOnlyWhenThereIsOne) {
  std::vector<std::string> seen;
  peeker->peek = [&](host::ControlWindow& w) { seen = Items(w, id::kTarget); };
  user->Push(Do(Step::Kind::Dialog, resources::kExportSettingsDialog));
  user->Push(Click(host::kIdCancel));
  EXPECT_EQ(xport::CShapeFileExporter(nullptr).Run(), host::kStop);
  EXPECT_EQ(seen, (std::vector<std::string>{"現在のレイヤー: 道路", "表示されている全てのレイヤー", "全てのレイヤー"}));

  ArtHandle a = nullptr;
  ASSERT_EQ(host::sArt()->GetArtFirstChild(Group(first), a), host::kNoErr);
  ASSERT_EQ(host::sArt()->SetArtUserAttr(a, host::kArtSelected, host::kArtSelected), host::kNoErr);
  user->Push(Do(Step::Kind::Dialog, resources::kExportSettingsDialog));
  user->Push(Click(host::kIdCancel));
  EXPECT_EQ(xport::CShapeFileExporter(nullptr).Run(), host::kStop);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[3], "選択されているオブジェクト");
}

TEST_F(DialogTest, InitialStateOfAShapefileExport) {
  host::ControlWindow* dialog = nullptr;
  std::vector<std::string> state;
  peeker->peek = [&](host::ControlWindow& w) {
    dialog = &w;
    EXPECT_EQ(Items(w, id::kEncoding), (std::vector<std::string>{"シフトJIS", "UTF-8"})) << "no UTF-16 for shapefiles";
    EXPECT_EQ(Items(w, id::kOutUtmZone)[1], "第1帯(180度W～174度W)");
    EXPECT_EQ(Items(w, id::kOutUtmZone)[31], "第31帯(0度～6度E)");
    EXPECT_EQ(Items(w, id::kOutUtmZone)[54], "第54帯(138度E～144度E)");
    EXPECT_EQ(Items(w, id::kOutZone)[9], "9系（東京, 福島, 栃木, 茨城, 埼玉, 千葉, 群馬, 神奈川）");
    EXPECT_TRUE(w.Find(id::kUseFrame)->checked);
    EXPECT_FALSE(w.Find(id::kUseMarkers)->enabled) << "no markers in the document";
    EXPECT_EQ(w.Find(id::kFrameLabel)->text, "(世界測地系 平面直角座標 第9系)");
    for (std::int32_t c : {id::kDelimiterLabel, id::kTab, id::kComma, id::kPerLayer, id::kBezier, id::kAccuracy,
                           id::kMarkerJgd, id::kOutJgd, id::kOutZone, id::kOutUtmZone})
      EXPECT_FALSE(w.Find(c)->enabled) << c;
    EXPECT_FALSE(w.Find(id::kPerLayer)->checked);
  };
  user->Push(Do(Step::Kind::Dialog, resources::kExportSettingsDialog));
  user->Push(Click(host::kIdCancel));
  EXPECT_EQ(xport::CShapeFileExporter(nullptr).Run(), host::kStop);
  ASSERT_NE(dialog, nullptr);
  std::int32_t stored = 0;
  EXPECT_EQ(host::sPreference()->GetInteger(xport::kPreferencePrefix, "exportDataType", stored), host::kNotFound)
      << "a cancelled dialog stores nothing";
}

TEST_F(DialogTest, EnablingRules) {
  struct Case {
    std::vector<Step> actions;
    std::vector<std::pair<std::int32_t, bool>> enabled;  // control, expected enabled state
    std::vector<std::pair<std::int32_t, bool>> checked;
    const char* why;
  };
  const Case cases[] = {
      {{Click(id::kPolygon)},
       {{id::kGroup, false}, {id::kText, false}, {id::kSymbol, false}, {id::kBezier, true}, {id::kAccuracy, false}},
       {{id::kGroup, false}, {id::kText, false}, {id::kSymbol, false}, {id::kBezier, false}},
       "polygons: no groups, texts or symbols; flattening can be turned on (points turned it off)"},
      {{Click(id::kPolygon), Click(id::kUnfilled), Click(id::kFilled)},
       {{id::kExpand, false}},
       {{id::kExpand, false}},
       "no path or group box on: nothing to expand"},
      {{Pick(id::kTarget, 2)}, {{id::kPerLayer, true}}, {}, "all layers may go to one file each"},
      {{Pick(id::kTarget, 2), Click(id::kPerLayer), Pick(id::kTarget, 0)},
       {{id::kPerLayer, false}},
       {{id::kPerLayer, false}},
       "back to the current layer: one file"},
      {{Click(id::kConvert), Click(id::kOutUTM)},
       {{id::kOutJgd, true}, {id::kOutUtmZone, true}, {id::kOutZone, false}},
       {},
       "conversion to UTM: the UTM zone list only"},
      {{Click(id::kPolyline), Click(id::kBezier)},
       {{id::kAccuracy, true}, {id::kRough, true}},
       {{id::kBezier, true}},
       "flattening on: the accuracy can be set"},
  };
  for (const Case& c : cases) {
    peeker->peek = [&](host::ControlWindow& w) {
      for (const Step& s : c.actions) {
        const host::Err e = s.kind == Step::Kind::Click ? w.UserClick(s.id) : w.UserSelectItem(s.id, s.index);
        ASSERT_EQ(e, host::kNoErr) << c.why;
      }
      for (auto [control, on] : c.enabled) EXPECT_EQ(w.Find(control)->enabled, on) << c.why << ": " << control;
      for (auto [control, on] : c.checked) EXPECT_EQ(w.Find(control)->checked, on) << c.why << ": " << control;
    };
    user->Push(Do(Step::Kind::Dialog, resources::kExportSettingsDialog));
    user->Push(Click(host::kIdCancel));
    xport::CShapeFileExporter(nullptr).Run();
  }
}

TEST_F(DialogTest, RefusedEntriesKeepTheDialogOpen) {
  struct Case {
    std::vector<Step> actions;
    const char* alert;
  };
  const Case cases[] = {
      {{Click(id::kPolygon), Click(id::kUnfilled), Click(id::kFilled)}, xport::kNoObjectsMessage},
      {{Click(id::kConvert), Click(id::kOutXY)}, xport::kChooseZoneMessage},
      {{Click(id::kConvert), Click(id::kOutUTM)}, xport::kChooseUtmZoneMessage},
  };
  for (const Case& c : cases) {
    user->Push(Do(Step::Kind::Dialog, resources::kExportSettingsDialog));
    for (const Step& s : c.actions) user->Push(s);
    user->Push(Click(host::kIdOk));
    user->Push(Click(host::kIdCancel));  // still open after the alert
    EXPECT_EQ(xport::CShapeFileExporter(nullptr).Run(), host::kStop) << c.alert;
    ASSERT_FALSE(user->Alerts().empty());
    EXPECT_EQ(user->Alerts().back().text, c.alert);
    EXPECT_EQ(user->Alerts().back().parent, "dialog \"書き出しの設定\"") << "the alert is over the dialog";
    EXPECT_FALSE(user->Failure()) << *user->Failure();
  }
}

// OK stores the 16 settings and the chosen file; the next dialog shows them again.
TEST_F(DialogTest, SettingsAreStoredAndShownAgain) {
  Step nine = Do(Step::Kind::SetPosition, id::kAccuracy);
  nine.value = 9;
  Export({Click(id::kPolyline), Click(id::kBezier), Pick(id::kEncoding, 1), Click(id::kAddLayer), nine, Click(id::kConvert),
          Click(id::kOutXY), Pick(id::kOutZone, 12)},
         dir / "a.shp");
  auto get = [](const char* key) {
    std::int32_t v = -1;
    host::sPreference()->GetInteger(xport::kPreferencePrefix, key, v);
    return v;
  };
  auto getb = [](const char* key) {
    bool v = false;
    EXPECT_EQ(host::sPreference()->GetBoolean(xport::kPreferencePrefix, key, v), host::kNoErr) << key;
    return v;
  };
  EXPECT_EQ(get("exportDataType"), 1);
  EXPECT_EQ(get("exportEncoding"), 1);
  EXPECT_EQ(get("exportDelimiter"), 9);
  EXPECT_EQ(get("exportObjectSpec"), 0x1 | 0x2) << "text, group and symbol are off for lines";
  EXPECT_FALSE(getb("exportAddTextField")) << "its box is on, but texts are not written";
  EXPECT_TRUE(getb("exportAddLayerField"));
  EXPECT_TRUE(getb("exportExpandBezier"));
  EXPECT_EQ(get("exportBezierAccuracy"), 9);
  EXPECT_EQ(get("exportMarkerGeoSys"), 2);
  EXPECT_EQ(get("exportMarkerProjection"), 3) << "preset from the frame";
  EXPECT_EQ(get("exportMarkerXYKei"), 9);
  EXPECT_TRUE(getb("exportConvertCoords"));
  EXPECT_EQ(get("exportOutGeoSys"), 2);
  EXPECT_EQ(get("exportOutProjection"), 3);
  EXPECT_EQ(get("exportOutXYKei"), 12);
  EXPECT_EQ(get("exportOutUTMZone"), 0);
  std::filesystem::path stored;
  EXPECT_EQ(host::sPreference()->GetFilePath(xport::kPreferencePrefix, "exportPath", stored), host::kNoErr);
  EXPECT_EQ(stored, dir / "a.shp");

  peeker->peek = [&](host::ControlWindow& w) {
    EXPECT_TRUE(w.Find(id::kPolyline)->checked);
    EXPECT_EQ(w.Find(id::kEncoding)->selected, 1);
    EXPECT_EQ(w.Find(id::kAccuracy)->position, 9);
    EXPECT_EQ(w.Find(id::kAccuracyValue)->text, "9");
    EXPECT_TRUE(w.Find(id::kConvert)->checked);
    EXPECT_EQ(w.Find(id::kOutZone)->selected, 12);
    EXPECT_EQ(w.Find(id::kTarget)->selected, 0) << "the target is not stored";
  };
  user->Push(Do(Step::Kind::Dialog, resources::kExportSettingsDialog));
  user->Push(Click(host::kIdCancel));
  xport::CShapeFileExporter(nullptr).Run();
}

}  // namespace
}  // namespace vx::test
