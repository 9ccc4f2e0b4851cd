// Upgrade of old-format attribute tags: parsing a tag, upgrading one object, and the command
// with its alerts, progress and cancel.
#include "attributes/shape_attr.h"
#include "attributes/upgrade.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"
#include "tests/support/host_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace vx::test {
namespace {

using namespace vx::host;
using attr::CVxShapeAttr;
using attr::OldTagField;
using attr::ShapeField;

constexpr const char* kNothingFound = "ドキュメント内に以前の型式の属性データはありません";
constexpr const char* kDone = "アップグレードが完了しました";

std::string Sjis(std::u16string_view s) { return text::Utf16ToShiftJis(s); }

TEST(ParseOldTag, SplitsNameTypeWidthDecimalsAndValue) {
  struct Case {
    std::string name, value;
    bool ok;
    std::string fieldName;
    char type;
    int width, decimals;
    std::string fieldValue;
    std::int64_t number;
  } cases[] = {
      {"VxShapeTag0", "NAME|C|20|0|" + Sjis(u"東京"), true, "NAME", 'C', 20, 0, Sjis(u"東京"), 0},
      {"VxShapeTag12", "POP|N|10|2|12345", true, "POP", 'N', 10, 2, "12345", 12},
      {"VxShapeTag1", "A|C|5|0|x|y||z", true, "A", 'C', 5, 0, "x|y||z", 1},  // the value keeps its bars
      {"VxShapeTag1", "A|C|5|0|", true, "A", 'C', 5, 0, "", 1},
      {"VxShapeTag1", "|||", false, "", 0, 0, 0, "", 0},                      // three bars
      {"VxShapeTag1", "NAME|C|20|0", false, "", 0, 0, 0, "", 0},
      {"VxShapeTag1", "", false, "", 0, 0, 0, "", 0},
      {"vxshapetag1", "A|C|5|0|v", false, "", 0, 0, 0, "", 0},             // the name is case-sensitive
      {"ShapeTag1", "A|C|5|0|v", false, "", 0, 0, 0, "", 0},
      {"OldVxShapeTag7", "A|C|5|0|v", true, "A", 'C', 5, 0, "v", 0},      // number read after 10 chars: "g7"
      {"VxShapeTag", "A|C|5|0|v", true, "A", 'C', 5, 0, "v", 0},
      {"VxShapeTag-3x", "A|C|5|0|v", true, "A", 'C', 5, 0, "v", -3},
      {"VxShapeTag1", "||||", true, "", '\0', 0, 0, "", 1},                // empty parts: no type letter
      {"VxShapeTag1", "A|Numeric|300| -1|v", true, "A", 'N', 44, 255, "v", 1},  // low 8 bits
      {"VxShapeTag1", "A|L| 7abc|x|T", true, "A", 'L', 7, 0, "T", 1},      // atol: prefix digits
      // atol with a 32-bit long saturates: 0x7FFFFFFF keeps 0xFF, 0x80000000 keeps 0x00.
      {"VxShapeTag1", "A|C|4294967296|-4294967297|v", true, "A", 'C', 255, 0, "v", 1},
      {"VxShapeTag99999999999", "A|C|5|0|v", true, "A", 'C', 5, 0, "v", 2147483647},
      {"VxShapeTag1", "ABCDEFGHIJKLMN|C|5|0|v", true, "ABCDEFGHIJK", 'C', 5, 0, "v", 1},
      // The second byte of ポ is 0x7C, no bar.
      {"VxShapeTag1", Sjis(u"ポイント") + "|C|20|0|" + Sjis(u"ポ|ポ"), true, Sjis(u"ポイント"), 'C', 20, 0, Sjis(u"ポ|ポ"), 1},
      {"VxShapeTag1", Sjis(u"ポ") + "|C|20|0", false, "", 0, 0, 0, "", 0},
      // Eleven bytes would end inside the sixth double-byte character: it is left out whole.
      {"VxShapeTag1", Sjis(u"あいうえおか") + "|C|5|0|v", true, Sjis(u"あいうえお"), 'C', 5, 0, "v", 1},
      {"VxShapeTag1", "AB" + Sjis(u"あいうえお") + "|C|5|0|v", true, "AB" + Sjis(u"あいうえ"), 'C', 5, 0, "v", 1},
  };
  for (const Case& c : cases) {
    OldTagField f;
    f.value = "untouched";
    ASSERT_EQ(attr::ParseOldTag(c.name, c.value, f), c.ok) << c.name << " " << c.value;
    if (!c.ok) {
      EXPECT_EQ(f.value, "untouched");
      continue;
    }
    EXPECT_EQ(std::string(f.desc.Name()), c.fieldName) << c.value;
    EXPECT_EQ(f.desc.type, c.type) << c.value;
    EXPECT_EQ(f.desc.length, c.width) << c.value;
    EXPECT_EQ(f.desc.decimals, c.decimals) << c.value;
    EXPECT_EQ(f.value, c.fieldValue) << c.value;
    EXPECT_EQ(f.number, c.number) << c.name;
  }
}

class UpgradeTest : public HostFixture {
 protected:
  ArtHandle Group(LayerHandle layer) {
    ArtHandle g = nullptr;
    EXPECT_EQ(sLayer()->GetLayerGroup(layer, g), kNoErr);
    return g;
  }
  LayerHandle FirstLayer() {
    LayerHandle l = nullptr;
    EXPECT_EQ(sLayer()->GetFirstLayer(l), kNoErr);
    return l;
  }
  ArtHandle NewPath(ArtHandle inside) {
    ArtHandle p = nullptr;
    EXPECT_EQ(sArt()->NewArt(ArtType::Path, PaintOrder::InsideOnBottom, inside, p), kNoErr);
    return p;
  }
  static void Tag(ArtHandle art, const std::string& name, const std::string& value,
                  const std::string& type = "string") {
    ASSERT_EQ(sTag()->SetTag(art, name, type, value), kNoErr);
  }
  // The art's list as "name|type|width|decimals=value" lines; "none" without a list.
  static std::vector<std::string> ListOf(ArtHandle art) {
    CVxShapeAttr a;
    a.Load(art);
    if (!a.HasList()) return {"none"};
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < a.Count(); ++i) {
      ShapeField f;
      if (!a.GetField(i, f)) return {"unreadable"};
      out.push_back(text::Utf16ToUtf8(f.name) + "|" + std::to_string(f.type) + "|" + std::to_string(f.width) + "|" +
                    std::to_string(f.decimals) + "=" + text::Utf16ToUtf8(f.value));
    }
    return out;
  }
  std::vector<std::string> AlertTexts() const {
    std::vector<std::string> out;
    for (const AlertRecord& a : host->Alerts()) out.push_back(a.text);
    return out;
  }
};

