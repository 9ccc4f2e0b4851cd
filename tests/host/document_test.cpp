// Documents: building through the suites, saving and loading without loss, refusing damage.
#include "host/svg.h"
#include "shell/host/slots.h"
#include "tests/support/host_fixture.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <signal.h>
#ifndef _WIN32
#include <sys/resource.h>  // the file size limit
#endif

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

  // Tags keep their bytes, Shift-JIS included, in names and types as in values.
  ASSERT_EQ(sTag()->SetTag(line, "VxShapeTag", "string", std::string("\x93\x8c\x8b\x9e|1", 6)), kNoErr);
  ASSERT_EQ(sTag()->SetTag(line, "plain", "string", "abc"), kNoErr);
  ASSERT_EQ(sTag()->SetTag(line, "\x93\x8c", "\xff", "x\ny\"z"), kNoErr);
  // Locked last: the setters refuse locked art.
  ASSERT_EQ(sArt()->SetArtUserAttr(line, kArtLocked | kArtSelected, kArtLocked | kArtSelected), kNoErr);
  const std::string sjisTitle = "\x93\x8c\x8b\x9e";  // 東京 in Shift-JIS
  ASSERT_EQ(sLayer()->SetLayerTitle(hidden, sjisTitle), kNoErr);
  // Numbers read back exactly, the awkward ones included.
  const double awkward[] = {0.1, -0.0, 5e-324, 2.2250738585072014e-308, 1.7976931348623157e308,
                            123456789.12345678, -1e-9, 1.0 / 3};
  std::vector<PathSegment> exact;
  for (std::size_t i = 0; i + 1 < std::size(awkward); ++i) exact.push_back(Corner(awkward[i], awkward[i + 1]));
  ArtOpaque* exactPath = Doc().NewNode(ArtType::Path);  // the layer is locked to the suites
  exactPath->segments = exact;
  ASSERT_EQ(Doc().Place(exactPath, PaintOrder::InsideOnTop, hidden->group), kNoErr);

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
  d1->Set(std::string("\x8c\xa7", 2), Entry::Integer(13));  // a key in Shift-JIS
  d1->Set("ff80", Entry::Integer(14));                       // and one that looks like its hex form
  d1->Set(std::string("\xff\x80", 2), Entry::Integer(15));
  d1->Set(std::string("\xfe\x01", 2), Entry::FromArray(shared));  // a shared array under a key in hex
  d2->Set("list", Entry::FromArray(shared));

  TempDir dir;
  std::string error;
  ASSERT_TRUE(host->SaveDocument(dir / "a.vxd", error)) << error;
  const std::string svgBefore = RenderSvg(Doc());

  {
    // Strict JSON that other tools read too.
    std::ifstream in(dir / "a.vxd", std::ios::binary);
    EXPECT_TRUE(nlohmann::json::accept(in));
  }

  const std::unique_ptr<Document> loaded = ReadDocument(dir / "a.vxd", error);
  ASSERT_TRUE(loaded) << error;
  Document& d = *loaded;
  ASSERT_EQ(d.layers.size(), 2u);
  EXPECT_EQ(d.layers[0]->title, "地図 layer");
  EXPECT_EQ(d.layers[1]->title, sjisTitle);
  EXPECT_FALSE(d.layers[1]->visible);
  EXPECT_FALSE(d.layers[1]->editable);
  ASSERT_NE(d.layers[1]->group->firstChild, nullptr);
  const auto& back = d.layers[1]->group->firstChild->segments;
  ASSERT_EQ(back.size(), exact.size());
  for (std::size_t i = 0; i < exact.size(); ++i) {
    EXPECT_EQ(std::signbit(back[i].p.h), std::signbit(exact[i].p.h)) << i;
    EXPECT_EQ(back[i].p, exact[i].p) << i;
  }
  ASSERT_EQ(d.Sublayers(d.layers[0]).size(), 1u);
  EXPECT_EQ(d.current, d.Sublayers(d.layers[0])[0]);
  EXPECT_EQ(RenderSvg(d), svgBefore);

  ArtOpaque* l = d.layers[0]->group->firstChild;
  ASSERT_EQ(l->type, ArtType::Path);
  EXPECT_EQ(l->segments, line->segments);
  EXPECT_EQ(l->style, style);
  EXPECT_DOUBLE_EQ(l->opacity, 0.4);
  EXPECT_EQ(l->flags, kArtLocked | kArtSelected);
  ASSERT_EQ(l->Extra().tags.size(), 3u);
  EXPECT_EQ(l->Extra().tags[0].value, std::string("\x93\x8c\x8b\x9e|1", 6));
  EXPECT_EQ(l->Extra().tags[2].name, "\x93\x8c");
  EXPECT_EQ(l->Extra().tags[2].type, "\xff");
  EXPECT_EQ(l->Extra().tags[2].value, "x\ny\"z");

  ArtOpaque* subGroup = d.layers[0]->group->lastChild;
  ASSERT_TRUE(subGroup->layerOfGroup);
  ArtOpaque* t = subGroup->firstChild;
  ASSERT_EQ(t->type, ArtType::TextFrame);
  EXPECT_EQ(t->Extra().text, u"東京 \U0001F5FE");
  EXPECT_EQ(t->Extra().textFill, Color::Rgb(1, 0.5, 0));
  EXPECT_EQ(t->Extra().justification, Justification::Center);
  EXPECT_EQ(t->flags, kArtHidden);
  EXPECT_EQ(t->Extra().anchor, (RealPoint{5, 6}));
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
  ArrayRef a3;
  ASSERT_EQ(l->dictionary->Get(std::string("\xfe\x01", 2), e), kNoErr);
  ASSERT_EQ(e.AsArray(a3), kNoErr);
  EXPECT_EQ(a1, a3);
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
  const std::pair<std::string, std::int32_t> keys[] = {
      {std::string("\x8c\xa7", 2), 13}, {"ff80", 14}, {std::string("\xff\x80", 2), 15}};
  for (const auto& [key, value] : keys) {
    std::int32_t v = 0;
    ASSERT_EQ(l->dictionary->Get(key, e), kNoErr) << key;
    ASSERT_EQ(e.AsInteger(v), kNoErr);
    EXPECT_EQ(v, value);
  }
}

