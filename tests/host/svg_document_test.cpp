// Inkscape SVG documents: what the host reads of them, that a save keeps what it does not
// understand, and that damaged or hostile files are refused with the line at fault.
#include "host/svg_document.h"
#include "host/svg.h"
#include "host/svg_path.h"
#include "shell/host/files.h"
#include "shell/text/text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <climits>
#include <cmath>
#include <fstream>
#include <sstream>

namespace vx::test {
namespace {

using namespace vx::host;

constexpr double kMm = 72 / 25.4;  // points in a millimetre: the fixture's user unit

std::string Fixture() {
  std::ifstream in(std::string(VX_SOURCE_DIR) + "/tests/inkscape/data/inkscape-sheet.svg", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::unique_ptr<Document> Load(const std::string& text) {
  std::string error;
  auto doc = ParseSvgDocument(text, "t.svg", error);
  EXPECT_TRUE(doc) << error;
  return doc;
}

LayerOpaque* LayerNamed(Document& d, const std::string& title) {
  for (LayerOpaque* l : d.PreorderLayers())
    if (l->title == title) return l;
  ADD_FAILURE() << "no layer " << title;
  return nullptr;
}

std::vector<ArtOpaque*> Children(ArtOpaque* a) {
  std::vector<ArtOpaque*> out;
  for (ArtOpaque* c = a->firstChild; c; c = c->next) out.push_back(c);
  return out;
}

// The element of `doc` with this id.
pugi::xml_node ById(const pugi::xml_document& doc, const char* id) {
  return doc.find_node([&](const pugi::xml_node& n) { return std::string_view(n.attribute("id").value()) == id; });
}

// Same elements, attributes (in order) and text, comments and processing instructions included.
void ExpectSameXml(const pugi::xml_node& a, const pugi::xml_node& b, const std::string& where) {
  ASSERT_EQ(a.type(), b.type()) << where;
  ASSERT_STREQ(a.name(), b.name()) << where;
  ASSERT_STREQ(a.value(), b.value()) << where;
  auto x = a.attributes_begin(), y = b.attributes_begin();
  for (; x != a.attributes_end() && y != b.attributes_end(); ++x, ++y) {
    EXPECT_STREQ(x->name(), y->name()) << where;
    EXPECT_STREQ(x->value(), y->value()) << where << "/@" << x->name();
  }
  EXPECT_TRUE(x == a.attributes_end() && y == b.attributes_end()) << where << ": attributes differ in number";
  pugi::xml_node c = a.first_child(), d = b.first_child();
  for (int i = 0; c && d; c = c.next_sibling(), d = d.next_sibling(), ++i)
    ExpectSameXml(c, d, where + "/" + c.name() + "[" + std::to_string(i) + "]");
  EXPECT_TRUE(!c && !d) << where << ": children differ in number";
}

pugi::xml_document Xml(const std::string& text) {
  pugi::xml_document d;
  EXPECT_TRUE(d.load_string(text.c_str(), pugi::parse_full | pugi::parse_ws_pcdata));
  return d;
}

TEST(SvgDocument, ReadsLayersArtAndPageCoordinatesOfAnInkscapeFile) {
  auto doc = Load(Fixture());
  ASSERT_TRUE(doc);
  // An A4 landscape sheet in millimetres is seen in points, v up from its lower edge.
  EXPECT_NEAR(doc->bounds.right, 297 * kMm, 1e-9);
  EXPECT_NEAR(doc->bounds.top, 210 * kMm, 1e-9);
  EXPECT_EQ(doc->bounds.left, 0);
  EXPECT_EQ(doc->bounds.bottom, 0);
  ASSERT_EQ(doc->layers.size(), 2u);
  EXPECT_EQ(doc->layers[0]->title, "移動済み");  // the last in the file is on top
  EXPECT_EQ(doc->layers[1]->title, "背景");
  EXPECT_EQ(doc->current, doc->layers[1]);  // Inkscape's current layer
  LayerOpaque* sub = LayerNamed(*doc, "下位");
  ASSERT_TRUE(sub);
  EXPECT_FALSE(sub->visible);
  EXPECT_FALSE(sub->editable);
  EXPECT_EQ(doc->ParentLayer(sub), doc->layers[0]);

  // Top first: text, circle, image, use, rect.
  const auto art = Children(doc->layers[1]->group);
  ASSERT_EQ(art.size(), 5u);
  EXPECT_EQ(art[0]->type, ArtType::TextFrame);
  EXPECT_EQ(text::Utf16ToUtf8(art[0]->Extra().text), "既存の文字");
  EXPECT_NEAR(art[0]->Extra().fontSize, 6 * kMm, 1e-9);
  EXPECT_NEAR(art[0]->Extra().anchor.h, 150 * kMm, 1e-9);
  EXPECT_NEAR(art[0]->Extra().anchor.v, 60 * kMm, 1e-9);
  EXPECT_EQ(art[1]->type, ArtType::Path);  // the circle, as four arcs
  EXPECT_EQ(art[1]->segments.size(), 4u);
  EXPECT_TRUE(art[1]->closed);
  EXPECT_EQ(art[1]->style->fill.color, Color::Rgb(0, 1, 0));
  EXPECT_EQ(art[2]->type, ArtType::Other);
  EXPECT_EQ(art[3]->type, ArtType::Other);
  ASSERT_EQ(art[4]->type, ArtType::Path);  // the rectangle
  EXPECT_NEAR(art[4]->segments[0].p.h, 10 * kMm, 1e-9);
  EXPECT_NEAR(art[4]->segments[0].p.v, 200 * kMm, 1e-9);
  EXPECT_NEAR(art[4]->style->stroke.width, 0.5 * kMm, 1e-12);

  // The curve sits in a layer moved by (20, 30) mm: the host sees it where it is drawn.
  const auto moved = Children(sub->group);
  ASSERT_EQ(moved.size(), 1u);
  ASSERT_EQ(moved[0]->type, ArtType::CompoundPath);
  EXPECT_TRUE(moved[0]->style->evenOdd);
  const auto parts = Children(moved[0]);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_NEAR(parts[0]->segments[0].p.h, 20 * kMm, 1e-9);
  EXPECT_NEAR(parts[0]->segments[0].p.v, 180 * kMm, 1e-9);
  EXPECT_TRUE(parts[0]->closed);
  EXPECT_NEAR(parts[1]->segments[0].p.h, 70 * kMm, 1e-9);
  EXPECT_EQ(parts[1]->segments.size(), 3u);
}

TEST(SvgDocument, OpenAndSaveWithoutChangeGivesTheSameXml) {
  const std::string original = Fixture();
  auto doc = Load(original);
  ASSERT_TRUE(doc);
  const std::string saved = SvgDocumentText(*doc);
  ExpectSameXml(Xml(original), Xml(saved), "");
  // And again after a second save of the same document.
  ExpectSameXml(Xml(original), Xml(SvgDocumentText(*doc)), "");
}

TEST(SvgDocument, ChangesTouchOnlyTheirElementsAndKeepPageCoordinates) {
  auto doc = Load(Fixture());
  ASSERT_TRUE(doc);
  LayerOpaque* sub = LayerNamed(*doc, "下位");
  // New art in the moved layer, at page coordinates, with data and an exact CMYK colour.
  ArtOpaque* p = doc->NewNode(ArtType::Path);
  p->segments = {{{100, 200}, {100, 200}, {100, 200}}, {{150, 250}, {120, 200}, {150, 250}}};
  PathStyle style = p->style;
  style.fill.color = Color::Cmyk(0.1, 0.2, 0.3, 0.4);
  p->style = style;
  auto dict = std::make_shared<DictionaryImpl>();
  auto list = std::make_shared<ArrayImpl>();
  list->Append(Entry::String("名称"));
  list->Append(Entry::Integer(-7));
  list->Append(Entry::Real(0.1));
  list->Append(Entry::String("\x82\xa0"));  // Shift-JIS bytes
  dict->Set("Varnox-ShapeField", Entry::FromArray(list));
  dict->Set("flag", Entry::Boolean(true));
  p->dictionary = dict;
  p->EditExtra().tags.push_back({"name", "string", "値"});
  ASSERT_EQ(doc->Place(p, PaintOrder::InsideOnTop, sub->group), kNoErr);
  // The circle goes, the text is renamed.
  ArtOpaque* background = doc->layers[1]->group;
  doc->Dispose(Children(background)[1]);
  Children(background)[0]->EditExtra().text = u"新しい文字";

  const std::string saved = SvgDocumentText(*doc);
  const pugi::xml_document before = Xml(Fixture()), after = Xml(saved);
  // Untouched elements are as they were; the removed one is gone.
  for (const char* id : {"frame", "use1", "image1", "curve", "defs1", "metadata1", "namedview1", "title1"})
    ExpectSameXml(ById(before, id), ById(after, id), id);
  EXPECT_FALSE(ById(after, "dot"));
  EXPECT_TRUE(ById(after, "defs1").child("filter"));  // what only the circle used stays
  // The new path is written in the layer's own coordinates: (20, 30) mm less.
  pugi::xml_node layer3 = ById(after, "layer3");
  pugi::xml_node added = layer3.last_child();
  ASSERT_STREQ(added.name(), "path");
  std::vector<svg::Subpath> subs;
  std::string err;
  ASSERT_TRUE(svg::ParsePathData(added.attribute("d").value(), {}, subs, err)) << err;
  EXPECT_NEAR(subs[0].segments[0].p.h, 100 / kMm - 20, 1e-9);
  EXPECT_NEAR(subs[0].segments[0].p.v, 210 - 200 / kMm - 30, 1e-9);
  EXPECT_NE(std::string(added.attribute("style").value()).find("fill:#8a7a6b"), std::string::npos);

  // Read back: the same page coordinates, colour, data and text.
  auto again = Load(saved);
  ASSERT_TRUE(again);
  const auto art = Children(LayerNamed(*again, "下位")->group);
  ASSERT_EQ(art.size(), 2u);
  ArtOpaque* q = art[0];
  ASSERT_EQ(q->segments.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_NEAR(q->segments[i].p.h, p->segments[i].p.h, 1e-9);
    EXPECT_NEAR(q->segments[i].p.v, p->segments[i].p.v, 1e-9);
    EXPECT_NEAR(q->segments[i].in.h, p->segments[i].in.h, 1e-9);
  }
  EXPECT_EQ(q->style->fill.color, Color::Cmyk(0.1, 0.2, 0.3, 0.4));
  ASSERT_TRUE(q->dictionary);
  Entry e;
  ASSERT_EQ(q->dictionary->Get("Varnox-ShapeField", e), kNoErr);
  ArrayRef a;
  ASSERT_EQ(e.AsArray(a), kNoErr);
  ASSERT_EQ(a->Count(), 4);
  std::string s;
  double r = 0;
  std::int32_t n = 0;
  a->Get(0, e), e.AsString(s);
  EXPECT_EQ(s, "名称");
  a->Get(1, e), e.AsInteger(n);
  EXPECT_EQ(n, -7);
  a->Get(2, e), e.AsReal(r);
  EXPECT_EQ(r, 0.1);
  a->Get(3, e), e.AsString(s);
  EXPECT_EQ(s, "\x82\xa0");
  ASSERT_EQ(q->Extra().tags.size(), 1u);
  EXPECT_EQ(q->Extra().tags[0].value, "値");
  EXPECT_EQ(text::Utf16ToUtf8(Children(again->layers[1]->group)[0]->Extra().text), "新しい文字");
  // A colour Inkscape changed is the new colour, not the remembered CMYK.
  std::string edited = saved;
  const std::size_t at = edited.find("fill:#8a7a6b");
  ASSERT_NE(at, std::string::npos);
  edited.replace(at, 12, "fill:#ff0000");
  auto recoloured = Load(edited);
  EXPECT_EQ(Children(LayerNamed(*recoloured, "下位")->group)[0]->style->fill.color, Color::Rgb(1, 0, 0));
}

TEST(SvgDocument, ArtMovedBetweenTransformedLayersStaysWhereItIsDrawn) {
  auto doc = Load(Fixture());
  ASSERT_TRUE(doc);
  ArtOpaque* rect = Children(doc->layers[1]->group)[4];
  const RealPoint was = rect->segments[0].p;
  ASSERT_EQ(doc->Place(rect, PaintOrder::InsideOnTop, LayerNamed(*doc, "下位")->group), kNoErr);
  auto again = Load(SvgDocumentText(*doc));
  ASSERT_TRUE(again);
  const auto art = Children(LayerNamed(*again, "下位")->group);
  ASSERT_EQ(art.size(), 2u);
  EXPECT_NEAR(art[0]->segments[0].p.h, was.h, 1e-9);
  EXPECT_NEAR(art[0]->segments[0].p.v, was.v, 1e-9);
  EXPECT_EQ(Children(again->layers[1]->group).size(), 4u);
}

TEST(SvgDocument, NewDocumentIsAnInkscapeSheetInPoints) {
  Document d;
  LayerOpaque* l = d.NewLayer("レイヤー 1");
  d.layers.push_back(l);
  d.current = l;
  d.bounds = {0, 595, 842, 0};
  const std::string text = SvgDocumentText(d);
  const pugi::xml_document x = Xml(text);
  pugi::xml_node root = x.document_element();
  EXPECT_STREQ(root.attribute("width").value(), "842pt");
  EXPECT_STREQ(root.attribute("viewBox").value(), "0 0 842 595");
  pugi::xml_node g = root.child("g");
  EXPECT_STREQ(g.attribute("inkscape:groupmode").value(), "layer");
  EXPECT_STREQ(g.attribute("inkscape:label").value(), "レイヤー 1");
  auto again = Load(text);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->bounds, d.bounds);
}

// The file is written in pieces as it is made; characters cut between pieces, and those XML cannot
// hold, come out as when the whole is made at once.
TEST(SvgDocument, SavedFileIsTheWholeTextWhereverItsPiecesEnd) {
  Document d;
  std::string title;
  for (int i = 0; i < 30000; ++i) title += i % 997 == 0 ? "\xEF\xBF\xBF" : i % 3 ? "駅" : "𝄞a";
  LayerOpaque* l = d.NewLayer(title);
  d.layers.push_back(l);
  d.current = l;
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "vx-svg-pieces-test.svg";
  std::string error;
  ASSERT_TRUE(WriteSvgDocument(d, file, error)) << error;
  std::stringstream saved;
  {
    std::ifstream in(file, std::ios::binary);
    saved << in.rdbuf();
  }  // closed before it is removed, as Windows wants
  std::filesystem::remove(file);
  EXPECT_EQ(saved.str(), SvgDocumentText(d));
  EXPECT_EQ(saved.str().find("\xEF\xBF\xBF"), std::string::npos);
}

// The writer is our own (it makes path data and dictionaries straight into the file): what it
// writes of a tree must be what pugixml writes of it, character for character, once the
// characters XML cannot hold are replaced.
TEST(SvgDocument, UnchangedDocumentIsWrittenAsPugixmlWritesIt) {
  const std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'";
  std::string large = svg + "><g id='big'>";
  for (int i = 0; i < 40000; ++i) large += "<path d='M" + std::to_string(i) + " 0 L 1 2 3 4' class='駅&amp;\"'/>";
  large += "</g></svg>";
  const std::string cases[] = {
      svg + "/>",  // no declaration: one is added
      "<?xml version='1.0' encoding='UTF-8' standalone=\"no\"?>\n<!-- a -- comment- -->\n" + svg + ">\n  <title>t</title>\n</svg>\n",
      "<!DOCTYPE svg PUBLIC '-//W3C//DTD SVG 1.1//EN' 'http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd'>" + svg +
          "><?pi some ?> value?><?bare?></svg>",
      svg + " a='tab\tline\nreturn\r&#13;quote&quot;apos&apos;lt&lt;gt>amp&amp;' b=\"&#1;&#31;\"/>",
      svg + "><text>a &lt; b &gt; c &amp; \"d\" 'e'\t\n&#2;</text><![CDATA[x]]>y]]></svg>",
      svg + " label='\xC3 \xEF\xBF\xBE \xED\xA0\x80 駅 \xF0\x9D\x84\x9E'><desc>\xFF\xFE駅\xE9\xA7</desc><!--\xC3--></svg>",
      "<svg:svg xmlns:svg='http://www.w3.org/2000/svg' width='10' height='10'><svg:g/><empty></empty></svg:svg>",
      large,  // written to the file in several pieces
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 120));
    pugi::xml_document x;
    ASSERT_TRUE(x.load_buffer(text.data(), text.size(), pugi::parse_full | pugi::parse_ws_pcdata));
    struct Collect : pugi::xml_writer {
      std::string out;
      void write(const void* data, std::size_t size) override { out.append(static_cast<const char*>(data), size); }
    } w;
    x.save(w, "", pugi::format_raw, pugi::encoding_utf8);
    const std::string expected = XmlCharsOnly(w.out);
    auto doc = Load(text);
    ASSERT_TRUE(doc);
    EXPECT_EQ(SvgDocumentText(*doc), expected);
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "vx-svg-writer-test.svg";
    std::string error;
    ASSERT_TRUE(WriteSvgDocument(*doc, file, error)) << error;
    std::stringstream saved;
    {
      std::ifstream in(file, std::ios::binary);
      saved << in.rdbuf();
    }
    std::filesystem::remove(file);
    EXPECT_EQ(saved.str(), expected);
  }
}

// Path data and dictionaries are made from the art each time the file is written, not kept in the
// tree: after art is changed, removed or left alone, each save shows the art as it is then.
TEST(SvgDocument, PathDataAndDictionariesFollowTheArtAcrossSaves) {
  Document d;
  LayerOpaque* l = d.NewLayer("L");
  d.layers.push_back(l);
  d.current = l;
  d.bounds = {0, 1000, 1000, 0};
  auto segs = [](std::initializer_list<RealPoint> pts) {
    std::vector<PathSegment> s;
    for (const RealPoint& p : pts) s.push_back({p, p, p, false});
    return s;
  };
  auto dictOf = [](const char* key, std::int32_t v) {
    auto dict = std::make_shared<DictionaryImpl>();
    dict->Set(key, Entry::Integer(v));
    return dict;
  };
  ArtOpaque* line = d.NewNode(ArtType::Path);
  line->segments = segs({{1, 2}, {3.5, 4}, {5, 6.25}});
  line->dictionary = dictOf("n", 1);
  ArtOpaque* curve = d.NewNode(ArtType::Path);
  curve->segments = std::vector<PathSegment>{{{10, 10}, {10, 10}, {12, 14}, false}, {{20, 10}, {18, 14}, {20, 10}, false}};
  curve->closed = true;
  ArtOpaque* compound = d.NewNode(ArtType::CompoundPath);
  ArtOpaque* empty = d.NewNode(ArtType::Path);  // a part without points adds nothing
  ArtOpaque* ring = d.NewNode(ArtType::Path);
  ring->segments = segs({{100, 100}, {200, 100}, {200, 200}});
  ring->closed = true;
  ASSERT_EQ(d.Place(empty, PaintOrder::InsideOnTop, compound), kNoErr);
  ASSERT_EQ(d.Place(ring, PaintOrder::InsideOnBottom, compound), kNoErr);
  for (ArtOpaque* a : {line, curve, compound}) ASSERT_EQ(d.Place(a, PaintOrder::InsideOnBottom, l->group), kNoErr);

  // Each save read back: the art of the layer, top first, with their points and dictionaries.
  auto check = [&](const std::string& text, const std::vector<const ArtOpaque*>& want) {
    auto back = Load(text);
    ASSERT_TRUE(back);
    const std::vector<ArtOpaque*> art = Children(back->layers.front()->group);
    ASSERT_EQ(art.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
      std::vector<const ArtOpaque*> a{art[i]}, w{want[i]};
      if (want[i]->type == ArtType::CompoundPath) {
        w = {ring};  // one subpath: read back as a path
        ASSERT_EQ(art[i]->type, ArtType::Path) << i;
      }
      ASSERT_EQ(a.size(), w.size()) << i;
      for (std::size_t k = 0; k < a.size(); ++k) {
        EXPECT_EQ(a[k]->segments, w[k]->segments) << i;
        EXPECT_EQ(a[k]->closed, w[k]->closed) << i;
      }
      Entry e, f;
      const bool has = want[i]->dictionary && !want[i]->dictionary->Keys().empty();
      EXPECT_EQ(art[i]->dictionary && !art[i]->dictionary->Keys().empty(), has) << i;
      if (has) {
        ASSERT_EQ(art[i]->dictionary->Get("n", e), kNoErr);
        want[i]->dictionary->Get("n", f);
        std::int32_t x = 0, y = 1;
        e.AsInteger(x), f.AsInteger(y);
        EXPECT_EQ(x, y) << i;
      }
    }
  };
  const std::string first = SvgDocumentText(d);
  check(first, {line, curve, compound});
  EXPECT_EQ(SvgDocumentText(d), first);  // saved again unchanged

  line->segments = segs({{7, 8}, {9, 10}});
  line->dictionary = dictOf("n", 2);
  curve->dictionary = dictOf("n", 3);
  ring->segments = segs({{300, 300}, {400, 300}, {400, 400}, {300, 450}});
  d.Dispose(compound);
  const std::string second = SvgDocumentText(d);
  check(second, {line, curve});
  EXPECT_EQ(SvgDocumentText(d), second);

  line->dictionary = std::make_shared<DictionaryImpl>();  // emptied: the attribute goes
  ArtOpaque* added = d.NewNode(ArtType::Path);
  added->segments = segs({{0.25, 0.5}, {0.75, 1.125}});  // exact after the page's flip
  ASSERT_EQ(d.Place(added, PaintOrder::InsideOnTop, l->group), kNoErr);
  const std::string third = SvgDocumentText(d);
  check(third, {added, line, curve});
  EXPECT_EQ(third.find("\"n\":{\"int\":1}"), std::string::npos);
}

// New art's style text is made once for each look in turn: art of alternating looks, hidden or
// half opaque, reads back each with its own paint.
TEST(SvgDocument, NewArtOfSeveralLooksKeepsEachItsOwnPaint) {
  PathStyle red;
  red.fill.color = Color::Rgb(1, 0, 0);
  red.strokePaint = true;
  red.stroke.color = Color::Cmyk(0, 0, 0, 1);
  red.stroke.width = 2;
  PathStyle grey = red;
  grey.fill.color = Color::Cmyk(0, 0, 0, 0.5);
  grey.stroke.dashCount = 2;
  grey.stroke.dashes = {3, 1};
  PathStyle none = red;
  none.fillPaint = false;
  none.evenOdd = true;
  struct Case {
    const PathStyle* style;
    bool hidden;
    double opacity;
  };
  const Case cases[] = {{&red, false, 1}, {&grey, false, 1}, {&red, false, 1}, {&red, true, 1},
                        {&red, false, 0.5}, {&none, false, 1}, {&grey, true, 0.25}, {&red, false, 1}};
  auto doc = Load(Fixture());
  ASSERT_TRUE(doc);
  LayerOpaque* sub = LayerNamed(*doc, "下位");
  for (const Case& c : cases) {
    ArtOpaque* p = doc->NewNode(ArtType::Path);
    p->segments = {{{1, 2}, {1, 2}, {1, 2}}, {{3, 4}, {3, 4}, {3, 4}}};
    p->style = *c.style;
    if (c.hidden) p->flags |= kArtHidden;
    p->opacity = c.opacity;
    ASSERT_EQ(doc->Place(p, PaintOrder::InsideOnBottom, sub->group), kNoErr);
  }
  auto again = Load(SvgDocumentText(*doc));
  ASSERT_TRUE(again);
  const auto art = Children(LayerNamed(*again, "下位")->group);
  ASSERT_EQ(art.size(), std::size(cases) + 1);  // after the curve already there
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const ArtOpaque* a = art[i + 1];
    const PathStyle& want = *cases[i].style;
    EXPECT_EQ(a->style->fillPaint, want.fillPaint) << i;
    if (want.fillPaint) {
      EXPECT_EQ(a->style->fill.color, want.fill.color) << i;
    }
    EXPECT_EQ(a->style->stroke.color, want.stroke.color) << i;
    EXPECT_NEAR(a->style->stroke.width, want.stroke.width, 1e-12) << i;
    EXPECT_EQ(a->style->stroke.dashCount, want.stroke.dashCount) << i;
    EXPECT_EQ(a->style->evenOdd, want.evenOdd) << i;
    EXPECT_EQ((a->flags & kArtHidden) != 0, cases[i].hidden) << i;
    EXPECT_EQ(a->opacity, cases[i].opacity) << i;
  }
}