using Lines = std::vector<std::string>;

class ProgressUser : public ScriptedUser {
 public:
  void Progress(const std::string& text, std::int64_t current, std::int64_t max) override {
    if (!text.empty() && max > 0) steps.push_back(std::to_string(current) + "/" + std::to_string(max));
  }
  Lines steps;
};

// The two old fields of the example become a text and an integer field; 'L' values become 1 or
// 0; a field already there keeps its value; tags of other types, other names and three-bar
// values are left out; the tags themselves stay.
TEST_F(UpgradeTest, UpgradeArtTagsAddsTheOldFields) {
  ArtHandle art = NewPath(Group(FirstLayer()));
  Tag(art, "VxShapeTag0", "NAME|C|20|0|" + Sjis(u"東京"));
  Tag(art, "VxShapeTag1", "POP|N|10|0|12345");
  Tag(art, "VxShapeTag2", "FLAG|L|1|0|T");
  Tag(art, "VxShapeTag3", "AREA|N|12|3| 1.500 ");
  Tag(art, "VxShapeTag4", Sjis(u"備考") + "|C|50|0|a|b");
  Tag(art, "VxShapeTag5", "SKIP|C|5|0|x", "integer");
  Tag(art, "VxShapeTag6", "SKIP|C|5|0");
  Tag(art, "Other", "SKIP|C|5|0|x");

  CVxShapeAttr before;
  before.Load(art);
  ASSERT_EQ(before.ReplaceAll(std::vector<ShapeField>{
                [] {
                  ShapeField f;
                  f.name = u"POP";
                  f.type = attr::kFieldInteger;
                  f.width = 10;
                  f.value = u"99";
                  return f;
                }()}),
            kNoErr);

  ASSERT_EQ(attr::UpgradeArtTags(art), kNoErr);
  EXPECT_EQ(ListOf(art), (Lines{"POP|1|10|0=99", "NAME|0|20|0=東京", "FLAG|1|1|0=1", "AREA|2|12|3=1.500",
                                "備考|0|50|0=a|b"}));
  std::int32_t tags = 0;
  ASSERT_EQ(sTag()->CountTags(art, tags), kNoErr);
  EXPECT_EQ(tags, 8);

  // Art without a list receives a new one.
  ArtHandle bare = NewPath(Group(FirstLayer()));
  Tag(bare, "VxShapeTag0", "FLAG|L|1|0|n");
  ASSERT_EQ(attr::UpgradeArtTags(bare), kNoErr);
  EXPECT_EQ(ListOf(bare), Lines{"FLAG|1|1|0=0"});
}

