// The sheet's SVG stays well-formed XML whatever texts the document holds: characters XML cannot
// hold (U+FFFE, U+FFFF, control characters, bytes that are not UTF-8) are replaced.
#include "host/svg.h"
#include "shell/text/text.h"
#include "tests/support/host_fixture.h"

#include <expat.h>

namespace vx::test {
namespace {

using namespace vx::host;

// Expat's verdict: an empty text when `xml` is well-formed, else its reason.
std::string XmlFault(const std::string& xml) {
  XML_Parser p = XML_ParserCreate("UTF-8");
  std::string fault;
  if (XML_Parse(p, xml.data(), static_cast<int>(xml.size()), 1) != XML_STATUS_OK)
    fault = std::string(XML_ErrorString(XML_GetErrorCode(p))) + " at line " +
            std::to_string(XML_GetCurrentLineNumber(p));
  XML_ParserFree(p);
  return fault;
}

TEST_F(HostFixture, SvgOfTextsXmlCannotHoldIsStillXml) {
  const std::string kBad[] = {"\xEF\xBF\xBF", "\xEF\xBF\xBE", "\x01z", "\xC3", "\xFF\xFE", "\xED\xA0\x80", "\xF4\x90\x80\x80"};
  for (const std::string& bad : kBad) {
    SCOPED_TRACE(testing::PrintToString(bad));
    host.reset();
    OpenHost();
    Document& d = Doc();
    d.layers.front()->title = "駅" + bad + "<&>";
    ArtOpaque* t = d.NewNode(ArtType::TextFrame);
    t->EditExtra().text = text::Utf8ToUtf16("名" + bad) + u'\xFFFF' + u'\xD800';
    ASSERT_EQ(d.Place(t, PaintOrder::InsideOnTop, d.layers.front()->group), kNoErr);
    for (const bool marks : {false, true}) {
      const std::string svg = RenderSvg(d, SvgOptions{marks});
      EXPECT_EQ(XmlFault(svg), "");
      EXPECT_NE(svg.find("駅\xEF\xBF\xBD"), std::string::npos) << "replaced, the rest kept";
      EXPECT_NE(svg.find("&lt;&amp;&gt;"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace vx::test