// A dictionary is written as the JSON library wrote it (keys in byte order, its escapes, its
// layout of numbers) and reads back to the same entries.
TEST(SvgDocument, DictionaryTextIsTheJsonLibrarysAndReadsBackExactly) {
  using json = nlohmann::json;
  struct Case {
    Entry entry;
    json expected;  // what the entry was written as
  };
  auto array = [](std::vector<Entry> items) {
    auto a = std::make_shared<ArrayImpl>();
    for (const Entry& e : items) a->Append(e);
    return Entry::FromArray(a);
  };
  auto inner = std::make_shared<DictionaryImpl>();
  inner->Set("z", Entry::Boolean(false));
  inner->Set("\xFF", Entry::Integer(1));  // not UTF-8: a hex key, placed by its written name
  inner->Set("a", Entry::Integer(2));
  inner->Set("i", Entry::Integer(3));
  const Case cases[] = {
      {Entry::Integer(INT32_MIN), {{"int", INT32_MIN}}},
      {Entry::Boolean(true), {{"bool", true}}},
      {Entry::String("駅 \"q\" \\ / \b\f\n\r\t \x01\x1f\x7f <&>"), {{"string", "駅 \"q\" \\ / \b\f\n\r\t \x01\x1f\x7f <&>"}}},
      {Entry::String("\x82\xa0"), {{"stringHex", "82a0"}}},
      {array({Entry::Real(0.1), Entry::Integer(7), array({})}), {{"array", {{{"real", 0.1}}, {{"int", 7}}, {{"array", json::array()}}}}}},
      {Entry::FromDictionary(inner), {{"dict", {{"a", {{"int", 2}}}, {"hex:ff", {{"int", 1}}}, {"i", {{"int", 3}}}, {"z", {{"bool", false}}}}}}},
      {Entry::FromDictionary(std::make_shared<DictionaryImpl>()), {{"dict", json::object()}}},
  };
  const double reals[] = {1, -2.5, 0.0001, 0.00001, 123456789012345, 1234567890123456, 1e15, 1e16, 1e21, 1.5e-7,
                          -0.0, 0.0, 5e-324, 1.7976931348623157e308, 35.123456789012, 1.0 / 3};
  Document d;
  LayerOpaque* l = d.NewLayer("L");
  d.layers.push_back(l);
  d.current = l;
  auto dict = std::make_shared<DictionaryImpl>();
  json expected = json::object();
  int i = 0;
  for (const Case& c : cases) {
    const std::string key = "k" + std::to_string(i++);
    dict->Set(key, c.entry);
    expected[key] = c.expected;
  }
  for (std::size_t j = 0; j < std::size(reals); ++j) {
    dict->Set("r" + std::to_string(j), Entry::Real(reals[j]));
    expected["r" + std::to_string(j)] = {{"real", reals[j]}};
  }
  l->group->dictionary = dict;
  const std::string text = SvgDocumentText(d);
  const pugi::xml_document x = Xml(text);
  EXPECT_EQ(x.document_element().child("g").attribute("vx:dict").value(), expected.dump());

  auto back = Load(text);
  ASSERT_TRUE(back);
  const DictionaryRef& got = back->layers.front()->group->dictionary;
  ASSERT_TRUE(got);
  for (std::size_t j = 0; j < std::size(reals); ++j) {
    Entry e;
    ASSERT_EQ(got->Get("r" + std::to_string(j), e), kNoErr);
    double v = 1;
    ASSERT_EQ(e.AsReal(v), kNoErr);
    EXPECT_EQ(std::signbit(v), std::signbit(reals[j])) << reals[j];
    EXPECT_EQ(v, reals[j]);
  }
}

