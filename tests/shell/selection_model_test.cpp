// The panel's list: which layers and fields the selection touches and the merged values.
#include "tests/shell/attr_fixture.h"

namespace vx::test {
namespace {

using namespace vx::host;

class SelectionModelTest : public AttrFixture {};

TEST_F(SelectionModelTest, NothingSelectedShowsTheCurrentLayerAndGivesItAnEmptyList) {
  // A layer made behind the panel's back, so that no refresh has seen it yet.
  Document& d = *host->Doc();
  LayerOpaque* l = d.NewLayer("Fresh");
  d.layers.insert(d.layers.begin(), l);
  d.current = l;
  EXPECT_EQ(Describe(l->group), "(no list)");
  EXPECT_EQ(app->Notify("AI Document Changed Notifier"), "");
  EXPECT_EQ(Describe(l->group), "") << "an empty list now";
  EXPECT_TRUE(Rows().empty());

  SetFields(l->group, {Text(u"CITY", 20), F(u"POP", attr::kFieldInteger, 8)});
  EXPECT_EQ(app->Notify("AI Document Changed Notifier"), "");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"CITY=", "POP="}));
}

TEST_F(SelectionModelTest, ValuesOfTwoSelectedPathsMerge) {
  struct Case {
    std::optional<std::u16string> first, second;  // nullopt: the path lacks the field
    std::string shown;
    const char* why;
  };
  const Case cases[] = {
      {u"A", u"A", "CITY=A", "equal values"},
      {u"A", u"B", "CITY=(複数の属性値)", "different values"},
      {u"A", std::nullopt, "CITY=(複数の属性値)", "a path without the field counts as empty"},
      {std::nullopt, u"A", "CITY=(複数の属性値)", "the same, in the other order"},
      {std::nullopt, std::nullopt, "CITY=", "neither has the field"},
      {u"", u"", "CITY=", "both empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    LayerOpaque* l = Layer("Case");
    SetFields(l->group, {Text(u"CITY", 20)});
    for (const auto& v : {c.first, c.second}) {
      ArtOpaque* a = Point(l, 10, 10);
      if (v) SetFields(a, {Text(u"CITY", 20, *v)});
      else SetFields(a, {});
    }
    EXPECT_EQ(app->SelectArt("Case", {}, true), "");
    EXPECT_EQ(Rows(), std::vector<std::string>{c.shown});
    EXPECT_EQ(app->DeleteLayer("Case"), "");
  }
}

TEST_F(SelectionModelTest, CollectTeachesALayerTheFieldsOfItsSelectedObjects) {
  LayerOpaque* l = Layer("Roads");
  SetFields(l->group, {Text(u"NAME", 30)});
  Point(l, 0, 0, {Text(u"NAME", 30, u"R1"), F(u"LANES", attr::kFieldInteger, 2, 0, u"4")});
  Point(l, 5, 5, {F(u"LEN", attr::kFieldReal, 12, 3, u"1.500")});  // not selected
  EXPECT_EQ(app->SelectArt("Roads", {0}), "");
  EXPECT_EQ(Describe(l->group), "NAME|0|30|0=; LANES|1|2|0=") << "value emptied; the unselected path adds nothing";
  EXPECT_EQ(Rows(), (std::vector<std::string>{"NAME=R1", "LANES=4"}));
}

TEST_F(SelectionModelTest, TwoLayersWithCityOfDifferentWidthsGiveTwoRows) {
  LayerOpaque* a = Layer("A");
  LayerOpaque* b = Layer("B");
  SetFields(a->group, {Text(u"CITY", 20)});
  SetFields(b->group, {Text(u"CITY", 30), Text(u"NOTE", 10)});
  Point(a, 0, 0, {Text(u"CITY", 20, u"Sapporo")});
  Point(b, 0, 0, {Text(u"CITY", 30, u"Naha")});
  ArtOpaque* pa = a->group->firstChild;
  ArtOpaque* pb = b->group->firstChild;
  pa->flags |= kArtSelected;
  pb->flags |= kArtSelected;
  EXPECT_EQ(app->Notify("AI Art Selection Changed Notifier"), "");
  // B is above A, so its art comes first in the selection.
  EXPECT_EQ(Rows(), (std::vector<std::string>{"CITY=(複数の属性値)", "NOTE=", "CITY=(複数の属性値)"}));
  panel::AttrRow row;
  ASSERT_TRUE(Model().GetRow(2, row));
  EXPECT_EQ(row.field.width, 20);
  EXPECT_FALSE(Model().GetRow(3, row));
  EXPECT_FALSE(Model().GetRow(-1, row));
}

TEST_F(SelectionModelTest, GuidesClipsAndPartlySelectedGroupsAddLayersButNoValues) {
  LayerOpaque* l = Layer("Odd");
  SetFields(l->group, {Text(u"K", 5)});
  ArtOpaque* guide = Point(l, 0, 0, {Text(u"K", 5, u"guide")});
  guide->guide = true;
  ArtOpaque* clip = Point(l, 0, 0, {Text(u"K", 5, u"clip")});
  clip->clip = true;
  ArtOpaque* g = Group(l->group);
  SetFields(g, {Text(u"K", 5, u"group")});
  ArtOpaque* inside = Path(g, {{1, 1}});
  Path(g, {{2, 2}});  // stays unselected
  LayerOpaque* other = Layer("Other");
  SetFields(other->group, {Text(u"OTHER", 5)});

  for (ArtOpaque* a : {guide, clip, g, inside}) a->flags |= kArtSelected;
  SetFields(inside, {Text(u"K", 5, u"kept")});
  EXPECT_EQ(app->Notify("AI Art Selection Changed Notifier"), "");
  EXPECT_EQ(Rows(), std::vector<std::string>{"K=kept"}) << "only the inner path counts";
  ASSERT_EQ(Model().Layers().size(), 1u);
  EXPECT_EQ(Model().Layers()[0], l);
}

}  // namespace
}  // namespace vx::test