TEST_F(UpgradeTest, DocumentWithoutOldTagsIsLeftAlone) {
  ArtHandle art = NewPath(Group(FirstLayer()));
  Tag(art, "note", "A|C|5|0|x");
  Tag(art, "VxShapeTag0", "A|C|5|0|x", "integer");
  EXPECT_FALSE(attr::UpgradeOldAttributes());
  EXPECT_EQ(AlertTexts(), Lines{kNothingFound});
  EXPECT_EQ(host->Alerts()[0].kind, AlertKind::Message);
  EXPECT_EQ(ListOf(art), Lines{"none"});
  EXPECT_TRUE(host->progressLog.empty());
}

// Every object of every layer and sublayer is upgraded, the layers' own definition lists are
// not; a second run adds nothing and reports completion again.
TEST_F(UpgradeTest, CommandUpgradesEveryLayerAndASecondRunAddsNothing) {
  LayerHandle top = FirstLayer(), sub = nullptr, other = nullptr;
  ASSERT_EQ(sLayer()->InsertLayer(top, PaintOrder::InsideOnBottom, sub), kNoErr);
  ASSERT_EQ(sLayer()->InsertLayer(top, PaintOrder::Below, other), kNoErr);
  ArtHandle a = NewPath(Group(top));
  ArtHandle plain = NewPath(Group(top));
  ArtHandle b = NewPath(Group(sub));
  ArtHandle group = nullptr;
  ASSERT_EQ(sArt()->NewArt(ArtType::Group, PaintOrder::InsideOnTop, Group(other), group), kNoErr);
  ArtHandle inner = NewPath(group);
  Tag(a, "VxShapeTag0", "NAME|C|20|0|" + Sjis(u"東京"));
  Tag(a, "VxShapeTag1", "POP|N|10|0|12345");
  Tag(b, "VxShapeTag0", "CODE|N|5|0|42");
  Tag(group, "VxShapeTag0", "G|C|3|0|g");
  Tag(inner, "VxShapeTag0", "I|F|8|2|1.25");
  Tag(Group(sub), "VxShapeTag0", "LAYER|C|3|0|no");

  auto progress = std::make_shared<ProgressUser>();
  host->SetUser(progress);
  const Lines aList{"NAME|0|20|0=東京", "POP|1|10|0=12345"};
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    EXPECT_TRUE(attr::UpgradeOldAttributes());
    EXPECT_EQ(ListOf(a), aList);
    EXPECT_EQ(ListOf(b), Lines{"CODE|1|5|0=42"});
    EXPECT_EQ(ListOf(group), Lines{"G|0|3|0=g"});
    EXPECT_EQ(ListOf(inner), Lines{"I|2|8|2=1.25"});
    EXPECT_EQ(ListOf(plain), Lines{"none"});
    for (LayerHandle l : {top, sub, other}) EXPECT_EQ(ListOf(Group(l)), Lines{"none"});
  }
  EXPECT_EQ(AlertTexts(), (Lines{kDone, kDone}));
  EXPECT_EQ(host->progressLog, (Lines{"旧型式の属性をアップグレードしています", "旧型式の属性をアップグレードしています"}));
  // Once per object of every layer's art set, sublayers counted in their parent as well.
  const Lines walk{"0/7", "1/7", "2/7", "3/7", "4/7", "5/7", "6/7"};
  Lines both = walk;
  both.insert(both.end(), walk.begin(), walk.end());
  EXPECT_EQ(progress->steps, both);
  EXPECT_FALSE(progress->Failure());
}