// A document written by hand from docs/document-format.md: only the required fields, the rest
// takes its documented default.
TEST_F(DocumentTest, HandWrittenDocumentsLoadWithDefaults) {
  TempDir dir;
  {
    std::ofstream f(dir / "d.vxd", std::ios::binary);
    f << R"({"format": "vxshape-document", "version": 1, "layers": [
      {"title": "roads", "group": {"children": [
        {"kind": "path", "points": [0, 0, 10, 5]},
        {"kind": "path", "segments": [1, 2, 1, 2, 1, 2], "style": {"stroke": {"rgb": [1, 0, 0]}, "width": 2}},
        {"kind": "text", "utf16": [26481, 20140]},
        {"kind": "group", "dict": 0, "tags": [{"name": "t"}]},
        {"kind": "layer", "layer": {"title": "sub", "visible": false}}
      ]}},
      {"title": "empty"}],
      "dictionaries": [{"k": {"string": "v"}}]})";
  }
  std::string error;
  const auto doc = ReadDocument(dir / "d.vxd", error);
  ASSERT_TRUE(doc) << error;
  EXPECT_EQ(doc->bounds, (RealRect{0, 792, 612, 0})) << "the artboard of a new document";
  ASSERT_EQ(doc->layers.size(), 2u);
  EXPECT_EQ(doc->current, doc->layers[0]) << "the first layer is current";
  const LayerOpaque* roads = doc->layers[0];
  EXPECT_TRUE(roads->visible);
  EXPECT_TRUE(roads->editable);
  std::vector<ArtOpaque*> top;
  for (ArtOpaque* a = roads->group->firstChild; a; a = a->next) top.push_back(a);
  ASSERT_EQ(top.size(), 5u);

  const PathStyle newPath = Doc().NewNode(ArtType::Path)->style;
  EXPECT_EQ(top[0]->segments.size(), 2u);
  EXPECT_FALSE(top[0]->closed);
  EXPECT_EQ(top[0]->style, newPath) << "a path without style is painted as a new path";
  EXPECT_FALSE(top[1]->segments[0].corner);
  PathStyle red = newPath;
  red.stroke.color = Color::Rgb(1, 0, 0);
  red.stroke.width = 2;
  EXPECT_EQ(top[1]->style, red) << "style keys left out keep a new path's values";
  EXPECT_EQ(top[2]->Extra().text, u"東京");
  EXPECT_EQ(top[2]->Extra().anchor, (RealPoint{0, 0}));
  EXPECT_EQ(top[2]->Extra().fontSize, 12);
  EXPECT_EQ(top[2]->Extra().textFill, Color::Cmyk(0, 0, 0, 1));
  ASSERT_EQ(top[3]->Extra().tags.size(), 1u);
  EXPECT_EQ(top[3]->Extra().tags[0].type, "string");
  EXPECT_EQ(top[3]->Extra().tags[0].value, "");
  EXPECT_TRUE(top[3]->dictionary->IsKnown("k"));
  ASSERT_TRUE(top[4]->layerOfGroup);
  EXPECT_FALSE(top[4]->layerOfGroup->visible);
  EXPECT_EQ(doc->layers[1]->group->firstChild, nullptr);
}

