// What `vxshape render` draws of an imported sheet: point marks, paths, compound paths with
// holes, styles and the georeference texts, north up.
#include "host/svg.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"
#include "tests/support/host_fixture.h"

namespace vx::test {
namespace {

using namespace vx::host;

class SvgRenderTest : public HostFixture {
 protected:
  ArtHandle Top() {
    LayerHandle l = nullptr;
    ArtHandle g = nullptr;
    EXPECT_EQ(sLayer()->GetFirstLayer(l), kNoErr);
    EXPECT_EQ(sLayer()->GetLayerGroup(l, g), kNoErr);
    return g;
  }
  ArtHandle Ring(ArtHandle inside, double l, double b, double r, double t) {
    ArtHandle p = nullptr;
    EXPECT_EQ(sArt()->NewArt(ArtType::Path, PaintOrder::InsideOnBottom, inside, p), kNoErr);
    const PathSegment s[4] = {C(l, b), C(r, b), C(r, t), C(l, t)};
    EXPECT_EQ(sPath()->SetPathSegments(p, 4, s), kNoErr);
    EXPECT_EQ(sPath()->SetPathClosed(p, true), kNoErr);
    return p;
  }
  static PathSegment C(double h, double v) { return {{h, v}, {h, v}, {h, v}, false}; }
  static std::size_t Count(const std::string& s, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t i = s.find(what); i != std::string::npos; i = s.find(what, i + 1)) ++n;
    return n;
  }
};

TEST_F(SvgRenderTest, CompoundPathIsOnePathWithItsPartsStyle) {
  ArtHandle cp = nullptr;
  ASSERT_EQ(sArt()->NewArt(ArtType::CompoundPath, PaintOrder::InsideOnTop, Top(), cp), kNoErr);
  PathStyle st;
  st.fillPaint = true;
  st.fill.color = Color::Cmyk(0, 1, 1, 0);
  st.strokePaint = true;
  st.stroke.color = Color::Cmyk(0, 0, 0, 1);
  st.stroke.width = 0.25;
  st.evenOdd = true;
  // Styled on its parts only, as the application keeps a compound path's paint.
  for (ArtHandle p : {Ring(cp, 100, 100, 300, 300), Ring(cp, 150, 150, 250, 250)})
    ASSERT_EQ(sPathStyle()->SetPathStyle(p, st), kNoErr);
  const std::string svg = RenderSvg(Doc());
  EXPECT_EQ(Count(svg, "<path "), 1u) << svg;
  EXPECT_NE(svg.find("d=\"M100,-100L300,-100L300,-300L100,-300L100,-100ZM150,-150L250,-150L250,-250L150,-250L150,-150Z\""),
            std::string::npos)
      << "both rings, v up turned into SVG y down\n"
      << svg;
  EXPECT_NE(svg.find("fill=\"#ff0000\" fill-rule=\"evenodd\" stroke=\"#000000\" stroke-width=\"0.25\""),
            std::string::npos)
      << svg;

  // The compound path's own style does not override painted parts ...
  PathStyle own = st;
  own.evenOdd = false;
  own.fill.color = Color::Cmyk(1, 0, 0, 0);
  ASSERT_EQ(sPathStyle()->SetPathStyle(cp, own), kNoErr);
  EXPECT_NE(RenderSvg(Doc()).find("fill=\"#ff0000\" fill-rule=\"evenodd\""), std::string::npos);
  // ... but shows over parts that still have the new-art paint; nonzero fill has no rule attribute.
  for (ArtHandle p = cp->firstChild; p; p = p->next) ASSERT_EQ(sPathStyle()->SetPathStyle(p, NewArtStyle()), kNoErr);
  const std::string svg2 = RenderSvg(Doc());
  EXPECT_NE(svg2.find("fill=\"#00ffff\" stroke="), std::string::npos) << svg2;
  EXPECT_EQ(svg2.find("evenodd"), std::string::npos);
}

TEST_F(SvgRenderTest, PointMarksAndTextsOfTheGeoreference) {
  ArtHandle mark = nullptr;
  ASSERT_EQ(sShapeConstruction()->NewEllipse({200, 400}, 2, 2, false, mark), kNoErr);
  PathStyle st;
  st.fill.color = Color::Cmyk(0, 0, 0, 1);
  ASSERT_EQ(sPathStyle()->SetPathStyle(mark, st), kNoErr);
  ArtHandle frame = nullptr;
  ASSERT_EQ(sTextFrame()->NewPointText(PaintOrder::InsideOnTop, Top(), TextOrientation::Horizontal, {306, 396}, frame),
            kNoErr);
  ASSERT_EQ(sTextRange()->InsertAfter(frame, text::Utf8ToUtf16("G=JGD|P=XY9|S=25000&\x01")), kNoErr);
  ASSERT_EQ(sTextRange()->SetFillColor(frame, Color::Cmyk(0, 0, 0, 0.5)), kNoErr);
  ASSERT_EQ(sTextRange()->SetJustification(frame, Justification::Right), kNoErr);

  const std::string svg = RenderSvg(Doc());
  EXPECT_NE(svg.find("<path d=\"M200,-401C"), std::string::npos) << "the ellipse's top, in curves\n" << svg;
  EXPECT_NE(svg.find("fill=\"#000000\""), std::string::npos);
  EXPECT_NE(svg.find("<text x=\"306\" y=\"-396\" font-size=\"12\" fill=\"#808080\" text-anchor=\"end\">"
                     "G=JGD|P=XY9|S=25000&amp;\xEF\xBF\xBD</text>"),
            std::string::npos)
      << "escaped, and a control character replaced so the file stays XML\n"
      << svg;
}

// The page selects by these marks: a layer's position in pre-order, and each top-level art's
// position in its layer counted topmost first with sublayers left out, as selection counts it.
TEST_F(SvgRenderTest, MarksNumberLayersAndTopLevelArtForSelection) {
  ArtHandle a = Ring(Top(), 10, 10, 20, 20);
  LayerHandle first = nullptr, sub = nullptr;
  ASSERT_EQ(sLayer()->GetFirstLayer(first), kNoErr);
  ASSERT_EQ(sLayer()->InsertLayer(first, PaintOrder::InsideOnTop, sub), kNoErr);
  ArtHandle subGroup = nullptr;
  ASSERT_EQ(sLayer()->GetLayerGroup(sub, subGroup), kNoErr);
  Ring(Top(), 30, 30, 40, 40);
  Ring(subGroup, 50, 50, 60, 60);
  a->flags |= kArtSelected;

  const std::string marked = RenderSvg(Doc(), SvgOptions{true});
  EXPECT_NE(marked.find("data-layer-index=\"0\""), std::string::npos) << marked;
  EXPECT_NE(marked.find("data-layer-index=\"1\""), std::string::npos) << marked;
  EXPECT_NE(marked.find("<path data-art=\"0\" class=\"sel\" d=\"M10,-10"), std::string::npos) << marked;
  EXPECT_NE(marked.find("<path data-art=\"1\" d=\"M30,-30"), std::string::npos) << marked;
  EXPECT_NE(marked.find("<path data-art=\"0\" d=\"M50,-50"), std::string::npos) << "the sublayer's own count\n" << marked;
  EXPECT_EQ(Count(marked, "class=\"sel\""), 1u) << marked;

  const std::string plain = RenderSvg(Doc());
  EXPECT_EQ(plain.find("data-art"), std::string::npos) << plain;
  EXPECT_NE(plain.find("font-family=\"'Noto Sans CJK JP'"), std::string::npos) << "Japanese labels read\n" << plain;
}

}  // namespace
}  // namespace vx::test
