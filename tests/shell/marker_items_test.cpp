// Flyout items 8 and 9 make the empty coordinate marker layers.
#include "geodesy/georef.h"
#include "tests/shell/shell_fixture.h"

namespace vx::test {
namespace {

class MarkerItemsTest : public ShellFixture {
 protected:
  std::vector<std::string> Titles() {
    std::vector<std::string> t;
    for (const host::LayerOpaque* l : host->Doc()->layers) t.push_back(l->title);
    return t;
  }
};

TEST_F(MarkerItemsTest, ItemsEightAndNineAddMarkerLayersBelowAll) {
  ASSERT_EQ(Start(), host::kNoErr);
  const std::string first = Titles().at(0);
  EXPECT_EQ(app->ChooseFlyout(8), "");
  EXPECT_EQ(Titles(), (std::vector<std::string>{first, geo::kMarkerBottomRight, geo::kMarkerBottomLeft,
                                                geo::kMarkerTopRight, geo::kMarkerTopLeft}));
  EXPECT_EQ(app->ChooseFlyout(9), "");
  EXPECT_EQ(Titles().size(), 8u);
  EXPECT_EQ(Titles().back(), geo::kMarker3of3);
  // Existing marker layers are not looked for: a second choice adds four more.
  EXPECT_EQ(app->ChooseFlyout(8), "");
  EXPECT_EQ(Titles().size(), 12u);
  EXPECT_TRUE(host->Alerts().empty());
}

}  // namespace
}  // namespace vx::test