TEST_F(DocumentTest, DamagedDocumentsSayWhereTheFaultIs) {
  TempDir dir;
  const std::string good =
      R"({"format":"vxshape-document","version":1,"bounds":[0,10,10,0],"currentLayer":0,"arrays":[[{"array":0}]],)"
      R"("dictionaries":[],"layers":[{"title":"a","visible":true,"editable":true,"group":{"kind":"group","children":[]}},)"
      R"({"title":"roads","group":{"kind":"group","children":[CHILDREN]}}]})";
  const std::string tables = R"("arrays":[[{"array":0}]],"dictionaries":[])";
  auto with = [&](const std::string& children, const std::string& otherTables = "") {
    std::string t = good;
    t.replace(t.find("CHILDREN"), 8, children);
    if (!otherTables.empty()) t.replace(t.find(tables), tables.size(), otherTables);
    return t;
  };
  const std::string ok = with("");
  const std::string fiveGroups = R"({"kind":"group"},{"kind":"group"},{"kind":"group"},{"kind":"group"},{"kind":"group"},)";
  struct Case {
    const char* why;
    std::string text;
    const char* says;  // part of the message
  } cases[] = {
      {"empty file", "", "line 1, column 1"},
      {"cut short", ok.substr(0, ok.size() / 2), "ends"},
      {"foreign JSON", R"({"hello":1})", "not a vxshape document"},
      {"not JSON at all", "\x89PNG\r\n", "not JSON"},
      {"not UTF-8", std::string(ok).replace(ok.find("\"a\""), 3, "\"\xff\""), "not valid UTF-8"},
      {"future version", R"({"format":"vxshape-document","version":3})", "version 3 is not supported"},
      {"no layers", R"({"format":"vxshape-document","version":1})", "key 'layers' missing"},
      {"wrong type", R"({"format":"vxshape-document","version":1,"layers":[],"bounds":"x"})",
       "bounds: a list of numbers is needed, not the text \"x\""},
      {"number too large", with(R"({"kind":"path","points":[1e999,0]})"), "out of range"},
      {"current layer out of range", std::string(ok).replace(ok.find("\"currentLayer\":0"), 16, "\"currentLayer\":5"),
       "currentLayer: a whole number from -1 to 1 is needed, not 5"},
      {"odd path coordinates", with(R"({"kind":"path","points":[1,2,3]})"),
       "layers[1].group.children[0].points (layer \"roads\"): 3 numbers do not make whole segments"},
      {"a path without points", with(fiveGroups + R"({"kind":"path"})"),
       "layers[1].group.children[5] (layer \"roads\"): key 'points' (or 'segments') missing"},
      {"a bad style value", with(fiveGroups + R"({"kind":"path","points":[],"style":{"width":"2"}})"),
       "layers[1].group.children[5].style.width (layer \"roads\"): a number is needed, not the text \"2\""},
      {"a bad point", with(R"({"kind":"path","points":[1,"2"]})"), "children[0].points[1] (layer \"roads\"): a number"},
      {"unknown art kind", with(R"({"kind":"blob"})"), "children[0].kind (layer \"roads\"): unknown art kind \"blob\""},
      {"a layer without title", with(R"({"kind":"layer","layer":{"visible":true}})"),
       "children[0].layer (layer \"roads\"): key 'title' missing"},
      {"dictionary reference out of range", with(R"({"kind":"group","dict":9})"),
       "children[0].dict (layer \"roads\"): dictionaries[9] does not exist"},
      {"dictionary reference out of range in a sublayer",
       with(R"({"kind":"layer","layer":{"title":"sub","group":{"kind":"group","children":[{"kind":"group"},)"
            R"({"kind":"path","points":[],"dict":4}]}}})"),
       "layers[1].group.children[0].layer.group.children[1].dict (layer \"sub\"): dictionaries[4] does not exist"},
      {"bad hex", with(R"({"kind":"group","tags":[{"name":"n","valueHex":"abc"}]})"),
       "valueHex (layer \"roads\"): hex text of odd length"},
      {"an entry of two values", with(R"({"kind":"group","dict":0})", R"("dictionaries":[{"k":{"int":1,"bool":true}}])"),
       "dictionaries[0].k: an entry is one of"},
      {"an int that is not whole", with(R"({"kind":"group","dict":0})", R"("dictionaries":[{"k":{"int":1.5}}])"),
       "dictionaries[0].k.int: a whole number"},
      {"an array holding itself",
       with(R"({"kind":"group","dict":0})", R"("arrays":[[{"int":1},{"array":0}]],"dictionaries":[{"k":{"array":0}}])"),
       "arrays[0][1].array: refers to arrays[0], which holds this entry"},
      {"a dictionary and an array holding each other",
       with(R"({"kind":"group","dict":0})", R"("arrays":[[{"dict":0}]],"dictionaries":[{"k":{"array":0}}])"),
       "arrays[0][0].dict: refers to dictionaries[0], which holds this entry"},
  };
  std::string deep = R"({"kind":"group","children":[)";
  for (int i = 0; i < 5000; ++i) deep += R"({"kind":"group","children":[)";
  for (int i = 0; i < 5000; ++i) deep += "]}";
  deep += "]}";
  std::string chain = R"("arrays":[)";
  for (int i = 0; i < 3000; ++i) chain += (i ? "," : "") + std::string(R"([{"array":)") + std::to_string(i + 1) + "}]";
  chain += R"(,[]],"dictionaries":[{"k":{"array":0}}])";
  // Deeper than the art bound but within what the parser reads: the reader's own message.
  std::string deeper = R"({"kind":"group","children":[)";
  for (int i = 0; i < 1100; ++i) deeper += R"({"kind":"group","children":[)";
  for (int i = 0; i < 1100; ++i) deeper += "]}";
  deeper += "]}";
  std::vector<Case> all(std::begin(cases), std::end(cases));
  // The bound as documented (1,000 levels of art), not the parser's internal count; the reader
  // builds art as it reads, so the art bound is met first.
  all.push_back({"groups nested 5,000 deep", with(deep), "art nested deeper than 1,000 levels"});
  all.push_back({"groups nested 1,100 deep", with(deeper), "art nested deeper than 1,000 levels"});
  all.push_back({"arrays nested 3,000 deep", with(R"({"kind":"group","dict":0})", chain), "nested deeper than 1,000"});
  for (const Case& c : all) {
    {
      std::ofstream f(dir / "d.vxd", std::ios::binary | std::ios::trunc);
      f << c.text;
    }
    std::string error;
    EXPECT_FALSE(ReadDocument(dir / "d.vxd", error)) << c.why;
    EXPECT_EQ(error.find('\n'), std::string::npos) << c.why << ": " << error;
    EXPECT_LT(error.size(), 400u) << c.why << ": one readable line, " << error;
    EXPECT_EQ(error.rfind((dir / "d.vxd").string() + ": damaged document: ", 0), 0u) << c.why << ": " << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.why << ": " << error;
  }
  std::string error;
  EXPECT_FALSE(host->OpenDocument(dir / "d.vxd", error));
  EXPECT_NE(host->Doc(), nullptr) << "a failed open keeps the open document";
}

