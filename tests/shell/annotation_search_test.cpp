// 注記... and 検索...: labels from attribute values, and selection by value.
#include "panel/search.h"
#include "tests/shell/attr_fixture.h"

namespace vx::test {
namespace {

using namespace vx::host;
using namespace vx::resources;

class AnnotationTest : public AttrFixture {
 protected:
  // Labels made so far on a layer: "text@h,v".
  std::vector<std::string> Labels(LayerOpaque* l) {
    std::vector<std::string> out;
    for (ArtOpaque* a = l->group->firstChild; a; a = a->next) {
      if (a->type != ArtType::TextFrame) continue;
      char at[64];
      std::snprintf(at, sizeof at, "@%g,%g", a->Extra().anchor.h, a->Extra().anchor.v);
      out.push_back(text::Utf16ToUtf8(a->Extra().text) + at);
    }
    return out;
  }
};

TEST_F(AnnotationTest, LabelsStandOnPointAnchorsAndBoundsCentresAndAloneStaySelected) {
  for (bool copy : {false, true}) {
    SCOPED_TRACE(copy ? "copying attributes" : "plain");
    LayerOpaque* l = Layer("Cities");
    const std::vector<attr::ShapeField> defs{Text(u"CITY", 20), F(u"POP", attr::kFieldInteger, 8)};
    SetFields(l->group, defs);
    ArtOpaque* point = Point(l, 100, 200, {Text(u"CITY", 20, u"札幌"), F(u"POP", attr::kFieldInteger, 8, 0, u"1973")});
    ArtOpaque* polygon = Path(l->group, {{0, 0}, {40, 0}, {40, 20}, {0, 20}}, {Text(u"CITY", 20, u"那覇")}, true);
    ArtOpaque* empty = Point(l, 5, 5, {Text(u"CITY", 20, u"")});
    ArtOpaque* lacking = Point(l, 6, 6, {F(u"POP", attr::kFieldInteger, 8, 0, u"3")});
    ASSERT_EQ(app->SelectArt("Cities", {}, true), "");

    Expect(kAnnotationDialog);
    Push(K::Snapshot);
    if (copy) Click(kLabelCopyAttributes);
    Click(kIdOk);
    EXPECT_EQ(app->ClickPanelButton("注記..."), "");
    ExpectPlayed();
    EXPECT_TRUE(HasLine(LastSnapshot(), "1075 combobox [*CITY|POP]")) << ::testing::PrintToString(LastSnapshot());
    EXPECT_EQ(Labels(l), (std::vector<std::string>{"那覇@20,10", "札幌@100,200"}));
    for (ArtOpaque* a : {point, polygon, empty, lacking}) EXPECT_FALSE(Selected(a));
    for (ArtOpaque* a = l->group->firstChild; a; a = a->next) {
      if (a->type != ArtType::TextFrame) continue;
      EXPECT_TRUE(Selected(a));
      EXPECT_EQ(a->parent, l->group) << "in the object's layer, on top";
      if (copy) EXPECT_EQ(Describe(a), a->Extra().text == u"札幌" ? "CITY|0|20|0=札幌; POP|1|8|0=1973" : "CITY|0|20|0=那覇");
      else EXPECT_EQ(Describe(a), "(no list)");
    }
    EXPECT_FALSE(host->textReflowSuspended);
    EXPECT_EQ(app->DeleteLayer("Cities"), "");
  }
}

TEST_F(AnnotationTest, OfTwoCityRowsOnlyTheChosenDefinitionIsUsed) {
  LayerOpaque* a = Layer("A");
  LayerOpaque* b = Layer("B");
  SetFields(a->group, {Text(u"CITY", 20)});
  SetFields(b->group, {Text(u"CITY", 30)});
  Point(a, 1, 1, {Text(u"CITY", 20, u"twenty")});
  Point(b, 2, 2, {Text(u"CITY", 30, u"thirty")});
  a->group->firstChild->flags |= kArtSelected;
  b->group->firstChild->flags |= kArtSelected;
  EXPECT_EQ(app->Notify("AI Art Selection Changed Notifier"), "");
  ASSERT_EQ(Rows().size(), 2u);
  // The list's second row is selected, so the dialog starts on it.
  EXPECT_EQ(app->SelectPanelRows({1}), "");
  Expect(kAnnotationDialog);
  Push(K::Snapshot);
  Click(kIdOk);
  EXPECT_EQ(app->ClickPanelButton("注記..."), "");
  ExpectPlayed();
  EXPECT_TRUE(HasLine(LastSnapshot(), "1075 combobox [CITY|*CITY]"));
  EXPECT_EQ(Labels(a), std::vector<std::string>{"twenty@1,1"}) << "B above A: row 1 is A's CITY of width 20";
  EXPECT_TRUE(Labels(b).empty());
}

TEST_F(AnnotationTest, ASelectedGroupGetsOneLabelForItselfAndItsChildrenAndCancelChangesNothing) {
  LayerOpaque* l = Layer("G");
  SetFields(l->group, {Text(u"K", 5)});
  ArtOpaque* g = Group(l->group);
  SetFields(g, {Text(u"K", 5, u"g")});
  Path(g, {{10, 10}}, {Text(u"K", 5, u"c")});
  ASSERT_EQ(app->SelectArt("G", {0}), "");
  Expect(kAnnotationDialog);
  Click(kIdCancel);
  EXPECT_EQ(app->ClickPanelButton("注記..."), "");
  EXPECT_TRUE(Labels(l).empty());
  EXPECT_TRUE(Selected(g)) << "the selection stays";

  Expect(kAnnotationDialog);
  Click(kIdOk);
  EXPECT_EQ(app->ClickPanelButton("注記..."), "");
  ExpectPlayed();
  EXPECT_EQ(Labels(l), (std::vector<std::string>{"g@10,10"})) << "the child is part of the group";
}

class SearchTest : public AttrFixture {
 protected:
  void SetUp() override {
    AttrFixture::SetUp();
    s = Layer("S");
    SetFields(s->group, {Text(u"NAME", 20), Text(u"V", 10)});
  }
  ArtOpaque* Obj(ArtOpaque* parent, const std::u16string& name, const std::u16string& v) {
    return Path(parent, {{1, 1}}, {Text(u"NAME", 20, name), Text(u"V", 10, v)});
  }
  // Selects the first path of S so that the panel shows NAME and V, then searches.
  void Search(std::int32_t fieldItem, bool byNumber, const std::string& textOrLower, const std::string& upper = "") {
    s->group->firstChild->flags |= kArtSelected;
    EXPECT_EQ(app->Notify("AI Art Selection Changed Notifier"), "");
    Expect(kSearchDialog);
    Pick(kSearchField, fieldItem);
    if (!byNumber) {
      Type(kSearchText, textOrLower);
    } else {
      Click(kSearchByNumber);
      if (!textOrLower.empty()) Click(kSearchLowerOn), Type(kSearchLower, textOrLower);
      if (!upper.empty()) Click(kSearchUpperOn), Type(kSearchUpper, upper);
    }
    Click(kIdOk);
    EXPECT_EQ(app->ClickPanelButton("検索..."), "");
    ExpectPlayed();
  }
  std::vector<std::string> SelectedNames() {
    std::vector<std::string> out;
    for (LayerOpaque* l : host->Doc()->PreorderLayers()) {
      std::vector<ArtOpaque*> all;
      Document::Walk(l->group, all);
      for (ArtOpaque* a : all)
        if (Selected(a) && a->type == ArtType::Path) {
          auto f = Fields(a);
          out.push_back(f && !f->empty() ? text::Utf16ToUtf8(f->front().value) : "?");
        }
    }
    return out;
  }
  LayerOpaque* s = nullptr;
};

TEST_F(SearchTest, TextSearchFindsTheTextAnywhereInTheValue) {
  Obj(s->group, u"東京都", u"");
  Obj(s->group, u"西東京市", u"");
  Obj(s->group, u"大阪", u"");
  Obj(s->group, u"とうきょう", u"");
  Search(0, false, "東京");
  EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"東京都", "西東京市"}));
}