// A cancel during the scan changes nothing; during the walk it keeps what was done. Neither
// shows an alert.
TEST_F(UpgradeTest, CancelEndsQuietly) {
  struct Case {
    std::int64_t poll;
    bool firstUpgraded, secondUpgraded;
  } cases[] = {
      {1, false, false},  // scan, first object
      {3, false, false},  // walk, before the first object (the scan polls once per object)
      {4, true, false},   // walk, before the second
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.poll);
    host->NewDocument();
    user->CancelAtPoll(0);
    const std::int64_t pollsBefore = user->Polls();
    ArtHandle first = NewPath(Group(FirstLayer()));
    ArtHandle second = NewPath(Group(FirstLayer()));
    Tag(first, "VxShapeTag0", "A|C|5|0|1");
    Tag(second, "VxShapeTag0", "A|C|5|0|2");
    user->CancelAtPoll(pollsBefore + c.poll);
    const std::size_t alerts = host->Alerts().size();
    EXPECT_FALSE(attr::UpgradeOldAttributes());
    EXPECT_EQ(host->Alerts().size(), alerts);
    EXPECT_EQ(ListOf(first), c.firstUpgraded ? Lines{"A|0|5|0=1"} : Lines{"none"});
    EXPECT_EQ(ListOf(second), c.secondUpgraded ? Lines{"A|0|5|0=2"} : Lines{"none"});
  }
}

// Old tags saved in a document (Shift-JIS bytes) are upgraded after it is opened again.
TEST_F(UpgradeTest, TagsSurviveSaveAndUpgradeAfterReload) {
  Tag(NewPath(Group(FirstLayer())), "VxShapeTag0", Sjis(u"名前") + "|C|10|0|" + Sjis(u"千代田区"));
  TempDir dir;
  std::string error;
  ASSERT_TRUE(host->SaveDocument(dir / "old.vxd", error)) << error;
  host->CloseDocument();
  ASSERT_TRUE(host->OpenDocument(dir / "old.vxd", error)) << error;
  EXPECT_TRUE(attr::UpgradeOldAttributes());
  ArtHandle art = nullptr;
  ASSERT_EQ(sArt()->GetArtFirstChild(Group(FirstLayer()), art), kNoErr);
  EXPECT_EQ(ListOf(art), Lines{"名前|0|10|0=千代田区"});
}

// vxshape upgrade chooses the menu item in the plug-in, prints the messages and saves.
TEST_F(UpgradeTest, CommandLineRunsTheMenuItem) {
  const std::filesystem::path program = std::filesystem::path(VX_BINARY_DIR) / "cli" / "vxshape";
  if (!std::filesystem::exists(program)) GTEST_SKIP() << program << " is not built";
  TempDir dir;
  auto run = [&](const std::string& doc, std::string& out) {
    const std::string cmd = "'" + program.string() + "' upgrade '" + (dir / doc).string() + "' > '" +
                            (dir / "out.txt").string() + "' 2>&1";
    const int rc = std::system(cmd.c_str());
    std::ifstream f(dir / "out.txt", std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    out = s.str();
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  };
  std::string error, out;
  ASSERT_TRUE(host->SaveDocument(dir / "plain.vxd", error)) << error;
  Tag(NewPath(Group(FirstLayer())), "VxShapeTag0", Sjis(u"名前") + "|C|10|0|" + Sjis(u"千代田区"));
  ASSERT_TRUE(host->SaveDocument(dir / "old.vxd", error)) << error;

  EXPECT_EQ(run("plain.vxd", out), 0) << out;
  EXPECT_EQ(out, std::string(kNothingFound) + "\n");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(run("old.vxd", out), 0) << out;
    EXPECT_EQ(out, std::string(kDone) + "\n");
  }
  ASSERT_TRUE(host->OpenDocument(dir / "old.vxd", error)) << error;
  ArtHandle art = nullptr;
  ASSERT_EQ(sArt()->GetArtFirstChild(Group(FirstLayer()), art), kNoErr);
  EXPECT_EQ(ListOf(art), Lines{"名前|0|10|0=千代田区"});
}

}  // namespace
}  // namespace vx::test