// What pugixml's own unformatted save writes of a text, with the characters XML cannot hold
// replaced: the bytes an unchanged document is saved as.
std::string PugixmlSave(const std::string& text) {
  pugi::xml_document x;
  EXPECT_TRUE(x.load_buffer(text.data(), text.size(), pugi::parse_full | pugi::parse_ws_pcdata));
  struct Collect : pugi::xml_writer {
    std::string out;
    void write(const void* data, std::size_t size) override { out.append(static_cast<const char*>(data), size); }
  } w;
  x.save(w, "", pugi::format_raw, pugi::encoding_utf8);
  return XmlCharsOnly(w.out);
}

std::string FileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
}

// Path data of 31 points with `sep` between its items: over 64 bytes, so kept in the file.
std::string LongData(const std::string& sep) {
  std::string s = "M 0 0";
  for (int i = 1; i <= 30; ++i) s += sep + "L" + sep + std::to_string(i) + sep + std::to_string(2 * i);
  return s;
}

// Values of `d` and of dictionaries over 64 bytes are not held while a document is open: they are
// read from the file (or the text) again when art is read and when the document is saved. The
// same art is read and the same bytes are written as pugixml would give, whatever their
// entities, character references, tabs, line ends and quotes, and wherever markup that looks
// like such attributes (in comments, CDATA, instructions, a doctype, other values) stands.
TEST(SvgDocument, LargeValuesAreReadFromTheFileAndWrittenAsBefore) {
  const std::string ns = "xmlns='http://www.w3.org/2000/svg' xmlns:inkscape='http://www.inkscape.org/namespaces/inkscape' "
                         "xmlns:vx='urn:vxshape:svg:1' width='100' height='100'";
  const std::string want = "a <b> & \"c\" 'd' \xE9\xA7\x85 e";  // the dictionary's "s"
  const std::string pad = ",\"pad\":{\"string\":\"0123456789012345678901234567890123456789\"}}";
  // The dictionary as written between double and single quotes, with white space of every kind.
  const std::string dictDouble = "{&quot;s&quot;:{&quot;string&quot;:&quot;a &lt;b> &amp; \\&quot;c\\&quot; 'd' \xE9\xA7\x85 e&quot;}" +
                                 std::string(",&quot;pad&quot;:{&quot;string&quot;:&quot;0123456789012345678901234567890123456789&quot;}}");
  const std::string dictSingle = "{\n\t\"s\" :\r\n{\"string\":&#x22;a &lt;b&gt; &#38; \\\"c\\\" &apos;d&apos; &#x99C5; e\"}&#10;" + pad;
  const std::string dictAscii = "{&quot;s&quot;:{&quot;string&quot;:&quot;a &lt;b> &amp; \\&quot;c\\&quot; 'd' &#x99C5; e&quot;}" +
                                std::string(",&quot;pad&quot;:{&quot;string&quot;:&quot;0123456789012345678901234567890123456789&quot;}}");
  struct Case {
    std::string before, rootExtra, outside;  // before the root, on it, in it before the layer
    char quote;
    std::string d, dict;
  };
  const std::string sneaky = "<path d='" + LongData(" ") + "'/>";
  const Case cases[] = {
      {"", "", "", '"', LongData(" "), dictDouble},
      {"", "", "", '\'', LongData("\t"), dictSingle},
      {"", "", "", '"', LongData("\n"), dictDouble},
      {"", "", "", '\'', LongData("\r\n"), dictSingle},
      {"", "", "", '"', LongData("&#32;"), dictDouble},
      {"", "", "", '\'', LongData("&#x9;&#10;\r"), dictSingle},
      {"<?xml version='1.0' encoding='UTF-8'?>\n<!DOCTYPE svg [\n<!-- " + sneaky + " -->\n<?pi " + sneaky +
           " ?>\n<!ATTLIST path d CDATA \"x>y\">\n]>\n",
       " o:dict='" + LongData(" ") + "' xmlns:o='urn:other'",
       "<!-- " + sneaky + " --><?pi " + sneaky + "?><text id='x\"y>z'><![CDATA[" + sneaky + "]]>" + sneaky +
           "</text><defs><font><glyph d = \"" + LongData("\n") + "\"/></font></defs>",
       '\'', LongData(" "), dictSingle},
      // Encodings a first pass over bytes does not read: the whole file is parsed.
      {"<?xml version='1.0' encoding='ISO-8859-1'?>\n<!-- caf\xE9 -->", "", "", '"', LongData(" "), dictAscii},
  };
  auto documentOf = [&](const Case& c) {
    const std::string q(1, c.quote);
    return c.before + "<svg " + ns + c.rootExtra + ">" + c.outside + "<g inkscape:groupmode='layer' vx:dict=" + q + c.dict + q +
           ">\n<path d=" + q + c.d + q + "/></g></svg>";
  };
  std::vector<std::string> texts;
  for (const Case& c : cases) texts.push_back(documentOf(c));
  // UTF-16 with its mark, of the first case's text (ASCII but for the dictionary's 駅).
  {
    std::string ascii = documentOf(cases[7]).substr(documentOf(cases[7]).find("<svg"));
    std::string utf16 = "\xFF\xFE";
    for (char ch : ascii) utf16 += std::string{ch, '\0'};
    texts.push_back(utf16);
  }
  Segments reference;
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "vx-svg-large-values.svg";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string& text = texts[i];
    std::string expected = PugixmlSave(text);
    // Written as UTF-8, under a declaration that says so.
    constexpr std::string_view latin1 = "encoding=\"ISO-8859-1\"";
    if (const auto at = expected.find(latin1); at != std::string::npos) expected.replace(at, latin1.size(), "encoding=\"UTF-8\"");
    auto check = [&](const Document& doc) {
      ASSERT_EQ(doc.layers.size(), 1u);
      const ArtOpaque* g = doc.layers.front()->group;
      ASSERT_TRUE(g->dictionary);
      Entry e;
      std::string s;
      ASSERT_EQ(g->dictionary->Get("s", e), kNoErr);
      ASSERT_EQ(e.AsString(s), kNoErr);
      EXPECT_EQ(s, want);
      ASSERT_TRUE(g->firstChild);
      EXPECT_EQ(g->firstChild->segments.size(), 31u);
      if (reference.size() == 0) reference = g->firstChild->segments;
      EXPECT_EQ(g->firstChild->segments, reference);
    };
    auto parsed = Load(text);
    ASSERT_TRUE(parsed);
    check(*parsed);
    EXPECT_EQ(SvgDocumentText(*parsed), expected);

    WriteText(file, text);
    std::string error;
    auto doc = ReadSvgDocument(file, error);
    ASSERT_TRUE(doc) << error;
    check(*doc);
    EXPECT_EQ(SvgDocumentText(*doc), expected);
    for (int save = 0; save < 2; ++save) {  // the second reads what the first wrote
      ASSERT_TRUE(WriteSvgDocument(*doc, file, error)) << error;
      EXPECT_EQ(FileText(file), expected) << save;
    }
    auto back = ReadSvgDocument(file, error);
    ASSERT_TRUE(back) << error;
    check(*back);
    EXPECT_EQ(SvgDocumentText(*back), expected);  // the Latin-1 comment's café, too
  }
  std::filesystem::remove(file);
}

