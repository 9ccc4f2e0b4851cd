// Attribute lists on art: the stored form, the list operations, the key index, shared lists,
// copies and a save and reload.
#include "attributes/shape_attr.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"
#include "tests/support/host_fixture.h"

#include <string>
#include <vector>

namespace vx::test {
namespace {

using namespace vx::host;
using attr::CVxShapeAttr;
using attr::FieldType;
using attr::kFieldInteger;
using attr::kFieldReal;
using attr::kFieldString;
using attr::ShapeField;

ShapeField Field(std::u16string name, FieldType type, std::int32_t width, std::int32_t decimals,
                 std::u16string value = u"") {
  ShapeField f;
  f.name = std::move(name);
  f.type = type;
  f.width = width;
  f.decimals = decimals;
  f.value = std::move(value);
  return f;
}

std::string Show(const ShapeField& f) {
  return text::Utf16ToUtf8(f.name) + "|" + std::to_string(f.type) + "|" + std::to_string(f.width) + "|" +
         std::to_string(f.decimals) + "=" + text::Utf16ToUtf8(f.value);
}

class ShapeAttrTest : public HostFixture {
 protected:
  ArtHandle LayerGroup(LayerHandle layer = nullptr) {
    if (!layer) {
      EXPECT_EQ(sLayer()->GetFirstLayer(layer), kNoErr);
    }
    ArtHandle g = nullptr;
    EXPECT_EQ(sLayer()->GetLayerGroup(layer, g), kNoErr);
    return g;
  }
  ArtHandle NewPath(ArtHandle inside = nullptr) {
    ArtHandle p = nullptr;
    EXPECT_EQ(sArt()->NewArt(ArtType::Path, PaintOrder::InsideOnBottom, inside ? inside : LayerGroup(), p), kNoErr);
    return p;
  }
  // The art's list as read back through a new handle; "none" when it holds no list.
  static std::vector<std::string> ListOf(ArtHandle art) {
    CVxShapeAttr a;
    a.Load(art);
    if (!a.HasList()) return {"none"};
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < a.Count(); ++i) {
      ShapeField f;
      out.push_back(a.GetField(i, f) ? Show(f) : "unreadable");
    }
    return out;
  }
  ArrayRef StoredList(ArtHandle art) {
    DictionaryRef d;
    EXPECT_EQ(sArt()->GetDictionary(art, d), kNoErr);
    Entry e;
    ArrayRef list;
    if (d->Get(attr::kShapeFieldKey, e) != kNoErr || e.AsArray(list) != kNoErr) return nullptr;
    return list;
  }
  static void Fill(ArtHandle art, const std::vector<ShapeField>& fields) {
    CVxShapeAttr a;
    a.Load(art);
    ASSERT_EQ(a.ReplaceAll(fields), kNoErr);
  }
};

// Each element is an array of exactly five entries: name and value as strings (UTF-8), type,
// width and decimals as integers, in field order.
TEST_F(ShapeAttrTest, StoredFormIsAnArrayOfFiveEntryArrays) {
  ArtHandle art = NewPath();
  Fill(art, {Field(u"市町村名", kFieldString, 20, 0, u"東京"), Field(u"AREA", kFieldReal, 12, 3, u"1.500")});
  ArrayRef list = StoredList(art);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->Count(), 2);
  Entry e;
  ArrayRef element;
  ASSERT_EQ(list->Get(0, e), kNoErr);
  ASSERT_EQ(e.AsArray(element), kNoErr);
  ASSERT_EQ(element->Count(), 5);
  const EntryType types[] = {EntryType::String, EntryType::Integer, EntryType::Integer, EntryType::Integer,
                             EntryType::String};
  for (std::int32_t i = 0; i < 5; ++i) {
    ASSERT_EQ(element->Get(i, e), kNoErr);
    EXPECT_EQ(e.Type(), types[i]) << "entry " << i;
  }
  std::string s;
  ASSERT_EQ(element->Get(0, e), kNoErr);
  ASSERT_EQ(e.AsString(s), kNoErr);
  EXPECT_EQ(s, "市町村名");
  EXPECT_EQ(ListOf(art), (std::vector<std::string>{"市町村名|0|20|0=東京", "AREA|2|12|3=1.500"}));
}