// A segment whose handles sit on its anchor is saved as the anchor alone, whatever the rest of the
// path holds; every bit comes back, -0 handles on a 0 anchor included.
TEST_F(DocumentTest, PathsAreSavedCompactly) {
  const PathSegment smooth{{1, 2}, {0, 2}, {3, 2}, false};
  const PathSegment negativeZero{{0, 0}, {-0.0, 0}, {0, 0}, false};
  const PathSegment corner{{5, 6}, {5, 6}, {5, 6}, true};
  struct Case {
    const char* why;
    std::vector<PathSegment> segments;
    const char* key;      // "points" or "segments"
    std::size_t numbers;  // how many the list holds
    const char* handles;  // expected "handles", "" for none
    const char* corners;  // expected "corners", "" for none
  } cases[] = {
      {"all anchors", {Corner(1, 2), Corner(3, 4)}, "points", 4, "", ""},
      {"anchors with a corner", {Corner(1, 2), corner}, "points", 4, "", "01"},
      {"handles on one", {Corner(1, 2), smooth, corner}, "segments", 10, "010", "001"},
      {"handles on all", {smooth, smooth}, "segments", 12, "", ""},
      {"a -0 handle", {negativeZero, Corner(0, 0)}, "segments", 8, "10", ""},
      {"empty", {}, "points", 0, "", ""},
  };
  LayerHandle l = nullptr;
  ASSERT_EQ(sLayer()->GetFirstLayer(l), kNoErr);
  for (const Case& c : cases) NewPath(Group(l), c.segments, false);
  TempDir dir;
  std::string error;
  ASSERT_TRUE(host->SaveDocument(dir / "a.vxd", error)) << error;
  nlohmann::json j;
  std::ifstream(dir / "a.vxd") >> j;
  EXPECT_EQ(j["version"], 2);
  const auto& saved = j["layers"][0]["group"]["children"];
  const auto loaded = ReadDocument(dir / "a.vxd", error);
  ASSERT_TRUE(loaded) << error;
  const ArtOpaque* back = loaded->layers[0]->group->lastChild;  // the first made is at the bottom
  for (std::size_t i = 0; i < std::size(cases); ++i, back = back->prev) {
    const Case& c = cases[i];
    const auto& p = saved[saved.size() - 1 - i];
    ASSERT_TRUE(p.contains(c.key)) << c.why << ": " << p.dump();
    EXPECT_EQ(p[c.key].size(), c.numbers) << c.why;
    EXPECT_EQ(p.value("handles", ""), c.handles) << c.why;
    EXPECT_EQ(p.value("corners", ""), c.corners) << c.why;
    ASSERT_EQ(back->segments.size(), c.segments.size()) << c.why;
    for (std::size_t k = 0; k < c.segments.size(); ++k) {
      const PathSegment &a = back->segments[k], &b = c.segments[k];
      EXPECT_TRUE(std::memcmp(&a.p, &b.p, 6 * sizeof(double)) == 0 && a.corner == b.corner) << c.why << " " << k;
    }
  }
}

