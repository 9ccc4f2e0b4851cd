// The KML reader on its own: the layouts real files use, the values it decodes, the styles it
// keeps, and input that must neither crash nor hang.
#include "import/kml_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vx::imp {
namespace {

// Everything the reader hands over, written as one line per event.
class Collect : public KmlHandler {
 public:
  void ContainerBegin(bool document, int depth) override {
    events.push_back(std::string(document ? "doc" : "folder") + "@" + std::to_string(depth));
  }
  void ContainerName(const std::string& name) override { events.push_back("title " + name); }
  void ContainerEnd() override { events.push_back("end"); }
  void Placemark(KmlPlacemark& pm) override {
    std::string s = "pm name=" + pm.name + " desc=" + pm.description + " style=" + pm.styleUrl;
    if (pm.hasInlineStyle) s += " inline";
    for (const KmlGeometry& g : pm.geometries) {
      s += " " + std::to_string(static_cast<int>(g.kind)) + ":";
      for (const auto& ring : g.rings) s += "[" + std::to_string(ring.size()) + "]";
    }
    events.push_back(s);
  }
  void Coordinates(const data::PointList& points) override { tuples += points.size(); }
  std::vector<std::string> events;
  std::size_t tuples = 0;
};

std::vector<std::string> Read(const std::string& kml, KmlReader* keep = nullptr) {
  KmlReader local;
  KmlReader& r = keep ? *keep : local;
  Collect c;
  EXPECT_TRUE(r.ReadBuffer(kml, c));
  return c.events;
}

struct LayoutCase {
  const char* why;
  const char* kml;
  std::vector<std::string> events;
};

// Geometry kinds: 1 point, 2 line string, 3 polygon (outer ring first).
TEST(KmlReader, LayoutsOfCommonWriters) {
  const LayoutCase cases[] = {
      {"one element per line", "<Placemark>\n<name>A</name>\n<styleUrl>#s1</styleUrl>\n<Point>\n"
                               "<coordinates>139.7,35.6,0</coordinates>\n</Point>\n</Placemark>\n",
       {"pm name=A desc= style=s1 1:[1]"}},
      {"all on one line, with an id attribute",
       "<Placemark id=\"p\"><name>A</name><Point><coordinates>1,2</coordinates></Point></Placemark>",
       {"pm name=A desc= style= 1:[1]"}},
      {"tuples across lines, tabs and CR LF", "<Placemark><LineString><coordinates>\r\n\t1,2,0 3,4,0\r\n\t5,6,0\t7,8\r\n"
                                              "</coordinates></LineString></Placemark>",
       {"pm name= desc= style= 2:[4]"}},
      {"a hole is kept as a second ring",
       "<Placemark><Polygon><outerBoundaryIs><LinearRing><coordinates>0,0 4,0 4,4 0,0</coordinates></LinearRing>"
       "</outerBoundaryIs><innerBoundaryIs><LinearRing><coordinates>1,1 2,1 2,2 1,1</coordinates></LinearRing>"
       "</innerBoundaryIs></Polygon></Placemark>",
       {"pm name= desc= style= 3:[4][4]"}},
      {"inner boundary written first still ends second",
       "<Placemark><Polygon><innerBoundaryIs><LinearRing><coordinates>1,1 2,1 1,1</coordinates></LinearRing>"
       "</innerBoundaryIs><outerBoundaryIs><LinearRing><coordinates>0,0 4,0 4,4 0,0</coordinates></LinearRing>"
       "</outerBoundaryIs></Polygon></Placemark>",
       {"pm name= desc= style= 3:[4][3]"}},
      {"every member of a MultiGeometry",
       "<Placemark><MultiGeometry><Point><coordinates>1,2</coordinates></Point><LineString><coordinates>1,2 3,4"
       "</coordinates></LineString><Polygon><outerBoundaryIs><LinearRing><coordinates>0,0 1,0 1,1 0,0</coordinates>"
       "</LinearRing></outerBoundaryIs></Polygon></MultiGeometry></Placemark>",
       {"pm name= desc= style= 1:[1] 2:[2] 3:[4]"}},
      {"a nameless placemark does not take its neighbour's name",
       "<Placemark><name>A</name><Point><coordinates>1,2</coordinates></Point></Placemark>"
       "<Placemark><Point><coordinates>3,4</coordinates></Point></Placemark>",
       {"pm name=A desc= style= 1:[1]", "pm name= desc= style= 1:[1]"}},
      {"entities, CDATA and markup in a description",
       "<Placemark><name>R &amp; D &#x6771;&#20140;</name><description><![CDATA[<b>x</b> & y]]> &lt;z&gt;"
       "</description><Point><coordinates>1,2</coordinates></Point></Placemark>",
       {"pm name=R & D 東京 desc=<b>x</b> & y <z> style= 1:[1]"}},
      {"raw HTML in a description stays in it",
       "<Placemark><description>a <b>bold</b> <name>no</name></description><Point><coordinates>1,2</coordinates>"
       "</Point></Placemark>",
       {"pm name= desc=a <b>bold</b> <name>no</name> style= 1:[1]"}},
      {"only the first description counts; a geometry's name is not the placemark's",
       "<Placemark><description>one</description><description>two</description><Point><name>x</name>"
       "<coordinates>1,2</coordinates></Point></Placemark>",
       {"pm name= desc=one style= 1:[1]"}},
      {"comments and a declaration are passed over",
       "<?xml version=\"1.0\"?><!-- <Placemark> --><!DOCTYPE kml><Placemark><Point><coordinates>1,2</coordinates>"
       "</Point></Placemark>",
       {"pm name= desc= style= 1:[1]"}},
      {"a placemark without coordinates is handed over with no geometry",
       "<Placemark><name>N</name><Point></Point></Placemark>", {"pm name=N desc= style="}},
      {"an unclosed placemark ends with the file",
       "<Placemark><name>U</name><LineString><coordinates>1,2 3,4", {"pm name=U desc= style= 2:[2]"}},
      {"a UTF-8 byte order mark", "\xEF\xBB\xBF<Placemark><Point><coordinates>1,2</coordinates></Point></Placemark>",
       {"pm name= desc= style= 1:[1]"}},
      {"an inline style", "<Placemark><Style><PolyStyle><fill>0</fill></PolyStyle></Style><LineString>"
                          "<coordinates>1,2 3,4</coordinates></LineString></Placemark>",
       {"pm name= desc= style= inline 2:[2]"}},
  };
  for (const LayoutCase& c : cases) EXPECT_EQ(Read(c.kml), c.events) << c.why;
}

TEST(KmlReader, ContainersNestInFileOrderWithTheirOwnNames) {
  const std::string kml =
      "<kml><Document id=\"d\"><name>Top</name><Folder id=\"a\"><Placemark><name>in A</name></Placemark>"
      "<name>A</name><Folder>\n<name>\nB\n</name></Folder></Folder><Document><name>C</name></Document></Document>"
      "</kml>";
  EXPECT_EQ(Read(kml), (std::vector<std::string>{"doc@0", "title Top", "folder@1", "pm name=in A desc= style=",
                                                  "title A", "folder@2", "title B", "end", "end", "doc@1",
                                                  "title C", "end", "end"}));
}

TEST(KmlReader, StylesAndStyleMaps) {
  const std::string kml =
      "<Style id=\"s1\">\n<LineStyle>\n<color>ff0000ff</color>\n<width>2.5</width>\n</LineStyle>\n"
      "<PolyStyle><color>7f00ff00</color><fill>0</fill><outline>0</outline></PolyStyle>\n"
      "<LabelStyle><color>ffffffff</color></LabelStyle></Style>\n"
      "<Style id=\"s1\"><LineStyle><width>9</width></LineStyle></Style>"
      "<StyleMap id=\"m1\"><Pair><key>highlight</key><styleUrl>#s9</styleUrl></Pair>"
      "<Pair><key>normal</key><styleUrl>#s1</styleUrl></Pair></StyleMap>"
      "<StyleMap id=\"loop\"><Pair><key>normal</key><styleUrl>#loop2</styleUrl></Pair></StyleMap>"
      "<StyleMap id=\"loop2\"><Pair><key>normal</key><styleUrl>#loop</styleUrl></Pair></StyleMap>"
      "<Style id='bad'><LineStyle><color>red</color></LineStyle></Style>";
  KmlReader r;
  Read(kml, &r);
  const KmlStyle* s = r.Resolve("m1");
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->lineColorSet && s->widthSet && s->polyColorSet && s->fillSet && s->outlineSet);
  EXPECT_EQ(s->lineColor, (std::array<double, 4>{1, 0, 0, 1})) << "ff0000ff is opaque red (aabbggrr)";
  EXPECT_EQ(s->lineWidth, 2.5) << "the first style of an id is kept";
  EXPECT_NEAR(s->polyColor[0], 127 / 255.0, 1e-12);
  EXPECT_EQ(s->polyColor[2], 1.0) << "green";
  EXPECT_FALSE(s->fill);
  EXPECT_FALSE(s->outline);
  EXPECT_EQ(r.Resolve("loop"), nullptr) << "a chain of maps that comes back ends as not found";
  EXPECT_EQ(r.Resolve("s9"), nullptr);
  ASSERT_NE(r.Resolve("bad"), nullptr);
  EXPECT_FALSE(r.Resolve("bad")->lineColorSet) << "a colour that is not eight hex digits is not taken";
}