// Art that never had attributes: no list until CreateList, and adding needs one.
TEST_F(ShapeAttrTest, ArtWithoutAListNeedsCreateList) {
  ArtHandle art = NewPath();
  CVxShapeAttr a;
  a.Load(art);
  EXPECT_FALSE(a.HasList());
  EXPECT_EQ(a.Art(), nullptr);
  EXPECT_EQ(a.Count(), 0);
  const ShapeField f = Field(u"CITY", kFieldString, 20, 0, u"x");
  EXPECT_FALSE(a.Find(f));
  EXPECT_NE(a.AddField(f), kNoErr);
  ShapeField out;
  EXPECT_FALSE(a.GetField(0, out));
  EXPECT_FALSE(a.DeleteField(0));
  EXPECT_FALSE(a.CopyTo(NewPath()));
  EXPECT_EQ(ListOf(art), std::vector<std::string>{"none"});

  ASSERT_EQ(a.CreateList(), kNoErr);
  EXPECT_TRUE(a.HasList());
  EXPECT_EQ(a.Art(), art);
  ASSERT_TRUE(StoredList(art));
  EXPECT_EQ(StoredList(art)->Count(), 0);
  ASSERT_EQ(a.AddField(f), kNoErr);
  EXPECT_EQ(ListOf(art), std::vector<std::string>{"CITY|0|20|0=x"});

  // A handle that was never loaded has nothing to store into.
  CVxShapeAttr unbound;
  EXPECT_NE(unbound.CreateList(), kNoErr);
  EXPECT_NE(unbound.ReplaceAll({}), kNoErr);
}

// A field is found by name, type, width and decimals together; adding one that is there changes
// nothing, not even its value.
TEST_F(ShapeAttrTest, AddFieldAndFindByFullDefinition) {
  ArtHandle art = NewPath();
  CVxShapeAttr a;
  a.Load(art);
  ASSERT_EQ(a.CreateList(), kNoErr);
  ASSERT_EQ(a.AddField(Field(u"NAME", kFieldString, 20, 0, u"first")), kNoErr);
  ASSERT_EQ(a.AddField(Field(u"NAME", kFieldString, 30, 0, u"wider")), kNoErr);
  ASSERT_EQ(a.AddField(Field(u"NAME", kFieldString, 20, 0, u"again")), kNoErr);
  ASSERT_EQ(a.AddField(Field(u"NAME", kFieldInteger, 20, 0, u"7")), kNoErr);
  EXPECT_EQ(ListOf(art), (std::vector<std::string>{"NAME|0|20|0=first", "NAME|0|30|0=wider", "NAME|1|20|0=7"}));

  struct Case {
    ShapeField field;
    bool found;
    std::int32_t index;
  } cases[] = {
      {Field(u"NAME", kFieldString, 20, 0), true, 0},
      {Field(u"NAME", kFieldString, 30, 0, u"value is no part of identity"), true, 1},
      {Field(u"NAME", kFieldInteger, 20, 0), true, 2},
      {Field(u"NAME", kFieldString, 20, 1), false, -1},
      {Field(u"name", kFieldString, 20, 0), false, -1},
      {Field(u"NAME ", kFieldString, 20, 0), false, -1},
  };
  for (const Case& c : cases) {
    std::int32_t index = -1;
    EXPECT_EQ(a.Find(c.field, &index), c.found) << Show(c.field);
    EXPECT_EQ(index, c.index) << Show(c.field);
  }
}