// A document of version 1 loads as it always did (six numbers a segment; corners only with
// segments), and saved again it means the same.
TEST_F(DocumentTest, VersionOneDocumentsStillLoad) {
  TempDir dir;
  {
    std::ofstream f(dir / "v1.vxd", std::ios::binary);
    f << R"({"format":"vxshape-document","version":1,"layers":[{"title":"a","group":{"kind":"group","children":[
      {"kind":"path","segments":[1,2,1,2,1,2, 3,4,2,4,5,4],"corners":"10","closed":true},
      {"kind":"path","points":[7,8,9,10],"corners":"11","handles":"nonsense"}]}}]})";
  }
  std::string error;
  const auto v1 = ReadDocument(dir / "v1.vxd", error);
  ASSERT_TRUE(v1) << error;
  const ArtOpaque* first = v1->layers[0]->group->firstChild;
  ASSERT_TRUE(first && first->next);
  EXPECT_EQ(first->segments, (std::vector<PathSegment>{{{1, 2}, {1, 2}, {1, 2}, true}, {{3, 4}, {2, 4}, {5, 4}, false}}));
  EXPECT_TRUE(first->closed);
  EXPECT_EQ(first->next->segments, (std::vector<PathSegment>{Corner(7, 8), Corner(9, 10)}))
      << "version 1 reads no corners with points";
  ASSERT_TRUE(WriteDocument(*v1, dir / "v2.vxd", error)) << error;
  const auto v2 = ReadDocument(dir / "v2.vxd", error);
  ASSERT_TRUE(v2) << error;
  EXPECT_EQ(v2->layers[0]->group->firstChild->segments, first->segments);
  EXPECT_EQ(v2->layers[0]->group->firstChild->next->segments, first->next->segments);
  EXPECT_EQ(RenderSvg(*v2), RenderSvg(*v1));
}

