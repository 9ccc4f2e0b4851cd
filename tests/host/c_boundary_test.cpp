// What crosses between host and plug-in: the C tables of c_suites.h, text through the caller's
// sinks and dictionaries as counted handles.
#include "shell/host/c_suites.h"
#include "shell/host/slots.h"
#include "tests/support/host_fixture.h"

#include <cstddef>
#include <string>
#include <vector>

extern "C" std::size_t VxCLayout(int which);  // c_header_check.c

namespace vx::test {
namespace {

using namespace vx::host;

// The records the C header declares as C are laid out as the C++ types the plug-in and host use.
TEST(CBoundary, TheHeaderIsCAndItsRecordsMatchTheCppOnes) {
  const std::size_t cxx[] = {
      sizeof(RealPoint),
      sizeof(RealRect),
      sizeof(RealBezier),
      sizeof(PathSegment),
      offsetof(PathSegment, corner),
      sizeof(PanelSize),
      sizeof(ControlTemplate),
      offsetof(ControlTemplate, text),
      offsetof(ControlTemplate, limit),
      sizeof(MessageData),
      sizeof(NotifierMessage),
      offsetof(NotifierMessage, type),
      sizeof(MenuMessage),
      sizeof(VxEntry),
      sizeof(VxPathStyle),
      sizeof(VxPlatformSuite),
      sizeof(VxOpenFileRequest),
  };
  for (int i = 0; i < static_cast<int>(std::size(cxx)); ++i) EXPECT_EQ(VxCLayout(i), cxx[i]) << "record " << i;
}

struct Collected {
  std::vector<std::string> texts;
  VxTextSink sink{
      this, [](void* ctx, const char* d, std::size_t n) { static_cast<Collected*>(ctx)->texts.emplace_back(d, n); }};
};

struct EntryCopy {
  VxEntry entry{};
  std::string text;
  bool called = false;
  VxEntrySink sink{this, [](void* ctx, const VxEntry* e) {
                     auto* self = static_cast<EntryCopy*>(ctx);
                     self->called = true;
                     self->entry = *e;
                     self->text = std::string(e->string.data, e->string.size);
                   }};
};

template <class Table>
const Table* Acquire(StandInHost& host, const char* name, std::int32_t version) {
  const void* t = nullptr;
  EXPECT_EQ(host.Basic().AcquireSuite(name, version, &t), kNoErr) << name;
  return static_cast<const Table*>(t);
}

VxStr S(const std::string& s) { return VxStr{s.data(), s.size()}; }

TEST(CBoundary, TextCrossesThroughTheCallersSinkAndDictionariesAsCountedHandles) {
  StandInHost host;
  host.NewDocument();
  const auto* art = Acquire<VxArtSuite>(host, "AI Art Suite", 17);
  const auto* tags = Acquire<VxTagSuite>(host, "AI Tag Suite", 4);
  const auto* dicts = Acquire<VxDictionarySuite>(host, "AI Dictionary Suite", 8);
  const auto* layers = Acquire<VxLayerSuite>(host, "AI Layer Suite", 13);
  ASSERT_TRUE(art && tags && dicts && layers);

  VxLayer layer = nullptr;
  VxArt group = nullptr, path = nullptr;
  ASSERT_EQ(layers->GetFirstLayer(&layer), kNoErr);
  ASSERT_EQ(layers->GetLayerGroup(layer, &group), kNoErr);
  ASSERT_EQ(art->NewArt(static_cast<std::int32_t>(ArtType::Path), static_cast<std::int32_t>(PaintOrder::InsideOnTop),
                        group, &path),
            kNoErr);

  // Text by length, bytes as given (a NUL inside, Shift_JIS bytes), into the caller's sink once.
  const std::string value("\x93\x8c\x8b\x9e\0tail", 9);
  ASSERT_EQ(tags->SetTag(path, S("name"), S("string"), S(value)), kNoErr);
  Collected got;
  ASSERT_EQ(tags->GetTag(path, S("name"), &got.sink), kNoErr);
  EXPECT_EQ(got.texts, std::vector<std::string>{value});
  Collected missing;
  EXPECT_EQ(tags->GetTag(path, S("none"), &missing.sink), kNotFound);
  EXPECT_TRUE(missing.texts.empty()) << "a failed call hands no text";
  Collected title;
  ASSERT_EQ(layers->GetLayerTitle(layer, &title.sink), kNoErr);
  EXPECT_EQ(title.texts, std::vector<std::string>{"レイヤー 1"});

  // The art's dictionary and a new one put into it: handles each holding a reference.
  VxDict d = nullptr, inner = nullptr;
  ASSERT_EQ(art->GetDictionary(path, &d), kNoErr);
  ASSERT_EQ(dicts->NewDictionary(&inner), kNoErr);
  VxEntry e{};
  e.type = static_cast<std::int32_t>(EntryType::Integer);
  e.integer = 42;
  ASSERT_EQ(dicts->Set(inner, S("count"), &e), kNoErr);
  e = VxEntry{};
  e.type = static_cast<std::int32_t>(EntryType::Dictionary);
  e.dictionary = inner;
  ASSERT_EQ(dicts->Set(d, S("内側"), &e), kNoErr);
  dicts->ReleaseDictionary(inner);  // the art's dictionary keeps its own
  e.dictionary = nullptr;
  EXPECT_EQ(dicts->Set(d, S("bad"), &e), kBadParameter) << "a dictionary that is not the host's";
  const std::string text = "東京都";
  e = VxEntry{};
  e.type = static_cast<std::int32_t>(EntryType::String);
  e.string = S(text);
  ASSERT_EQ(dicts->Set(d, S("place"), &e), kNoErr);

  Collected keys;
  ASSERT_EQ(dicts->Keys(d, &keys.sink), kNoErr);
  EXPECT_EQ(keys.texts, (std::vector<std::string>{"place", "内側"}));
  EntryCopy place;
  ASSERT_EQ(dicts->Get(d, S("place"), &place.sink), kNoErr);
  EXPECT_EQ(place.text, text);
  EntryCopy lent;
  ASSERT_EQ(dicts->Get(d, S("内側"), &lent.sink), kNoErr);
  ASSERT_EQ(lent.entry.type, static_cast<std::int32_t>(EntryType::Dictionary));
  EXPECT_NE(lent.entry.dictionary, nullptr) << "lent for the call";
  EntryCopy absent;
  EXPECT_EQ(dicts->Get(d, S("none"), &absent.sink), kNotFound);
  EXPECT_FALSE(absent.called);
  dicts->ReleaseDictionary(d);

  // The plug-in's C++ side over the same tables sees the one stored dictionary.
  host.FillSlots();
  DictionaryRef ref;
  ASSERT_EQ(sArt()->GetDictionary(path, ref), kNoErr);
  Entry stored;
  ASSERT_EQ(ref->Get("内側", stored), kNoErr);
  DictionaryRef innerRef;
  ASSERT_EQ(stored.AsDictionary(innerRef), kNoErr);
  std::int32_t count = 0;
  ASSERT_EQ(innerRef->Get("count", stored), kNoErr);
  ASSERT_EQ(stored.AsInteger(count), kNoErr);
  EXPECT_EQ(count, 42);
  ASSERT_EQ(innerRef->Set("count", Entry::Integer(7)), kNoErr);
  DictionaryRef again;
  ASSERT_EQ(sArt()->GetDictionary(path, again), kNoErr);
  ASSERT_EQ(again->Get("内側", stored), kNoErr);
  ASSERT_EQ(stored.AsDictionary(innerRef), kNoErr);
  ASSERT_EQ(innerRef->Get("count", stored), kNoErr);
  ASSERT_EQ(stored.AsInteger(count), kNoErr);
  EXPECT_EQ(count, 7) << "a change through one handle is seen through another";
  std::string title8;
  ASSERT_EQ(sLayer()->GetLayerTitle(layer, title8), kNoErr);
  EXPECT_EQ(title8, "レイヤー 1");
  std::string left = "unchanged";
  EXPECT_EQ(sTag()->GetTag(path, "none", left), kNotFound);
  EXPECT_EQ(left, "unchanged") << "a failed call leaves the caller's text alone";
}

}  // namespace
}  // namespace vx::test