// Load indexes every element, the later of two equal keys winning; UpdateField and DeleteField
// leave the index as it was until the list is loaded again.
TEST_F(ShapeAttrTest, KeyIndexRules) {
  ArtHandle art = NewPath();
  Fill(art, {Field(u"A", kFieldString, 5, 0, u"1"), Field(u"B", kFieldString, 5, 0, u"2"),
             Field(u"A", kFieldString, 5, 0, u"3")});
  CVxShapeAttr a;
  a.Load(art);
  std::int32_t index = -1;
  ASSERT_TRUE(a.Find(Field(u"A", kFieldString, 5, 0), &index));
  EXPECT_EQ(index, 2);
  // Found, so not added a third time.
  ASSERT_EQ(a.AddField(Field(u"A", kFieldString, 5, 0, u"4")), kNoErr);
  EXPECT_EQ(a.Count(), 3);

  ASSERT_TRUE(a.DeleteField(0));
  ASSERT_TRUE(a.UpdateField(0, Field(u"C", kFieldString, 5, 0)));
  EXPECT_TRUE(a.Find(Field(u"B", kFieldString, 5, 0), &index));
  EXPECT_EQ(index, 1) << "the index is not touched by DeleteField or UpdateField";
  EXPECT_FALSE(a.Find(Field(u"C", kFieldString, 5, 0)));

  a.Load(art);
  EXPECT_FALSE(a.Find(Field(u"B", kFieldString, 5, 0)));
  ASSERT_TRUE(a.Find(Field(u"C", kFieldString, 5, 0), &index));
  EXPECT_EQ(index, 0);
  ASSERT_TRUE(a.Find(Field(u"A", kFieldString, 5, 0), &index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(ListOf(art), (std::vector<std::string>{"C|0|5|0=2", "A|0|5|0=3"}));
}

// Every indexed operation refuses positions outside the list, Count itself included, and
// leaves the list alone.
TEST_F(ShapeAttrTest, IndexesOutsideTheListFail) {
  ArtHandle art = NewPath();
  Fill(art, {Field(u"A", kFieldInteger, 5, 0, u"1"), Field(u"B", kFieldString, 5, 0, u"x")});
  CVxShapeAttr a;
  a.Load(art);
  const ShapeField def = Field(u"Z", kFieldInteger, 3, 0);
  for (std::int32_t index : {-1, 2, 3, -2147483647 - 1}) {
    ShapeField f = Field(u"keep", kFieldReal, 1, 1, u"keep");
    std::u16string v = u"keep";
    EXPECT_FALSE(a.GetField(index, f)) << index;
    EXPECT_FALSE(a.GetFieldDef(index, f)) << index;
    EXPECT_FALSE(a.GetValue(index, v)) << index;
    EXPECT_FALSE(a.UpdateField(index, def)) << index;
    EXPECT_FALSE(a.SetValue(index, u"5")) << index;
    EXPECT_FALSE(a.DeleteField(index)) << index;
    EXPECT_EQ(Show(f), "keep|2|1|1=keep") << index;
    EXPECT_EQ(v, u"keep") << index;
  }
  EXPECT_EQ(ListOf(art), (std::vector<std::string>{"A|1|5|0=1", "B|0|5|0=x"}));

  // GetFieldDef reads the definition only.
  ShapeField f = Field(u"", kFieldString, 0, 0, u"mine");
  ASSERT_TRUE(a.GetFieldDef(1, f));
  EXPECT_EQ(Show(f), "B|0|5|0=mine");
}

// Elements that do not have the stored form are refused, not guessed at.
TEST_F(ShapeAttrTest, MalformedElementsAreUnreadable) {
  ArtHandle art = NewPath();
  Fill(art, {Field(u"A", kFieldString, 5, 0, u"ok")});
  ArrayRef list = StoredList(art);
  ArrayRef shortOne, wrongType;
  ASSERT_EQ(sDictionary()->NewArray(shortOne), kNoErr);
  ASSERT_EQ(sDictionary()->NewArray(wrongType), kNoErr);
  shortOne->Append(Entry::String("S"));
  shortOne->Append(Entry::Integer(0));
  for (Entry e : {Entry::String("W"), Entry::String("0"), Entry::Integer(5), Entry::Integer(0), Entry::String("v")})
    wrongType->Append(e);
  list->Append(Entry::FromArray(shortOne));
  list->Append(Entry::FromArray(wrongType));
  list->Append(Entry::Integer(3));

  CVxShapeAttr a;
  a.Load(art);
  EXPECT_EQ(a.Count(), 4);
  EXPECT_TRUE(a.Find(Field(u"A", kFieldString, 5, 0)));
  EXPECT_FALSE(a.Find(Field(u"W", kFieldString, 5, 0)));
  for (std::int32_t i : {1, 2, 3}) {
    ShapeField f;
    std::u16string v;
    EXPECT_FALSE(a.GetField(i, f)) << i;
    EXPECT_FALSE(a.GetFieldDef(i, f)) << i;
    EXPECT_FALSE(a.SetValue(i, u"x")) << i;
  }
  std::u16string v;
  EXPECT_FALSE(a.GetValue(3, v));
  EXPECT_FALSE(a.GetValue(1, v)) << "a two-entry element has no value";
}

// A changed definition re-formats a value that is there; an empty value stays empty.
TEST_F(ShapeAttrTest, UpdateFieldReformatsTheValue) {
  struct Case {
    ShapeField before;
    ShapeField def;
    const char* after;
  } cases[] = {
      {Field(u"V", kFieldString, 10, 0, u"12.7"), Field(u"V", kFieldInteger, 5, 0), "V|1|5|0=12"},
      {Field(u"V", kFieldInteger, 10, 0, u"123456"), Field(u"V", kFieldInteger, 3, 0), "V|1|3|0=999"},
      {Field(u"V", kFieldInteger, 10, 0, u""), Field(u"V", kFieldInteger, 3, 0), "V|1|3|0="},
      {Field(u"V", kFieldString, 10, 0, u""), Field(u"W", kFieldReal, 8, 2), "W|2|8|2="},
      {Field(u"V", kFieldString, 10, 0, u"東京"), Field(u"V", kFieldInteger, 5, 0), "V|1|5|0="},
      {Field(u"V", kFieldInteger, 10, 0, u"3000000000"), Field(u"V", kFieldInteger, 10, 0), "V|1|10|0=3000000000"},
      {Field(u"V", kFieldInteger, 10, 0, u"007"), Field(u"W", kFieldInteger, 10, 0), "W|1|10|0=007"},
      {Field(u"V", kFieldInteger, 5, 0, u"42"), Field(u"面積", kFieldReal, 8, 2), "面積|2|8|2=42.00"},
      {Field(u"V", kFieldReal, 8, 2, u"3.14"), Field(u"V", kFieldString, 1, 0), "V|0|1|0=3.14"},
      // The definition's own value is not what is stored.
      {Field(u"V", kFieldString, 10, 0, u"abc"), Field(u"V", kFieldString, 10, 0, u"ignored"), "V|0|10|0=abc"},
  };
  for (const Case& c : cases) {
    ArtHandle art = NewPath();
    Fill(art, {Field(u"first", kFieldString, 1, 0, u"f"), c.before});
    CVxShapeAttr a;
    a.Load(art);
    ASSERT_TRUE(a.UpdateField(1, c.def)) << c.after;
    EXPECT_EQ(ListOf(art), (std::vector<std::string>{"first|0|1|0=f", c.after}));
  }
}

TEST_F(ShapeAttrTest, SetValueFormatsForTheField) {
  struct Case {
    ShapeField field;
    std::u16string text;
    std::u16string stored;
  } cases[] = {
      {Field(u"T", kFieldString, 3, 0), u" 長い文字列は切らない ", u" 長い文字列は切らない "},
      {Field(u"I", kFieldInteger, 3, 0), u"123456", u"999"},
      {Field(u"I", kFieldInteger, 5, 0), u"12.7", u"12"},
      {Field(u"R", kFieldReal, 10, 2), u"3.146", u"3.15"},
      {Field(u"R", kFieldReal, 10, 2), u"", u""},
      {Field(u"I", kFieldInteger, 10, 0), u"abc", u""},
      {Field(u"X", attr::kFieldLatitudeOrX, 0, 0, u"old"), u"new", u"old"},
  };
  for (const Case& c : cases) {
    ArtHandle art = NewPath();
    Fill(art, {c.field});
    CVxShapeAttr a;
    a.Load(art);
    ASSERT_TRUE(a.SetValue(0, c.text));
    std::u16string v;
    ASSERT_TRUE(a.GetValue(0, v));
    EXPECT_EQ(text::Utf16ToUtf8(v), text::Utf16ToUtf8(c.stored)) << Show(c.field);
  }
}

// The held list is the stored list: what one handle changes, a second handle on the same art
// sees without anything being stored again.
TEST_F(ShapeAttrTest, ChangesThroughAHeldListReachTheArt) {
  ArtHandle art = NewPath();
  Fill(art, {Field(u"A", kFieldInteger, 5, 0, u"1"), Field(u"B", kFieldString, 5, 0, u"b")});
  CVxShapeAttr first, second;
  first.Load(art);
  second.Load(art);

  ASSERT_TRUE(first.SetValue(0, u"77"));
  ASSERT_EQ(first.AddField(Field(u"C", kFieldReal, 6, 1, u"2.5")), kNoErr);
  ASSERT_TRUE(first.UpdateField(1, Field(u"B2", kFieldString, 8, 0)));
  std::u16string v;
  ASSERT_TRUE(second.GetValue(0, v));
  EXPECT_EQ(v, u"77");
  EXPECT_EQ(second.Count(), 3);
  ShapeField f;
  ASSERT_TRUE(second.GetField(1, f));
  EXPECT_EQ(Show(f), "B2|0|8|0=b");

  ASSERT_TRUE(second.DeleteField(0));
  EXPECT_EQ(first.Count(), 2);
  EXPECT_EQ(ListOf(art), (std::vector<std::string>{"B2|0|8|0=b", "C|2|6|1=2.5"}));
}

TEST_F(ShapeAttrTest, ReplaceAllStoresANewListInOrder) {
  ArtHandle art = NewPath();
  Fill(art, {Field(u"old", kFieldString, 5, 0, u"o")});
  CVxShapeAttr a;
  a.Load(art);
  ASSERT_EQ(a.ReplaceAll(std::vector<ShapeField>{Field(u"Z", kFieldInteger, 4, 0, u"9"),
                                                 Field(u"A", kFieldString, 3, 0, u"x"),
                                                 Field(u"Z", kFieldInteger, 4, 0, u"dup")}),
            kNoErr);
  EXPECT_EQ(ListOf(art), (std::vector<std::string>{"Z|1|4|0=9", "A|0|3|0=x", "Z|1|4|0=dup"}));
  std::int32_t index = -1;
  EXPECT_FALSE(a.Find(Field(u"old", kFieldString, 5, 0)));
  ASSERT_TRUE(a.Find(Field(u"Z", kFieldInteger, 4, 0), &index));
  EXPECT_EQ(index, 2);
  // The handle goes on with the new list.
  ASSERT_TRUE(a.SetValue(1, u"y"));
  EXPECT_EQ(ListOf(art)[1], "A|0|3|0=y");

  // An empty sequence leaves an empty list stored, not an absent one.
  ASSERT_EQ(a.ReplaceAll({}), kNoErr);
  EXPECT_TRUE(a.HasList());
  EXPECT_EQ(ListOf(art), std::vector<std::string>{});
  ASSERT_TRUE(StoredList(art));

  // On art without a list, ReplaceAll makes one.
  ArtHandle bare = NewPath();
  CVxShapeAttr b;
  b.Load(bare);
  ASSERT_EQ(b.ReplaceAll(std::vector<ShapeField>{Field(u"N", kFieldString, 1, 0)}), kNoErr);
  EXPECT_EQ(ListOf(bare), std::vector<std::string>{"N|0|1|0="});
}

// The copy replaces the target's list and shares nothing with the source afterwards.
TEST_F(ShapeAttrTest, CopyToReplacesTheTargetListWithAnIndependentCopy) {
  ArtHandle source = NewPath(), target = NewPath();
  Fill(source, {Field(u"名前", kFieldString, 10, 0, u"東京"), Field(u"POP", kFieldInteger, 10, 0, u"5")});
  Fill(target, {Field(u"other", kFieldString, 1, 0, u"a"), Field(u"x", kFieldString, 1, 0),
                Field(u"y", kFieldString, 1, 0)});
  CVxShapeAttr a;
  a.Load(source);
  ASSERT_TRUE(a.CopyTo(target));
  const std::vector<std::string> expected{"名前|0|10|0=東京", "POP|1|10|0=5"};
  EXPECT_EQ(ListOf(target), expected);

  CVxShapeAttr t;
  t.Load(target);
  ASSERT_TRUE(t.SetValue(0, u"大阪"));
  ASSERT_TRUE(t.UpdateField(1, Field(u"POP", kFieldInteger, 1, 0)));
  ASSERT_EQ(t.AddField(Field(u"new", kFieldString, 1, 0)), kNoErr);
  EXPECT_EQ(ListOf(source), expected);
  EXPECT_EQ(ListOf(target), (std::vector<std::string>{"名前|0|10|0=大阪", "POP|1|1|0=5", "new|0|1|0="}));

  // An empty list is copied as an empty list.
  ArtHandle empty = NewPath();
  Fill(empty, {});
  CVxShapeAttr e;
  e.Load(empty);
  ASSERT_TRUE(e.CopyTo(target));
  EXPECT_EQ(ListOf(target), std::vector<std::string>{});
}

// A saved and reopened document holds every list exactly: names in Japanese, empty lists, the
// order of fields, lists on layer groups and art without a list.
TEST_F(ShapeAttrTest, ListsSurviveSaveAndReload) {
  LayerHandle first = nullptr, second = nullptr;
  ASSERT_EQ(sLayer()->GetFirstLayer(first), kNoErr);
  ASSERT_EQ(sLayer()->InsertLayer(first, PaintOrder::Below, second), kNoErr);
  Fill(LayerGroup(first), {Field(u"市町村名", kFieldString, 20, 0), Field(u"人口", kFieldInteger, 10, 0),
                           Field(u"面積", kFieldReal, 12, 3)});
  Fill(NewPath(LayerGroup(first)), {Field(u"面積", kFieldReal, 12, 3, u"12.345"),
                                    Field(u"市町村名", kFieldString, 20, 0, u"千代田区 | 東京都"),
                                    Field(u"人口", kFieldInteger, 10, 0, u"-1")});
  Fill(NewPath(LayerGroup(first)), {});
  NewPath(LayerGroup(first));
  Fill(NewPath(LayerGroup(second)), {Field(u"A", kFieldString, 254, 0, std::u16string(300, u'あ')),
                                     Field(u"A", kFieldString, 254, 0, u"same key twice")});

  auto snapshot = [&] {
    std::vector<std::vector<std::string>> all;
    for (LayerHandle l : {first, second}) {
      const ArtHandle group = LayerGroup(l);
      all.push_back(ListOf(group));
      ArtHandle a = nullptr;
      EXPECT_EQ(sArt()->GetArtFirstChild(group, a), kNoErr);
      while (a) {
        all.push_back(ListOf(a));
        ArtHandle next = nullptr;
        EXPECT_EQ(sArt()->GetArtSibling(a, next), kNoErr);
        a = next;
      }
    }
    return all;
  };
  const auto before = snapshot();
  ASSERT_EQ(before.size(), 6u);
  EXPECT_EQ(before[2], std::vector<std::string>{});
  EXPECT_EQ(before[3], std::vector<std::string>{"none"});

  TempDir dir;
  std::string error;
  ASSERT_TRUE(host->SaveDocument(dir / "lists.vxd", error)) << error;
  host->CloseDocument();
  ASSERT_TRUE(host->OpenDocument(dir / "lists.vxd", error)) << error;
  ASSERT_EQ(sLayer()->GetFirstLayer(first), kNoErr);
  ASSERT_EQ(sLayer()->GetNextLayer(first, second), kNoErr);
  EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace vx::test