// The reader takes the file in pieces: numbers and texts cut by a piece's end come back whole,
// and a fault far into a file of many lines is placed by line and column.
TEST_F(DocumentTest, LargeDocumentsLoadPieceByPiece) {
  TempDir dir;
  std::vector<PathSegment> line;
  for (int i = 0; i < 200000; ++i) line.push_back(Corner(123456.789012345 + i * 1e-7, -0.1 * i));
  const std::string title(3'000'000, 'x');
  LayerHandle l = nullptr;
  ASSERT_EQ(sLayer()->GetFirstLayer(l), kNoErr);
  ASSERT_EQ(sLayer()->SetLayerTitle(l, title), kNoErr);
  NewPath(Group(l), line, false);
  std::string error;
  ASSERT_TRUE(host->SaveDocument(dir / "a.vxd", error)) << error;
  const auto loaded = ReadDocument(dir / "a.vxd", error);
  ASSERT_TRUE(loaded) << error;
  EXPECT_EQ(loaded->layers[0]->title, title);
  EXPECT_EQ(loaded->layers[0]->group->firstChild->segments, line);

  {
    std::ofstream f(dir / "b.vxd", std::ios::binary);
    f << R"({"format":"vxshape-document","version":2,"layers":)" << std::string(2'500'000, '\n') << "  [}";
  }
  EXPECT_FALSE(ReadDocument(dir / "b.vxd", error));
  EXPECT_NE(error.find("line 2500001, column 4: "), std::string::npos) << error;
}

