// Locked art: every setter of the art suites refuses art that is locked itself, sits in a locked
// group or on a locked layer, and leaves it as it was; unlocked, the same call goes through.
#include "host/svg.h"
#include "shell/host/slots.h"
#include "tests/support/host_fixture.h"

#include <functional>

namespace vx::test {
namespace {

using namespace vx::host;

// One art of each kind the setters take, on a layer of its own.
struct Scene {
  LayerHandle layer = nullptr;
  ArtHandle group = nullptr;     // a plain group holding the others
  ArtHandle path = nullptr;      // holds the tag "t"
  ArtHandle compound = nullptr;  // a compound path with one path inside
  ArtHandle text = nullptr;
};

struct Setter {
  const char* name;
  std::function<Err(Scene&)> call;
};

class LockedArtTest : public HostFixture {
 protected:
  Scene Build() {
    Scene s;
    EXPECT_EQ(sLayer()->InsertLayer(nullptr, PaintOrder::Above, s.layer), kNoErr);
    ArtHandle top = nullptr;
    EXPECT_EQ(sLayer()->GetLayerGroup(s.layer, top), kNoErr);
    EXPECT_EQ(sArt()->NewArt(ArtType::Group, PaintOrder::InsideOnTop, top, s.group), kNoErr);
    EXPECT_EQ(sArt()->NewArt(ArtType::Path, PaintOrder::InsideOnTop, s.group, s.path), kNoErr);
    const PathSegment seg[] = {{{0, 0}, {0, 0}, {0, 0}, false}, {{10, 5}, {10, 5}, {10, 5}, false}};
    EXPECT_EQ(sPath()->SetPathSegments(s.path, 2, seg), kNoErr);
    EXPECT_EQ(sTag()->SetTag(s.path, "t", "string", "a"), kNoErr);
    EXPECT_EQ(sArt()->NewArt(ArtType::CompoundPath, PaintOrder::InsideOnTop, s.group, s.compound), kNoErr);
    ArtHandle inner = nullptr;
    EXPECT_EQ(sArt()->NewArt(ArtType::Path, PaintOrder::InsideOnTop, s.compound, inner), kNoErr);
    EXPECT_EQ(sTextFrame()->NewPointText(PaintOrder::InsideOnTop, s.group, TextOrientation::Horizontal, {1, 2}, s.text),
              kNoErr);
    EXPECT_EQ(sTextRange()->InsertAfter(s.text, u"名"), kNoErr);
    return s;
  }
};

TEST_F(LockedArtTest, EverySetterRefusesLockedArtAndChangesNothing) {
  PathStyle style;
  style.stroke.width = 3;
  const PathSegment one[] = {{{1, 1}, {1, 1}, {1, 1}, false}};
  const std::vector<Setter> setters = {
      {"DisposeArt", [](Scene& s) { return sArt()->DisposeArt(s.path); }},
      {"ReorderArt", [](Scene& s) { return sArt()->ReorderArt(s.path, PaintOrder::Above, s.text); }},
      {"SetArtUserAttr select", [](Scene& s) { return sArt()->SetArtUserAttr(s.path, kArtSelected, kArtSelected); }},
      {"SetPathSegments", [&](Scene& s) { return sPath()->SetPathSegments(s.path, 1, one); }},
      {"SetPathClosed", [](Scene& s) { return sPath()->SetPathClosed(s.path, true); }},
      {"SetPathGuide", [](Scene& s) { return sPath()->SetPathGuide(s.path, true); }},
      {"SetPathIsClip", [](Scene& s) { return sPath()->SetPathIsClip(s.compound, true); }},
      {"SetPathStyle", [&](Scene& s) { return sPathStyle()->SetPathStyle(s.path, style); }},
      {"SetOpacity", [](Scene& s) { return sBlendStyle()->SetOpacity(s.path, 0.5); }},
      {"InsertAfter", [](Scene& s) { return sTextRange()->InsertAfter(s.text, u"x"); }},
      {"SetFillColor", [](Scene& s) { return sTextRange()->SetFillColor(s.text, Color::Rgb(1, 0, 0)); }},
      {"SetFontSize", [](Scene& s) { return sTextRange()->SetFontSize(s.text, 30); }},
      {"SetJustification", [](Scene& s) { return sTextRange()->SetJustification(s.text, Justification::Right); }},
      {"SetTag", [](Scene& s) { return sTag()->SetTag(s.path, "t", "string", "b"); }},
      {"RemoveTag", [](Scene& s) { return sTag()->RemoveTag(s.path, "t"); }},
  };
  // The ways art is locked: by its own flag, by an enclosing group's, by its layer.
  const std::vector<std::pair<const char*, std::function<void(Scene&)>>> locks = {
      {"art", [](Scene& s) {
         for (ArtHandle a : {s.path, s.compound, s.text}) ASSERT_EQ(sArt()->SetArtUserAttr(a, kArtLocked, kArtLocked), kNoErr);
       }},
      {"group", [](Scene& s) { ASSERT_EQ(sArt()->SetArtUserAttr(s.group, kArtLocked, kArtLocked), kNoErr); }},
      {"layer", [](Scene& s) { ASSERT_EQ(sLayer()->SetLayerEditable(s.layer, false), kNoErr); }},
  };
  for (const Setter& setter : setters) {
    for (const auto& [how, lock] : locks) {
      SCOPED_TRACE(std::string(setter.name) + ", locked by its " + how);
      host->NewDocument();
      Scene s = Build();
      lock(s);
      const std::string before = RenderSvg(Doc());
      const std::size_t undo = Doc().journal.UndoCount();
      host->documentChanged = false;
      EXPECT_EQ(setter.call(s), kLocked);
      EXPECT_EQ(RenderSvg(Doc()), before);
      EXPECT_EQ(Doc().journal.UndoCount(), undo) << "nothing to undo";
      EXPECT_FALSE(host->documentChanged);
      std::string tag;
      EXPECT_EQ(sTag()->GetTag(s.path, "t", tag), kNoErr);
      EXPECT_EQ(tag, "a");
    }
    SCOPED_TRACE(std::string(setter.name) + ", unlocked");
    host->NewDocument();
    Scene s = Build();
    EXPECT_EQ(setter.call(s), kNoErr);
  }
}

// Locking is no edit of the art: locked art can be unlocked, hidden, shown and deselected, and
// once unlocked it takes changes again.
TEST_F(LockedArtTest, LockedArtCanBeUnlockedAndDeselected) {
  Scene s = Build();
  ASSERT_EQ(sArt()->SetArtUserAttr(s.path, kArtSelected, kArtSelected), kNoErr);
  ASSERT_EQ(sArt()->SetArtUserAttr(s.path, kArtLocked, kArtLocked), kNoErr);
  EXPECT_EQ(sArt()->SetArtUserAttr(s.path, kArtSelected, kArtSelected), kNoErr) << "already selected";
  EXPECT_EQ(sArt()->SetArtUserAttr(s.path, kArtHidden, kArtHidden), kNoErr);
  EXPECT_EQ(sArt()->SetArtUserAttr(s.path, kArtSelected | kArtHidden, 0), kNoErr);
  EXPECT_EQ(sPath()->SetPathClosed(s.path, true), kLocked);
  EXPECT_EQ(sArt()->SetArtUserAttr(s.path, kArtLocked, 0), kNoErr);
  EXPECT_EQ(sPath()->SetPathClosed(s.path, true), kNoErr);
  std::uint32_t flags = 1;
  ASSERT_EQ(sArt()->GetArtUserAttr(s.path, kArtSelected | kArtLocked | kArtHidden, flags), kNoErr);
  EXPECT_EQ(flags, 0u);
}

}  // namespace
}  // namespace vx::test