// Saves read the values of unchanged art from the file last loaded or saved, as often as the
// document is saved, to its own file or elsewhere; a file rewritten or cut short since is not
// read: the save fails, saying so, and writes nothing.
TEST(SvgDocument, SavesReadLargeValuesFromTheLastFileOrRefuse) {
  const auto dir = std::filesystem::temp_directory_path() / "vx-svg-stubs";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const auto a = dir / "a.svg", b = dir / "b.svg", c = dir / "c.svg";
  std::string text = "<svg xmlns='http://www.w3.org/2000/svg' xmlns:inkscape='http://www.inkscape.org/namespaces/inkscape' "
                     "xmlns:vx='urn:vxshape:svg:1' width='100' height='100'><g inkscape:groupmode='layer'>";
  for (int i = 0; i < 3; ++i)
    text += "\n<path id='p" + std::to_string(i) + "' vx:dict='{\"n\":{\"int\":" + std::to_string(i) +
            "},\"pad\":{\"string\":\"0123456789012345678901234567890123456789\"}}' d='" + LongData(i == 1 ? "&#32;" : " ") + "'/>";
  text += "</g></svg>";
  WriteText(a, text);
  std::string error;
  auto doc = ReadSvgDocument(a, error);
  ASSERT_TRUE(doc) << error;
  std::vector<ArtOpaque*> art = Children(doc->layers.front()->group);
  ASSERT_EQ(art.size(), 3u);
  const Segments before = art[2]->segments;
  art[0]->segments = std::vector<PathSegment>{{{1, 2}, {1, 2}, {1, 2}, false}, {{3, 4}, {3, 4}, {3, 4}, false}};  // the top one
  auto dict = std::make_shared<DictionaryImpl>();
  dict->Set("n", Entry::Integer(7));
  art[1]->dictionary = dict;

  ASSERT_TRUE(WriteSvgDocument(*doc, a, error)) << error;
  const std::string saved = FileText(a);
  for (const auto& target : {a, b, a}) {
    ASSERT_TRUE(WriteSvgDocument(*doc, target, error)) << error;
    EXPECT_EQ(FileText(target), saved);
  }
  auto back = ReadSvgDocument(b, error);
  ASSERT_TRUE(back) << error;
  std::vector<ArtOpaque*> got = Children(back->layers.front()->group);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0]->segments.size(), 2u);
  EXPECT_EQ(got[2]->segments, before);
  Entry e;
  std::int32_t n = 0;
  ASSERT_EQ(got[1]->dictionary->Get("n", e), kNoErr);
  e.AsInteger(n);
  EXPECT_EQ(n, 7);
  ASSERT_EQ(got[2]->dictionary->Get("n", e), kNoErr);
  e.AsInteger(n);
  EXPECT_EQ(n, 0);

  // b saved last: a may go, b is read.
  std::filesystem::remove(a);
  ASSERT_TRUE(WriteSvgDocument(*doc, a, error)) << error;
  EXPECT_EQ(FileText(a), saved);

  // a, saved last, rewritten in place: shorter, then as long as it was.
  for (const std::string& other : {std::string("<svg/>"), std::string(saved.size(), ' ')}) {
    WriteText(a, other);
    EXPECT_FALSE(WriteSvgDocument(*doc, c, error));
    EXPECT_EQ(error.rfind(c.string() + ": not saved: ", 0), 0u) << error;
    EXPECT_NE(error.find("has changed or cannot be read"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(c));
    EXPECT_THROW(SvgDocumentText(*doc), std::runtime_error);
  }
  // Closed first: on Windows a folder holding a file still open cannot be removed.
  doc.reset();
  back.reset();
  std::filesystem::remove_all(dir);
}

