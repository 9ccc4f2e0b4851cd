// Documents: building through the suites, saving and loading without loss, refusing damage.
#include "host/svg.h"
#include "shell/host/slots.h"
#include "tests/support/host_fixture.h"

#include <fstream>

namespace vx::test {
namespace {

using namespace vx::host;

class DocumentTest : public HostFixture {
 protected:
  ArtHandle Group(LayerHandle l) {
    ArtHandle g = nullptr;
    EXPECT_EQ(sLayer()->GetLayerGroup(l, g), kNoErr);
    return g;
  }
  ArtHandle NewPath(ArtHandle inside, std::vector<PathSegment> segs, bool closed) {
    ArtHandle p = nullptr;
    EXPECT_EQ(sArt()->NewArt(ArtType::Path, PaintOrder::InsideOnTop, inside, p), kNoErr);
    EXPECT_EQ(sPath()->SetPathSegments(p, static_cast<std::int32_t>(segs.size()), segs.data()), kNoErr);
    EXPECT_EQ(sPath()->SetPathClosed(p, closed), kNoErr);
    return p;
  }
  static PathSegment Corner(double h, double v) { return {{h, v}, {h, v}, {h, v}, false}; }
};

// Every kind of art, style, text, flag, tag and dictionary entry survives a save and a load, and
// an array shared by two arts is still one array afterwards.
TEST_F(DocumentTest, SaveAndLoadKeepEverything) {
  LayerHandle top = nullptr, sub = nullptr, hidden = nullptr;
  ASSERT_EQ(sLayer()->GetFirstLayer(top), kNoErr);
  ASSERT_EQ(sLayer()->SetLayerTitle(top, "地図 layer"), kNoErr);
  ASSERT_EQ(sLayer()->InsertLayer(top, PaintOrder::InsideOnBottom, sub), kNoErr);
  ASSERT_EQ(sLayer()->SetLayerTitle(sub, "sub"), kNoErr);
  ASSERT_EQ(sLayer()->InsertLayer(nullptr, PaintOrder::Below, hidden), kNoErr);
  ASSERT_EQ(sLayer()->SetLayerVisible(hidden, false), kNoErr);
  ASSERT_EQ(sLayer()->SetLayerEditable(hidden, false), kNoErr);
  ASSERT_EQ(sLayer()->SetCurrentLayer(sub), kNoErr);

  ArtHandle line = NewPath(Group(top), {Corner(1, 2), Corner(3.25, -4), Corner(1e6, 1e-9)}, false);
  PathStyle style;
  style.fillPaint = false;
  style.strokePaint = true;
  style.stroke.color = Color::Cmyk(0.8, 0, 0.5, 0);
  style.stroke.width = 0.5;
  style.stroke.dashCount = 2;
  style.stroke.dashes[0] = 3, style.stroke.dashes[1] = 1.5;
  style.stroke.dashOffset = 0.25;
  style.stroke.cap = LineCap::Round;
  style.stroke.join = LineJoin::Bevel;
  style.stroke.miterLimit = 7;
  style.stroke.overprint = true;
  style.evenOdd = true;
  ASSERT_EQ(sPathStyle()->SetPathStyle(line, style), kNoErr);
  ASSERT_EQ(sBlendStyle()->SetOpacity(line, 0.4), kNoErr);
  ASSERT_EQ(sArt()->SetArtUserAttr(line, kArtLocked | kArtSelected, kArtLocked | kArtSelected), kNoErr);

  ArtHandle compound = nullptr;
  ASSERT_EQ(sArt()->NewArt(ArtType::CompoundPath, PaintOrder::InsideOnBottom, Group(sub), compound), kNoErr);
  ArtHandle curve = NewPath(compound, {{{0, 0}, {-1, -1}, {5, 0}, true}, {{10, 10}, {10, 5}, {12, 12}, false}}, true);
  ASSERT_EQ(sPath()->SetPathGuide(curve, true), kNoErr);
  ASSERT_EQ(sPath()->SetPathIsClip(compound, true), kNoErr);

  ArtHandle text = nullptr;
  ASSERT_EQ(sTextFrame()->NewPointText(PaintOrder::InsideOnTop, Group(sub), TextOrientation::Horizontal, {5, 6}, text),
            kNoErr);
  ASSERT_EQ(sTextRange()->InsertAfter(text, u"東京 \U0001F5FE"), kNoErr);
  ASSERT_EQ(sTextRange()->SetFillColor(text, Color::Rgb(1, 0.5, 0)), kNoErr);
  ASSERT_EQ(sTextRange()->SetJustification(text, Justification::Center), kNoErr);
  ASSERT_EQ(sArt()->SetArtUserAttr(text, kArtHidden, kArtHidden), kNoErr);

  // Tags keep their bytes, Shift-JIS included.
  ASSERT_EQ(sTag()->SetTag(line, "VxShapeTag", "string", std::string("\x93\x8c\x8b\x9e|1", 6)), kNoErr);
  ASSERT_EQ(sTag()->SetTag(line, "plain", "string", "abc"), kNoErr);

  ArrayRef shared;
  ASSERT_EQ(sDictionary()->NewArray(shared), kNoErr);
  shared->Append(Entry::String("名前"));
  shared->Append(Entry::Integer(-7));
  DictionaryRef d1, d2, nested;
  ASSERT_EQ(sArt()->GetDictionary(line, d1), kNoErr);
  ASSERT_EQ(sArt()->GetDictionary(text, d2), kNoErr);
  ASSERT_EQ(sDictionary()->NewDictionary(nested), kNoErr);
  nested->Set("flag", Entry::Boolean(true));
  d1->Set("list", Entry::FromArray(shared));
  d1->Set("real", Entry::Real(0.1));
  d1->Set("nested", Entry::FromDictionary(nested));
  d1->Set("bytes", Entry::String(std::string("\xff\x80", 2)));
  d2->Set("list", Entry::FromArray(shared));

  TempDir dir;
  std::string error;
  ASSERT_TRUE(host->SaveDocument(dir / "a.vxd", error)) << error;
  const std::string svgBefore = RenderSvg(Doc());

  StandInHost::ClearSlots();
  StandInHost other;
  ASSERT_TRUE(other.OpenDocument(dir / "a.vxd", error)) << error;
  Document& d = *other.Doc();
  ASSERT_EQ(d.layers.size(), 2u);
  EXPECT_EQ(d.layers[0]->title, "地図 layer");
  EXPECT_FALSE(d.layers[1]->visible);
  EXPECT_FALSE(d.layers[1]->editable);
  ASSERT_EQ(d.Sublayers(d.layers[0]).size(), 1u);
  EXPECT_EQ(d.current, d.Sublayers(d.layers[0])[0]);
  EXPECT_EQ(RenderSvg(d), svgBefore);

  ArtOpaque* l = d.layers[0]->group->firstChild;
  ASSERT_EQ(l->type, ArtType::Path);
  EXPECT_EQ(l->segments, line->segments);
  EXPECT_EQ(l->style, style);
  EXPECT_DOUBLE_EQ(l->opacity, 0.4);
  EXPECT_EQ(l->flags, kArtLocked | kArtSelected);
  ASSERT_EQ(l->tags.size(), 2u);
  EXPECT_EQ(l->tags[0].value, std::string("\x93\x8c\x8b\x9e|1", 6));

  ArtOpaque* subGroup = d.layers[0]->group->lastChild;
  ASSERT_TRUE(subGroup->layerOfGroup);
  ArtOpaque* t = subGroup->firstChild;
  ASSERT_EQ(t->type, ArtType::TextFrame);
  EXPECT_EQ(t->text, u"東京 \U0001F5FE");
  EXPECT_EQ(t->textFill, Color::Rgb(1, 0.5, 0));
  EXPECT_EQ(t->justification, Justification::Center);
  EXPECT_EQ(t->flags, kArtHidden);
  EXPECT_EQ(t->anchor, (RealPoint{5, 6}));
  ArtOpaque* c = subGroup->lastChild;
  ASSERT_EQ(c->type, ArtType::CompoundPath);
  EXPECT_TRUE(c->clip);
  ASSERT_EQ(c->firstChild->type, ArtType::Path);
  EXPECT_TRUE(c->firstChild->guide);
  EXPECT_TRUE(c->firstChild->segments[0].corner);
  EXPECT_EQ(c->firstChild->segments, curve->segments);

  Entry e;
  ArrayRef a1, a2;
  ASSERT_EQ(l->dictionary->Get("list", e), kNoErr);
  ASSERT_EQ(e.AsArray(a1), kNoErr);
  ASSERT_EQ(t->dictionary->Get("list", e), kNoErr);
  ASSERT_EQ(e.AsArray(a2), kNoErr);
  EXPECT_EQ(a1, a2) << "the shared array must stay one array";
  a1->Append(Entry::Boolean(false));
  EXPECT_EQ(a2->Count(), 3);
  std::string s;
  ASSERT_EQ(l->dictionary->Get("bytes", e), kNoErr);
  ASSERT_EQ(e.AsString(s), kNoErr);
  EXPECT_EQ(s, std::string("\xff\x80", 2));
  double r = 0;
  ASSERT_EQ(l->dictionary->Get("real", e), kNoErr);
  ASSERT_EQ(e.AsReal(r), kNoErr);
  EXPECT_EQ(r, 0.1);
}

TEST_F(DocumentTest, DamagedDocumentsGiveOneLineErrors) {
  TempDir dir;
  const std::string good =
      R"({"format":"vxshape-document","version":1,"bounds":[0,10,10,0],"currentLayer":0,"arrays":[[{"array":0}]],)"
      R"("dictionaries":[],"layers":[{"title":"a","visible":true,"editable":true,"group":{"kind":"group","children":[]}}]})";
  struct Case {
    const char* why;
    std::string text;
  } cases[] = {
      {"empty file", ""},
      {"cut short", good.substr(0, good.size() / 2)},
      {"foreign JSON", R"({"hello":1})"},
      {"not JSON at all", "\x89PNG\r\n"},
      {"future version", R"({"format":"vxshape-document","version":2})"},
      {"wrong type", R"({"format":"vxshape-document","version":1,"bounds":"x"})"},
      {"current layer out of range", std::string(good).replace(good.find("\"currentLayer\":0"), 16, "\"currentLayer\":5")},
      {"odd path coordinates",
       std::string(good).replace(good.find("\"children\":[]"), 13,
                                 R"("children":[{"kind":"path","points":[1,2,3],"closed":false,"style":{}}])")},
      {"unknown art kind",
       std::string(good).replace(good.find("\"children\":[]"), 13, R"("children":[{"kind":"blob"}])")},
      {"dictionary reference out of range",
       std::string(good).replace(good.find("\"children\":[]"), 13, R"("children":[],"dict":9)")},
  };
  std::string deep = R"({"kind":"group","children":[)";
  for (int i = 0; i < 5000; ++i) deep += R"({"kind":"group","children":[)";
  for (int i = 0; i < 5000; ++i) deep += "]}";
  deep += "]}";
  Case nested{"groups nested 5,000 deep", std::string(good).replace(good.find("\"children\":[]"), 13,
                                                                     "\"children\":[" + deep + "]")};
  std::vector<Case> all(std::begin(cases), std::end(cases));
  all.push_back(nested);
  for (const Case& c : all) {
    {
      std::ofstream f(dir / "d.vxd", std::ios::binary | std::ios::trunc);
      f << c.text;
    }
    StandInHost other;
    std::string error;
    EXPECT_FALSE(other.OpenDocument(dir / "d.vxd", error)) << c.why;
    EXPECT_EQ(error.find('\n'), std::string::npos) << c.why << ": " << error;
    EXPECT_NE(error.find("d.vxd"), std::string::npos) << c.why << ": " << error;
    EXPECT_EQ(other.Doc(), nullptr) << c.why;
  }
}

TEST_F(DocumentTest, FailedSaveLeavesTheOldFile) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(host->SaveDocument(dir / "a.vxd", error));
  std::filesystem::create_directory(dir / "a.vxd.tmp");  // the temporary cannot be written
  EXPECT_FALSE(host->SaveDocument(dir / "a.vxd", error));
  StandInHost other;
  EXPECT_TRUE(other.OpenDocument(dir / "a.vxd", error)) << error;
}

// The layer walk, placement and selection rules the commands rely on.
TEST_F(DocumentTest, LayersAndArtFollowTheHostsOrder) {
  LayerHandle a = nullptr, b = nullptr, c = nullptr, a1 = nullptr, a2 = nullptr;
  ASSERT_EQ(sLayer()->GetFirstLayer(a), kNoErr);
  ASSERT_EQ(sLayer()->InsertLayer(a, PaintOrder::Below, c), kNoErr);
  ASSERT_EQ(sLayer()->InsertLayer(c, PaintOrder::Above, b), kNoErr);
  ASSERT_EQ(sLayer()->InsertLayer(a, PaintOrder::InsideOnBottom, a1), kNoErr);
  ASSERT_EQ(sLayer()->InsertLayer(a, PaintOrder::InsideOnBottom, a2), kNoErr);
  std::int32_t n = 0;
  ASSERT_EQ(sLayer()->CountLayers(n), kNoErr);
  EXPECT_EQ(n, 3);
  std::vector<LayerHandle> walk;
  for (LayerHandle l = a; l; sLayer()->GetNextPreorderLayer(l, l)) walk.push_back(l);
  EXPECT_EQ(walk, (std::vector<LayerHandle>{a, a1, a2, b, c}));
  LayerHandle next = nullptr;
  ASSERT_EQ(sLayer()->GetNextLayer(a, next), kNoErr);
  EXPECT_EQ(next, b);
  ASSERT_EQ(sLayer()->GetNextLayer(a1, next), kNoErr);
  EXPECT_EQ(next, a2);

  // Art made inside on top comes first; moving it inside another puts it there on top.
  ArtHandle g = nullptr, p1 = nullptr, p2 = nullptr, grp = nullptr;
  ASSERT_EQ(sLayer()->GetLayerGroup(b, g), kNoErr);
  ASSERT_EQ(sArt()->NewArt(ArtType::Path, PaintOrder::InsideOnTop, g, p1), kNoErr);
  ASSERT_EQ(sArt()->NewArt(ArtType::Path, PaintOrder::InsideOnTop, g, p2), kNoErr);
  ASSERT_EQ(sArt()->NewArt(ArtType::Group, PaintOrder::InsideOnBottom, g, grp), kNoErr);
  ArtHandle first = nullptr, sib = nullptr;
  ASSERT_EQ(sArt()->GetArtFirstChild(g, first), kNoErr);
  EXPECT_EQ(first, p2);
  ASSERT_EQ(sArt()->ReorderArt(p1, PaintOrder::InsideOnTop, grp), kNoErr);
  ASSERT_EQ(sArt()->GetArtSibling(p2, sib), kNoErr);
  EXPECT_EQ(sib, grp);
  EXPECT_EQ(sArt()->ReorderArt(grp, PaintOrder::InsideOnTop, p1), kBadParameter) << "art cannot go inside a path";
  EXPECT_EQ(sArt()->ReorderArt(grp, PaintOrder::InsideOnTop, grp), kBadParameter) << "nor inside itself";

  // Selecting a group selects its contents; a partly selected group is not fully selected.
  ASSERT_EQ(sArt()->SetArtUserAttr(grp, kArtSelected, kArtSelected), kNoErr);
  std::uint32_t flags = 0;
  ASSERT_EQ(sArt()->GetArtUserAttr(grp, kArtFullySelected, flags), kNoErr);
  EXPECT_EQ(flags, kArtFullySelected);
  ASSERT_EQ(sArt()->SetArtUserAttr(p1, kArtSelected, 0), kNoErr);
  ASSERT_EQ(sArt()->GetArtUserAttr(grp, kArtFullySelected, flags), kNoErr);
  EXPECT_EQ(flags, 0u);
  ArtSetHandle set = nullptr;
  ASSERT_EQ(sArtSet()->NewArtSet(set), kNoErr);
  ASSERT_EQ(sArtSet()->SelectedArtSet(set), kNoErr);
  std::int32_t count = 0;
  ASSERT_EQ(sArtSet()->CountArtSet(set, count), kNoErr);
  EXPECT_EQ(count, 1);
  bool has = false;
  ASSERT_EQ(sLayer()->LayerHasSelectedArt(b, has), kNoErr);
  EXPECT_TRUE(has);
  ASSERT_EQ(sLayer()->DeselectArtOnLayer(b), kNoErr);
  ASSERT_EQ(sLayer()->LayerHasSelectedArt(b, has), kNoErr);
  EXPECT_FALSE(has);
  ASSERT_EQ(sArtSet()->DisposeArtSet(set), kNoErr);

  // Disposed art is recognised, not used.
  ASSERT_EQ(sArt()->DisposeArt(grp), kNoErr);
  EXPECT_FALSE(sArt()->ValidArt(p1));
  ArtType type;
  EXPECT_EQ(sArt()->GetArtType(p1, type), kBadParameter);
}

TEST_F(DocumentTest, PathGeometry) {
  LayerHandle l = nullptr;
  ASSERT_EQ(sLayer()->GetFirstLayer(l), kNoErr);
  // A counter-clockwise 10 × 20 rectangle, v up.
  ArtHandle r = NewPath(Group(l), {Corner(0, 0), Corner(10, 0), Corner(10, 20), Corner(0, 20)}, true);
  double area = 0, len = 0;
  ASSERT_EQ(sPath()->GetPathArea(r, area), kNoErr);
  EXPECT_DOUBLE_EQ(area, -200) << "counter-clockwise is negative";
  ASSERT_EQ(sPath()->GetPathLength(r, len, 0.1), kNoErr);
  EXPECT_DOUBLE_EQ(len, 60);
  RealRect b;
  ASSERT_EQ(sArt()->GetArtBounds(r, b), kNoErr);
  EXPECT_EQ(b, (RealRect{0, 20, 10, 0}));

  // The ellipse: centred on the position, closed, of the given size.
  ArtHandle e = nullptr;
  ASSERT_EQ(sShapeConstruction()->NewEllipse({100, 50}, 2.5, 2.5, false, e), kNoErr);
  ASSERT_EQ(sArt()->GetArtBounds(e, b), kNoErr);
  EXPECT_NEAR(b.left, 98.75, 1e-9);
  EXPECT_NEAR(b.top, 51.25, 1e-9);
  ASSERT_EQ(sPath()->GetPathArea(e, area), kNoErr);
  EXPECT_NEAR(area, -3.14159265 * 1.25 * 1.25, 0.01) << "the ellipse is drawn counter-clockwise";
  RealBezier bz;
  ASSERT_EQ(sPath()->GetPathBezier(e, 3, bz), kNoErr) << "a closed path has a Bezier back to its start";
  EXPECT_EQ(sPath()->GetPathBezier(e, 4, bz), kOutOfRange);
  EXPECT_NEAR(sBezier()->Length(bz, 0.001), 3.14159265 * 2.5 / 4, 1e-3);
  EXPECT_TRUE(sMath()->PointClose({0, 0}, {0.5, -0.5}, 0.5));
  EXPECT_FALSE(sMath()->PointClose({0, 0}, {0.51, 0}, 0.5));
}

}  // namespace
}  // namespace vx::test