// A save that fails, at any point, leaves the previous file as it was and no temporary behind;
// nothing is thrown.
TEST_F(DocumentTest, FailedSavesLeaveThePreviousFile) {
  TempDir dir;
  const auto file = dir / "a.vxd";
  std::string error;
  ASSERT_TRUE(host->SaveDocument(file, error)) << error;
  const auto before = std::filesystem::file_size(file);
  LayerHandle layer = nullptr;
  ASSERT_EQ(sLayer()->GetFirstLayer(layer), kNoErr);
  ArtHandle g = Group(layer);
  for (int i = 0; i < 2000; ++i) NewPath(g, {Corner(i, 1), Corner(2, i)}, false);

  struct Case {
    const char* why;
    std::function<void()> spoil, mend;
    const char* says;
  } cases[] = {
      {"a coordinate that is not a number", [&] {
         PathSegment s = g->firstChild->segments[1];
         s.p.v = std::nan("");
         g->firstChild->segments.Set(1, s);
       },
       [&] {
         PathSegment s = g->firstChild->segments[1];
         s.p.v = 0;
         g->firstChild->segments.Set(1, s);
       },
       "layers[0].group.children[0].segments (layer \"レイヤー 1\"): the number nan cannot be saved"},
      {"a dictionary holding itself",
       [&] {
         DictionaryRef d;
         sArt()->GetDictionary(g->firstChild, d);
         d->Set("me", Entry::FromDictionary(d));
       },
       [&] {
         g->firstChild->dictionary->Delete("me");
         g->firstChild->dictionary.reset();
       },
       "children[0].dict (layer \"レイヤー 1\"): a dictionary contains itself"},
#ifndef _WIN32  // no file size limit to set on Windows
      {"the file system refuses more bytes",
       [&] {
         signal(SIGXFSZ, SIG_IGN);
         rlimit lim{};
         getrlimit(RLIMIT_FSIZE, &lim);
         lim.rlim_cur = 4096;
         setrlimit(RLIMIT_FSIZE, &lim);
       },
       [&] {
         rlimit lim{};
         getrlimit(RLIMIT_FSIZE, &lim);
         lim.rlim_cur = lim.rlim_max;
         setrlimit(RLIMIT_FSIZE, &lim);
         signal(SIGXFSZ, SIG_DFL);
       },
       "cannot write"},
#endif
      {"the target is a folder that is not empty",
       [&] {
         std::filesystem::rename(file, dir / "saved.vxd");
         std::filesystem::create_directories(file / "x");
       },
       [&] {
         std::filesystem::remove_all(file);
         std::filesystem::rename(dir / "saved.vxd", file);
       },
       "cannot replace"},
  };
  for (const Case& c : cases) {
    c.spoil();
    bool saved = true;
    EXPECT_NO_THROW(saved = host->SaveDocument(file, error)) << c.why;
    c.mend();
    EXPECT_FALSE(saved) << c.why;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.why << ": " << error;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      EXPECT_EQ(e.path().filename().string().find(".vxtmp"), std::string::npos) << c.why << ": " << e.path();
    EXPECT_EQ(std::filesystem::file_size(file), before) << c.why;
    EXPECT_TRUE(ReadDocument(file, error)) << c.why << ": " << error;
  }
  EXPECT_TRUE(host->SaveDocument(file, error)) << error;
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

// An entry keeps short texts in place and long ones in a block of their own: every value comes
// through copies, moves and assignments over entries of other kinds unchanged, and a moved-from
// entry is an integer 0.
TEST(EntryValue, CopiesMovesAndAssignmentsKeepTheValue) {
  auto array = std::make_shared<ArrayImpl>();
  auto dict = std::make_shared<DictionaryImpl>();
  const std::string longText(1000, 'x');
  const std::vector<std::pair<Entry, std::string>> cases = {
      {Entry::Integer(-7), "int -7"},
      {Entry::Boolean(true), "bool 1"},
      {Entry::Real(-0.1), "real -0.1"},
      {Entry::String(""), "string "},
      {Entry::String("東京都千代田区丸"), "string 東京都千代田区丸"},    // 24 bytes: a block
      {Entry::String("路線20000号線"), "string 路線20000号線"},          // 17 bytes: in place
      {Entry::String(std::string(22, 'a')), "string " + std::string(22, 'a')},  // the most in place
      {Entry::String(std::string(23, 'a')), "string " + std::string(23, 'a')},  // the least in a block
      {Entry::String(std::string("a\0b", 3)), std::string("string a\0b", 10)},
      {Entry::String(longText), "string " + longText},
      {Entry::FromArray(array), "array"},
      {Entry::FromDictionary(dict), "dict"},
  };
  auto show = [&](const Entry& e) -> std::string {
    std::int32_t i = 0;
    bool b = false;
    double r = 0;
    std::string s;
    ArrayRef a;
    DictionaryRef d;
    if (e.AsInteger(i) == kNoErr) return "int " + std::to_string(i);
    if (e.AsBoolean(b) == kNoErr) return "bool " + std::to_string(b);
    if (e.AsReal(r) == kNoErr) return r == -0.1 ? "real -0.1" : "real ?";
    if (e.AsString(s) == kNoErr) return "string " + s;
    if (e.AsArray(a) == kNoErr) return a == array ? "array" : "array ?";
    if (e.AsDictionary(d) == kNoErr) return d == dict ? "dict" : "dict ?";
    return "?";
  };
  for (const auto& [e, want] : cases) {
    SCOPED_TRACE(want.substr(0, 40));
    EXPECT_EQ(show(e), want);
    Entry copy(e);
    EXPECT_EQ(show(copy), want);
    Entry moved(std::move(copy));
    EXPECT_EQ(show(moved), want);
    EXPECT_EQ(show(copy), "int 0");  // NOLINT: the moved-from state is part of the contract
    for (const auto& [other, unused] : cases) {
      Entry target(other);
      target = e;
      EXPECT_EQ(show(target), want);
      Entry source(e), target2(other);
      target2 = std::move(source);
      EXPECT_EQ(show(target2), want);
    }
    Entry self(e);
    const Entry& alias = self;
    self = alias;
    EXPECT_EQ(show(self), want);
  }
  // Only the entries above hold the shared containers.
  EXPECT_EQ(array.use_count(), 2);
  EXPECT_EQ(dict.use_count(), 2);
}

// Small arrays of plain values are packed when stored in a container; what they hold, read in
// any way, stays the same, and changing one afterwards (undoably) unpacks it.
TEST(ArrayStorage, SettledArraysKeepTheirEntriesAndStayChangeable) {
  auto inner = std::make_shared<ArrayImpl>();
  struct Case {
    const char* name;
    std::vector<Entry> entries;
  };
  std::vector<Entry> many;
  for (std::int32_t i = 0; i < 17; ++i) many.push_back(Entry::Integer(i));
  const std::vector<Entry> sixteen(many.begin(), many.begin() + 16);
  const std::vector<Case> cases = {
      {"a record's field", {Entry::String("NAME"), Entry::Integer(67), Entry::Integer(20), Entry::Integer(0),
                            Entry::String("東京都千代田区丸の内一丁目")}},
      {"every plain type", {Entry::Integer(INT32_MIN), Entry::Integer(INT32_MAX), Entry::Boolean(true),
                            Entry::Boolean(false), Entry::Real(-0.0), Entry::Real(0.1), Entry::Real(-1e308)}},
      {"texts at the edges", {Entry::String(""), Entry::String(std::string(22, 'a')), Entry::String(std::string(23, 'b')),
                              Entry::String(std::string(255, 'c')), Entry::String(std::string("\0\xff", 2))}},
      {"a text too long to pack", {Entry::Integer(1), Entry::String(std::string(256, 'd')), Entry::Integer(2)}},
      {"a container among them", {Entry::Integer(1), Entry::FromArray(inner)}},
      {"sixteen entries", sixteen},
      {"seventeen entries", many},
      {"one entry", {Entry::Boolean(true)}},
      {"none", {}},
  };
  auto same = [](const Entry& a, const Entry& b) {
    if (a.Type() != b.Type()) return false;
    std::int32_t i = 0, j = 0;
    bool x = false, y = false;
    double r = 0, s = 0;
    ArrayRef p, q;
    switch (a.Type()) {
      case EntryType::Integer: return a.AsInteger(i) == kNoErr && b.AsInteger(j) == kNoErr && i == j;
      case EntryType::Boolean: return a.AsBoolean(x) == kNoErr && b.AsBoolean(y) == kNoErr && x == y;
      case EntryType::Real:  // bit for bit: -0 stays -0
        return a.AsReal(r) == kNoErr && b.AsReal(s) == kNoErr && std::memcmp(&r, &s, sizeof r) == 0;
      case EntryType::String: return a.Text() == b.Text();
      case EntryType::Array: return a.AsArray(p) == kNoErr && b.AsArray(q) == kNoErr && p == q;
      default: return false;
    }
  };
  auto expectHolds = [&](const ArrayImpl& a, const std::vector<Entry>& want) {
    ASSERT_EQ(a.Count(), static_cast<std::int32_t>(want.size()));
    for (std::size_t i = 0; i < want.size(); ++i) {
      Entry e;
      ASSERT_EQ(a.Get(static_cast<std::int32_t>(i), e), kNoErr);
      EXPECT_TRUE(same(e, want[i])) << "entry " << i;
    }
    std::size_t n = 0;
    ForEachEntry(a, [&](const std::string* key, const Entry& e) {
      EXPECT_EQ(key, nullptr);
      EXPECT_TRUE(n < want.size() && same(e, want[n])) << "entry " << n << " in order";
      ++n;
    });
    EXPECT_EQ(n, want.size());
    Entry e;
    EXPECT_EQ(a.Get(static_cast<std::int32_t>(want.size()), e), kOutOfRange);
    EXPECT_EQ(a.Get(-1, e), kOutOfRange);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Document doc;
    auto holder = std::make_shared<DictionaryImpl>();
    auto a = std::make_shared<ArrayImpl>();
    for (const Entry& e : c.entries) ASSERT_EQ(a->Append(e), kNoErr);
    ASSERT_EQ(holder->Set("list", Entry::FromArray(a)), kNoErr);  // settles it
    expectHolds(*a, c.entries);
    ASSERT_EQ(holder->Set("again", Entry::FromArray(a)), kNoErr);
    expectHolds(*a, c.entries);

    // Changed in an undo step that began after it was made: undo and redo put each state back.
    doc.journal.Begin();
    std::vector<Entry> changed = c.entries;
    changed.push_back(Entry::String("末尾"));
    ASSERT_EQ(a->Append(changed.back()), kNoErr);
    if (!c.entries.empty()) {
      changed[0] = Entry::Real(2.5);
      ASSERT_EQ(a->Set(0, changed[0]), kNoErr);
    }
    doc.journal.End();
    expectHolds(*a, changed);
    a->Fit();  // packs it again
    ASSERT_TRUE(doc.journal.Undo());
    expectHolds(*a, c.entries);
    ASSERT_TRUE(doc.journal.Redo());
    expectHolds(*a, changed);
    a->Fit();
    ASSERT_TRUE(doc.journal.Undo());
    expectHolds(*a, c.entries);
    ASSERT_EQ(a->Clear(), kNoErr);
    EXPECT_EQ(a->Count(), 0);
    doc.journal.SetActive(false);
  }
}

}  // namespace
}  // namespace vx::test