TEST_F(SearchTest, NumericSearchBoundsAreInclusiveAndTextIsInNoRange) {
  struct Case {
    const char* lower;
    const char* upper;
    std::vector<std::string> selected;
  };
  const Case cases[] = {
      {"100", "", {"a100", "a100.5", "a2000"}},
      {"", "100", {"a100", "a99.9", "neg"}},
      {"-1", "0", {}},
      {"99.9", "100", {"a100", "a99.9"}},
  };
  Obj(s->group, u"a100", u"100");
  Obj(s->group, u"a100.5", u"100.5");
  Obj(s->group, u"a2000", u"2000");
  Obj(s->group, u"a99.9", u"99.9");
  Obj(s->group, u"text", u"abc");
  Obj(s->group, u"neg", u"-5");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.lower) + ".." + c.upper);
    Search(1, true, c.lower, c.upper);
    EXPECT_EQ(SelectedNames(), c.selected);
  }
}

TEST_F(SearchTest, HiddenLockedAndOtherDefinitionsAreNeverSelected) {
  Obj(s->group, u"plain", u"x");
  Obj(s->group, u"locked", u"x")->flags |= kArtLocked;
  Obj(s->group, u"hidden", u"x")->flags |= kArtHidden;
  ArtOpaque* lockedGroup = Group(s->group);
  lockedGroup->flags |= kArtLocked;
  Obj(lockedGroup, u"in locked group", u"x");
  ArtOpaque* hiddenGroup = Group(s->group);
  hiddenGroup->flags |= kArtHidden;
  Obj(hiddenGroup, u"in hidden group", u"x");
  ArtOpaque* openGroup = Group(s->group);
  Obj(openGroup, u"in open group", u"x");
  Path(s->group, {{1, 1}}, {Text(u"NAME", 30, u"other width"), Text(u"V", 10, u"x")});
  for (auto [title, visible, editable] : {std::tuple{"Hidden", false, true}, std::tuple{"Locked", true, false}}) {
    LayerOpaque* l = Layer(title);
    Obj(l->group, std::u16string(u"on ") + text::Utf8ToUtf16(title), u"x");
    l->visible = visible;
    l->editable = editable;
  }
  // A hidden sublayer of S: its art is in S's art set too, yet it is searched with its own layer.
  Document& d = *host->Doc();
  LayerOpaque* sub = d.NewLayer("Sub");
  ASSERT_EQ(d.Place(sub->group, PaintOrder::InsideOnBottom, s->group), kNoErr);
  sub->visible = false;
  Obj(sub->group, u"in hidden sublayer", u"x");
  Search(0, false, "");
  EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"plain", "in open group"}));
}