TEST(SvgPathData, EveryCommandReadsAsCubicSegments) {
  struct Case {
    const char* d;
    std::vector<RealPoint> anchors;  // of the first subpath
    bool closed;
  };
  const Case cases[] = {
      {"M0,0 L10,0 10,10z", {{0, 0}, {10, 0}, {10, 10}}, true},
      {"m1 1 h9 v9 H1 Z", {{1, 1}, {10, 1}, {10, 10}, {1, 10}}, true},
      {"M0 0C0 5 5 10 10 10S20 5 20 0", {{0, 0}, {10, 10}, {20, 0}}, false},
      {"M0,0Q5,10 10,0T20,0", {{0, 0}, {10, 0}, {20, 0}}, false},
      {"M10,0A10,10 0 0,1 0,10", {{10, 0}, {0, 10}}, false},
      {"M0,0 1e1,0 10-10", {{0, 0}, {10, 0}, {10, -10}}, false},
      {"M0,0 L10,0 L0,0 Z", {{0, 0}, {10, 0}}, true},  // the repeated first anchor is the first
  };
  for (const Case& c : cases) {
    std::vector<svg::Subpath> out;
    std::string err;
    ASSERT_TRUE(svg::ParsePathData(c.d, {}, out, err)) << c.d << ": " << err;
    ASSERT_EQ(out.size(), 1u) << c.d;
    ASSERT_EQ(out[0].segments.size(), c.anchors.size()) << c.d;
    for (std::size_t i = 0; i < c.anchors.size(); ++i) {
      EXPECT_NEAR(out[0].segments[i].p.h, c.anchors[i].h, 1e-12) << c.d << " anchor " << i;
      EXPECT_NEAR(out[0].segments[i].p.v, c.anchors[i].v, 1e-12) << c.d << " anchor " << i;
    }
    EXPECT_EQ(out[0].closed, c.closed) << c.d;
  }
  // Reflected controls (S, T), quadratics raised to cubics, arcs on their circle.
  std::vector<svg::Subpath> out;
  std::string err;
  ASSERT_TRUE(svg::ParsePathData("M0 0C0 5 5 10 10 10S20 5 20 0", {}, out, err));
  EXPECT_EQ(out[0].segments[1].out, (RealPoint{15, 10}));
  ASSERT_TRUE(svg::ParsePathData("M0,0Q5,10 10,0T20,0", {}, out, err));
  EXPECT_NEAR(out[0].segments[0].out.v, 20.0 / 3, 1e-12);
  EXPECT_NEAR(out[0].segments[2].in.v, -20.0 / 3, 1e-12);
  ASSERT_TRUE(svg::ParsePathData("M10,0A10,10 0 0,1 -10,0", {}, out, err));
  ASSERT_EQ(out[0].segments.size(), 3u);  // half a turn: two quarter curves
  EXPECT_NEAR(out[0].segments[1].p.h, 0, 1e-9);
  EXPECT_NEAR(out[0].segments[1].p.v, 10, 1e-9);
  // Several subpaths; a drawing command after Z starts at the closed subpath's start.
  ASSERT_TRUE(svg::ParsePathData("M0,0 h5 v5 z l 1,1 M9,9 l1,1", {}, out, err));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[1].segments[0].p, (RealPoint{0, 0}));
  EXPECT_EQ(out[1].segments[1].p, (RealPoint{1, 1}));

  // Written back as absolute commands, read again to the same segments.
  ASSERT_TRUE(svg::ParsePathData("m 0.1,0.2 c 1,2 3,4 5,6 l 7,8 a 3,4 20 1 0 5,5 z", {}, out, err));
  std::string d;
  svg::AppendPathData(d, out[0].segments, out[0].closed, {});
  EXPECT_EQ(d.find_first_of("mlcaz"), std::string::npos) << d;
  std::vector<svg::Subpath> back;
  ASSERT_TRUE(svg::ParsePathData(d, {}, back, err)) << d;
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].segments, out[0].segments);
  EXPECT_TRUE(back[0].closed);
}

