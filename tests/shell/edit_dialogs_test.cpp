// Editing from the panel: the value dialog (double click), 定義... and 新規..., driven by control id.
#include "panel/edit_dialogs.h"
#include "tests/shell/attr_fixture.h"

namespace vx::test {
namespace {

using namespace vx::host;
using namespace vx::resources;

class EditDialogsTest : public AttrFixture {
 protected:
  // Layer "L" defining the fields; its paths 0 and 1 are selected, any further path is not.
  void Draw(const std::vector<attr::ShapeField>& defs, const std::vector<std::vector<attr::ShapeField>>& paths) {
    l = Layer("L");
    SetFields(l->group, defs);
    for (const auto& fields : paths) art.push_back(Point(l, 10, 10, fields));
    std::vector<std::int32_t> chosen{0};
    if (paths.size() > 1) chosen.push_back(1);
    ASSERT_EQ(app->SelectArt("L", chosen), "");
  }
  LayerOpaque* l = nullptr;
  std::vector<ArtOpaque*> art;
};

TEST_F(EditDialogsTest, ATypedValueIsFormattedForItsFieldOnEverySelectedObject) {
  struct Case {
    attr::ShapeField field;
    std::string typed;
    std::string stored;
    const char* why;
  };
  const Case cases[] = {
      {F(u"N", attr::kFieldInteger, 3), "12.345", "12", "digits up to the point"},
      {F(u"N", attr::kFieldInteger, 3), "-12", "-12", "the sign counts in the width"},
      {F(u"N", attr::kFieldInteger, 3), "", "", "no value: empty, never 0"},
      {F(u"N", attr::kFieldReal, 8, 2), "3.146", "3.15", "rounded to the decimals"},
      {F(u"N", attr::kFieldReal, 8, 2), " ", "", "no value"},
      {Text(u"N", 5), "東京a", "東京a", "within the width as Shift-JIS bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    art.clear();
    attr::ShapeField old = c.field;
    old.value = u"7";
    Draw({c.field}, {{old}, {}, {old}});  // the second path lacks the field
    Expect(kValueDialog);
    Type(kValueEdit, c.typed);
    Click(kIdOk);
    EXPECT_EQ(app->DoubleClickPanelRow(0), "");
    ExpectPlayed();
    const std::string key = attr::FieldKey(c.field);
    EXPECT_EQ(Describe(art[0]), key + "=" + c.stored);
    EXPECT_EQ(Describe(art[1]), key + "=" + c.stored) << "the field is added where it was missing";
    EXPECT_EQ(Describe(art[2]), key + "=7") << "not selected";
    EXPECT_EQ(Rows(), std::vector<std::string>{"N=" + c.stored}) << "the panel refreshed";
    EXPECT_EQ(app->DeleteLayer("L"), "");
  }
}

TEST_F(EditDialogsTest, AMixedRowStartsFromAnEmptyEditAndCancelChangesNothing) {
  Draw({Text(u"CITY", 20)}, {{Text(u"CITY", 20, u"A")}, {Text(u"CITY", 20, u"B")}});
  Expect(kValueDialog);
  Push(K::Snapshot);
  Click(kIdCancel);
  EXPECT_EQ(app->DoubleClickPanelRow(0), "");
  ExpectPlayed();
  const auto shown = LastSnapshot();
  EXPECT_TRUE(HasLine(shown, "1130 edit \"\"")) << ::testing::PrintToString(shown);
  EXPECT_TRUE(HasLine(shown, "1131 static \"CITY\""));
  EXPECT_TRUE(HasLine(shown, "1132 static \"文字列\""));
  EXPECT_TRUE(HasLine(shown, "1133 static \"20\""));
  EXPECT_TRUE(HasLine(shown, "1134 static \"0\""));
  EXPECT_EQ(Describe(art[0]), "CITY|0|20|0=A");
  EXPECT_EQ(Describe(art[1]), "CITY|0|20|0=B");

  Expect(kValueDialog);
  Type(kValueEdit, "C");
  Click(kIdOk);
  EXPECT_EQ(app->DoubleClickPanelRow(0), "");
  EXPECT_EQ(Describe(art[0]), "CITY|0|20|0=C");
  EXPECT_EQ(Describe(art[1]), "CITY|0|20|0=C");
  EXPECT_EQ(Rows(), std::vector<std::string>{"CITY=C"});
}

TEST_F(EditDialogsTest, WidthAndDecimalsOutOfRangeAreRefusedAndTheDialogStaysOpen) {
  struct Case {
    std::int32_t item;
    const char* width;
    const char* decimals;  // nullptr: left as shown
    const char* alert;     // nullptr: accepted
    const char* stored;
    bool asked = false;    // values change: the question comes, answered yes
  };
  const Case cases[] = {
      {0, "255", nullptr, panel::kTextWidthRange, nullptr},
      {0, "0", nullptr, panel::kTextWidthRange, nullptr},
      {0, "x", nullptr, panel::kTextWidthRange, nullptr},  // reads as 0
      {1, "11", nullptr, panel::kIntegerWidthRange, nullptr},
      {2, "20", "0", panel::kRealWidthRange, nullptr},
      {2, "5", "4", panel::kRealDecimalsRange, nullptr},
      {2, "5", "3", nullptr, "V|2|5|3"},
      {1, "10", nullptr, nullptr, "V|1|10|0", true},  // the decimals edit showed 2; 1.25 becomes 1
      {0, "254", nullptr, nullptr, "V|0|254|0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.width) + " " + (c.decimals ? c.decimals : "-"));
    art.clear();
    Draw({F(u"V", attr::kFieldReal, 8, 2)}, {{F(u"V", attr::kFieldReal, 8, 2, u"1.25")}, {}});
    Expect(kFieldDialog);
    Pick(kFieldType, c.item);
    Type(kFieldWidth, c.width);
    if (c.decimals) Type(kFieldDecimals, c.decimals);
    Click(kIdOk);
    if (c.alert) Click(kIdCancel);
    if (c.asked) Answer(true);
    const std::size_t alerts = host->Alerts().size();
    EXPECT_EQ(app->ClickPanelButton("定義..."), "");
    ExpectPlayed();
    if (c.alert) {
      ASSERT_EQ(host->Alerts().size(), alerts + 1);
      EXPECT_EQ(host->Alerts().back().text, c.alert);
      EXPECT_EQ(host->Alerts().back().parent, "dialog \"フィールド定義の編集\"");
      EXPECT_EQ(Describe(l->group), "V|2|8|2=");
      EXPECT_EQ(Describe(art[0]), "V|2|8|2=1.25");
    } else {
      EXPECT_EQ(host->Alerts().size(), alerts + (c.asked ? 1 : 0));
      EXPECT_EQ(Describe(l->group), std::string(c.stored) + "=");
      EXPECT_EQ(Describe(art[0]).substr(0, std::string(c.stored).size()), c.stored);
    }
    EXPECT_EQ(app->DeleteLayer("L"), "");
  }
}

TEST_F(EditDialogsTest, IntegerDisablesTheDecimalsAndTheNameIsLimitedToTenCharacters) {
  Draw({F(u"V", attr::kFieldReal, 8, 2)}, {{F(u"V", attr::kFieldReal, 8, 2, u"12.75")}});
  Expect(kFieldDialog);
  Push(K::Snapshot);
  Pick(kFieldType, 1);
  Push(K::Snapshot);
  Type(kFieldName, "ABCDEFGHIJKLMN");
  Click(kIdOk);
  Answer(true);  // 12.75 becomes 12
  EXPECT_EQ(app->ClickPanelButton("定義..."), "");
  ExpectPlayed();
  EXPECT_TRUE(HasLine(LastSnapshot(), "1079 edit \"2\" disabled"));
  EXPECT_TRUE(HasLine(LastSnapshot(), "1075 combobox [文字列|*整数|実数]")) << ::testing::PrintToString(LastSnapshot());
  EXPECT_EQ(Describe(l->group), "ABCDEFGHIJ|1|8|0=");
  EXPECT_EQ(Describe(art[0]), "ABCDEFGHIJ|1|8|0=12") << "the value follows the new definition";
}

TEST_F(EditDialogsTest, ColumnModeOffersCoordinateTypesThatDisableEveryEdit) {
  host->FillSlots();
  panel::FieldDialogParams params;
  params.field = Text(u"LAT", 20, u"kept");
  params.mode = panel::kFieldModeColumn;
  Expect(kFieldDialog);
  Pick(kFieldType, 3);
  Push(K::Snapshot);
  Click(kIdOk);
  EXPECT_EQ(panel::RunFieldDialog(params), kNoErr);
  ExpectPlayed();
  const auto shown = LastSnapshot();
  for (const char* line : {"1080 edit \"LAT\" disabled", "1084 edit \"20\" disabled", "1079 edit \"0\" disabled",
                           "1077 button \"このフィールドを削除...\" hidden"})
    EXPECT_TRUE(HasLine(shown, line)) << line << "\n" << ::testing::PrintToString(shown);
  EXPECT_EQ(params.field.type, attr::kFieldLatitudeOrX);
  EXPECT_EQ(params.field.width, 0);
  EXPECT_EQ(params.field.decimals, 0);
  EXPECT_EQ(params.field.value, u"kept");
}

TEST_F(EditDialogsTest, DuplicateNamesAreRefusedForChangesAndNewFields) {
  LayerOpaque* a = Layer("A");
  LayerOpaque* b = Layer("B");
  SetFields(a->group, {Text(u"CITY", 20)});
  SetFields(b->group, {Text(u"CITY", 30), Text(u"NOTE", 10)});
  ArtOpaque* pa = Point(a, 0, 0, {Text(u"CITY", 20, u"Sapporo")});
  ArtOpaque* pb = Point(b, 0, 0, {Text(u"CITY", 30, u"Naha")});
  pa->flags |= kArtSelected;
  pb->flags |= kArtSelected;
  EXPECT_EQ(app->Notify("AI Art Selection Changed Notifier"), "");
  ASSERT_EQ(Rows().size(), 3u);

  // Only the width of the first CITY changes: the other row has the name.
  Expect(kFieldDialog);
  Type(kFieldWidth, "25");
  Click(kIdOk);
  EXPECT_EQ(app->ClickPanelButton("定義..."), "");
  // 新規... with an existing name.
  Expect(kFieldDialog);
  Type(kFieldName, "NOTE");
  Click(kIdOk);
  EXPECT_EQ(app->ClickPanelButton("新規..."), "");
  ExpectPlayed();
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{panel::kDuplicateName, panel::kDuplicateName}));
  EXPECT_EQ(Describe(b->group), "CITY|0|30|0=; NOTE|0|10|0=");
  EXPECT_EQ(Describe(a->group), "CITY|0|20|0=");
  EXPECT_EQ(Describe(pb), "CITY|0|30|0=Naha");

  // Renaming it is accepted, on the layers and the objects.
  Expect(kFieldDialog);
  Type(kFieldName, "TOWN");
  Click(kIdOk);
  EXPECT_EQ(app->ClickPanelButton("定義..."), "");
  // An empty name is accepted for a new field; it goes to both layers.
  Expect(kFieldDialog);
  Type(kFieldName, "");
  Type(kFieldWidth, "12");
  Click(kIdOk);
  EXPECT_EQ(app->ClickPanelButton("新規..."), "");
  ExpectPlayed();
  EXPECT_EQ(host->Alerts().size(), 2u);
  EXPECT_EQ(Describe(b->group), "TOWN|0|30|0=; NOTE|0|10|0=; |0|12|0=");
  EXPECT_EQ(Describe(a->group), "CITY|0|20|0=; |0|12|0=");
  EXPECT_EQ(Describe(pb), "TOWN|0|30|0=Naha");
  EXPECT_EQ(Describe(pa), "CITY|0|20|0=Sapporo") << "a new field reaches objects only with a value";
}

TEST_F(EditDialogsTest, DeletingAFieldRemovesItFromUnselectedObjectsToo) {
  Draw({Text(u"A", 5), Text(u"B", 5)},
       {{Text(u"A", 5, u"1"), Text(u"B", 5, u"x")}, {Text(u"A", 5, u"2")}, {Text(u"B", 5, u"y"), Text(u"A", 5, u"3")}});
  ArtOpaque* g = Group(l->group);
  ArtOpaque* inner = Path(g, {{1, 1}}, {Text(u"A", 5, u"4")});
  // The person says no first, then yes.
  Expect(kFieldDialog);
  Click(kFieldDelete);
  Answer(false);
  Click(kFieldDelete);
  Answer(true);
  EXPECT_EQ(app->ClickPanelButton("定義..."), "");  // row 0 (A): no row is selected
  ExpectPlayed();
  EXPECT_EQ(Describe(l->group), "B|0|5|0=");
  EXPECT_EQ(Describe(art[0]), "B|0|5|0=x");
  EXPECT_EQ(Describe(art[1]), "");
  EXPECT_EQ(Describe(art[2]), "B|0|5|0=y") << "not selected";
  EXPECT_EQ(Describe(inner), "") << "inside a group, not selected";
  EXPECT_EQ(Rows(), std::vector<std::string>{"B=(複数の属性値)"}) << "path 1 has no B";
  ASSERT_EQ(host->Alerts().size(), 2u);
  EXPECT_EQ(host->Alerts()[0].text, panel::kConfirmDelete);
}

TEST_F(EditDialogsTest, ARedefinitionThatCannotReachEveryLayerChangesNoLayer) {
  LayerOpaque* a = Layer("A");
  LayerOpaque* b = Layer("B");
  SetFields(a->group, {Text(u"CITY", 20)});
  SetFields(b->group, {Text(u"CITY", 20)});
  ArtOpaque* pa = Point(a, 0, 0, {Text(u"CITY", 20, u"Sapporo")});
  ArtOpaque* pb = Point(b, 0, 0, {Text(u"CITY", 20, u"Naha")});
  pa->flags |= kArtSelected;
  pb->flags |= kArtSelected;
  EXPECT_EQ(app->Notify("AI Art Selection Changed Notifier"), "");
  ASSERT_EQ(Model().Layers().size(), 2u);
  // Layer A goes without the panel hearing of it: the model still names it, the host refuses it.
  host->Doc()->Dispose(a->group);
  Expect(kFieldDialog);
  Type(kFieldName, "TOWN");
  Click(kIdOk);
  EXPECT_EQ(app->ClickPanelButton("定義..."), "");
  ExpectPlayed();
  EXPECT_EQ(Describe(b->group), "CITY|0|20|0=");
  EXPECT_EQ(Describe(pb), "CITY|0|20|0=Naha");
}

TEST_F(EditDialogsTest, NewFieldWithoutLayersTellsTheUser) {
  EXPECT_EQ(app->DeleteLayer(host->Doc()->layers.at(0)->title), "");
  ASSERT_TRUE(host->Doc()->layers.empty());
  EXPECT_EQ(app->ClickPanelButton("新規..."), "");
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{panel::kOpenDocumentFirst});
}

}  // namespace
}  // namespace vx::test