TEST_F(SearchTest, TheSelectionIsClearedEvenWhenNothingMatches) {
  ArtOpaque* first = Obj(s->group, u"first", u"1");
  Search(0, false, "no such text");
  EXPECT_FALSE(Selected(first));
  EXPECT_TRUE(SelectedNames().empty());
}

TEST_F(SearchTest, RangeAlertsKeepTheDialogOpen) {
  Obj(s->group, u"a", u"7");
  s->group->firstChild->flags |= kArtSelected;
  EXPECT_EQ(app->Notify("AI Art Selection Changed Notifier"), "");
  Expect(kSearchDialog);
  Push(K::Snapshot);
  Click(kSearchByNumber);
  Click(kIdOk);  // no bound
  Click(kSearchLowerOn);
  Click(kIdOk);  // a bound without text
  Type(kSearchLower, "10");
  Click(kSearchUpperOn);
  Type(kSearchUpper, "5");
  Click(kIdOk);  // lower above upper
  Click(kIdCancel);
  EXPECT_EQ(app->ClickPanelButton("検索..."), "");
  ExpectPlayed();
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{panel::kSetRange, panel::kSetRange, panel::kBadRange}));
  for (const char* line : {"1087 radio \"文字列として検索\" checked", "1080 edit \"\" disabled", "1076 checkbox \"\" unchecked disabled"})
    EXPECT_TRUE(HasLine(LastSnapshot(), line)) << line << "\n" << ::testing::PrintToString(LastSnapshot());
  EXPECT_TRUE(Selected(s->group->firstChild)) << "cancelled: the selection stays";
}

TEST_F(SearchTest, WithoutFieldsTheButtonTellsTheUser) {
  LayerOpaque* e = Layer("Empty");
  (void)e;
  EXPECT_EQ(app->ClickPanelButton("検索..."), "");
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{panel::kNoFields});
}

}  // namespace
}  // namespace vx::test