TEST(KmlReader, ColoursAndTuples) {
  struct {
    const char* text;
    bool ok;
    std::array<double, 4> abgr;
  } colours[] = {{"ff0000ff", true, {1, 0, 0, 1}}, {" 7F102030 ", true, {127 / 255.0, 16 / 255.0, 32 / 255.0, 48 / 255.0}},
                 {"ff0000f", false, {}}, {"gg0000ff", false, {}}, {"#ff0000ff", false, {}}};
  for (const auto& c : colours) {
    std::array<double, 4> out{9, 9, 9, 9};
    EXPECT_EQ(ParseKmlColor(c.text, out), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(out, c.abgr) << c.text;
    }
  }
  data::PointList p;
  ParseKmlCoordinates("  1.5,2.5,10 \n 3,4\t5 6,x,1 7,8,9,10 ", p);
  ASSERT_EQ(p.size(), 4u) << "the tuple 5, without a comma, is left out";
  EXPECT_EQ(p[0].x, 1.5);
  EXPECT_EQ(p[0].y, 2.5);
  EXPECT_EQ(p[1].x, 3);
  EXPECT_EQ(p[2].x, 6);
  EXPECT_EQ(p[2].y, 0) << "a component that is not a number reads 0";
  EXPECT_EQ(p[3].y, 8) << "components past the second are passed over";
}

TEST(KmlReader, HostileInputEndsQuietly) {
  const std::string big(3'000'000, 'a');
  std::string million = "<Placemark><LineString><coordinates>";
  for (int i = 0; i < 1'000'000; ++i) million += "1,2 ";
  million += "</coordinates></LineString></Placemark>";
  std::string deep;
  for (int i = 0; i < 500'000; ++i) deep += "<Folder>";
  for (int i = 0; i < 500'000; ++i) deep += "</x></Folder>";
  const std::string inputs[] = {deep, "<", "</", "<<<>>>", "<a b=\"unclosed>", "<![CDATA[", "<!--", "<description>",
                                "</Placemark></Folder></Document>", "<Placemark><Polygon></Placemark></Polygon>",
                                std::string("\0\xff\xfe<\x01>\0", 8), "<" + big, "<name>" + big, million};
  for (const std::string& in : inputs) {
    KmlReader r;
    Collect c;
    EXPECT_TRUE(r.ReadBuffer(in, c)) << in.substr(0, 40);
  }
  Collect c;
  KmlReader r;
  r.ReadBuffer(million, c);
  EXPECT_EQ(c.tuples, 1'000'000u);
}

}  // namespace
}  // namespace vx::imp