TEST(SvgPathData, BrokenDataIsRefusedWithThePlace) {
  const std::pair<const char*, const char*> cases[] = {
      {"L 1 1", "must begin with a move"},
      {"M 0 0 L 1", "a number is needed"},
      {"M 0 0 x 1", "'x' is not a path command"},
      {"M 0 0 A 1 1 0 2 0 5 5", "arc flag"},
      {"M 1e999 0", "a number is needed"},
      {"M 0 0 Z 5 5", "'5' is not a path command"},
  };
  for (const auto& [d, why] : cases) {
    std::vector<svg::Subpath> out;
    std::string err;
    EXPECT_FALSE(svg::ParsePathData(d, {}, out, err)) << d;
    EXPECT_NE(err.find(why), std::string::npos) << d << ": " << err;
  }
}

TEST(SvgDocument, DamagedAndHostileFilesAreRefusedWithFileLineAndReason) {
  std::string deep = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>\n";
  for (int i = 0; i < 2000; ++i) deep += "<g>";
  for (int i = 0; i < 2000; ++i) deep += "</g>";
  deep += "</svg>";
  const std::string head = "<svg xmlns='http://www.w3.org/2000/svg' xmlns:inkscape='http://www.inkscape.org/namespaces/inkscape' width='10' height='10'>\n";
  const std::pair<std::string, std::string> cases[] = {
      {"<!DOCTYPE svg [<!ENTITY a 'aaaa'><!ENTITY b '&a;&a;&a;&a;'>]>\n<svg>&b;</svg>", "line 1: damaged SVG: entity declarations"},
      {deep, "line 2: damaged SVG: elements nested deeper than 1000 levels"},
      {head + "<g inkscape:groupmode='layer'>\n<path d='M 0 0 L 1'/></g></svg>", "line 3: damaged SVG: path data, character 10: a number is needed"},
      {head + "<g inkscape:groupmode='layer'>\n\n<g transform='rotate(1,2)'/></g></svg>", "line 4: damaged SVG: transform"},
      {"<html/>", "line 1: damaged SVG: not an SVG document"},
      {head + "<g>\n<path d='M0 0'></g>", "line 3: damaged SVG:"},
      {"<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 -1 5'/>", "viewBox"},
      {head + "<g inkscape:groupmode='layer' xmlns:vx='urn:vxshape:svg:1' vx:dict='{\"a\":{\"int\":1.5}}'/></svg>", "vx:dict"},
      // Entries are objects; the dictionary is the whole attribute.
      {head + "<g inkscape:groupmode='layer' xmlns:vx='urn:vxshape:svg:1' vx:dict='{\"a\":{\"array\":[1,2]}}'/></svg>", "vx:dict: an entry"},
      {head + "<g inkscape:groupmode='layer' xmlns:vx='urn:vxshape:svg:1' vx:dict='{\"a\":{\"int\":1}} x'/></svg>", "vx:dict:"},
      {head + "<g inkscape:groupmode='layer' xmlns:vx='urn:vxshape:svg:1' vx:dict='{\"a\":{\"int\":4294967296}}'/></svg>", "integer out of range"},
      // Lines counted through path data and dictionaries long enough to stay in the file.
      {head + "<g inkscape:groupmode='layer'>\n<path d='" + LongData("\n") + "'/>\r\n<path d='M 0 0 L 1'/></g></svg>",
       "line 94: damaged SVG: path data, character 10"},
      {head + "<g inkscape:groupmode='layer' xmlns:vx='urn:vxshape:svg:1'>\n<path d='" + LongData("&#10;\r\n") +
           "'/>\n<path d='M0 0' vx:dict='{\"a\":{\"int\":1.5},\n\"pad\":{\"string\":\"0123456789012345678901234567890123456789\"}}'/></g></svg>",
       "line 94: damaged SVG: vx:dict"},
      {head + "<g inkscape:groupmode='layer'>\n<path d='" + LongData("\n"), "damaged SVG:"},
      {head + "<g inkscape:groupmode='layer'>\n<path d='" + LongData(" ") + std::string("\0'/></g></svg>", 14), "damaged SVG:"},
  };
  for (const auto& [text, why] : cases) {
    std::string error;
    EXPECT_FALSE(ParseSvgDocument(text, "bad.svg", error)) << why;
    EXPECT_EQ(error.rfind("bad.svg: ", 0), 0u) << error;
    EXPECT_NE(error.find(why), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace vx::test
