#include "attributes/upgrade.h"

#include "attributes/field.h"
#include "attributes/shape_attr.h"
#include "shell/host/check.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vx::attr {

using host::ArtHandle;
using host::Err;
using host::kNoErr;

namespace {

constexpr const char* kNothingFound = "ドキュメント内に以前の型式の属性データはありません";
constexpr const char* kUpgrading = "旧型式の属性をアップグレードしています";
constexpr const char* kDone = "アップグレードが完了しました";

// The C library's atol with the platform's 32-bit long: leading white space, an optional sign,
// digits up to the first non-digit; out of range it saturates, so a huge width keeps 0xFF.
std::int32_t AtoL(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t n = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) n = std::min(n * 10 + (s[i] - '0'), kCap);
  if (negative) n = -n;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// The low 8 bits, as the old form kept widths and decimal counts in one byte.
std::uint8_t LowByte(std::int32_t n) { return static_cast<std::uint8_t>(static_cast<std::uint32_t>(n) & 0xFFu); }

// Position of the next bar at or after `from` in Shift-JIS text. The second byte of a double-byte
// character may be 0x7C (ポ is 0x83 0x7C) and is no bar.
std::size_t FindBar(std::string_view s, std::size_t from) {
  std::size_t i = from;
  while (i < s.size()) {
    if (s[i] == '|') return i;
    // Nothing of a double-byte character fits in one byte.
    i += text::CharBoundary(s.substr(i, 2), 1, text::TextEncoding::kShiftJIS) == 1 ? 1 : 2;
  }
  return std::string_view::npos;
}

// The value of a "string" tag; the empty text for tags of any other type.
Err TagValue(ArtHandle art, const std::string& name, std::string& value) {
  value.clear();
  std::string type;
  VX_CHECK(host::sTag()->GetTagType(art, name, type));
  if (type != "string") return kNoErr;
  return host::sTag()->GetTag(art, name, value);
}

// Calls `f` for every old-format field of `art`, in the host's tag order, until it fails.
template <class F>
Err ForEachOldTag(ArtHandle art, F&& f) {
  std::int32_t count = 0;
  VX_CHECK(host::sTag()->CountTags(art, count));
  for (std::int32_t i = 0; i < count; ++i) {
    std::string name, value;
    VX_CHECK(host::sTag()->GetNthTag(art, i, name));
    VX_CHECK(TagValue(art, name, value));
    OldTagField field;
    if (ParseOldTag(name, value, field)) VX_CHECK(f(field));
  }
  return kNoErr;
}

Err HasOldTag(ArtHandle art, bool& found) {
  found = false;
  const Err e = ForEachOldTag(art, [&](const OldTagField&) {
    found = true;
    return host::kStop;  // one is enough
  });
  return found ? kNoErr : e;
}

class ArtSet {
 public:
  ~ArtSet() {
    if (set_) host::sArtSet()->DisposeArtSet(set_);
  }
  Err Fill(host::LayerHandle layer) {
    if (!set_) VX_CHECK(host::sArtSet()->NewArtSet(set_));
    return host::sArtSet()->LayerArtSet(layer, set_);
  }
  host::ArtSetHandle Handle() const { return set_; }

 private:
  host::ArtSetHandle set_ = nullptr;
};

// Calls `f` for every object of every layer's art set, layers in pre-order, until it fails.
template <class F>
Err ForEachLayerArt(F&& f) {
  host::LayerHandle layer = nullptr;
  VX_CHECK(host::sLayer()->GetFirstLayer(layer));
  ArtSet set;
  while (layer) {
    VX_CHECK(set.Fill(layer));
    std::int32_t count = 0;
    VX_CHECK(host::sArtSet()->CountArtSet(set.Handle(), count));
    for (std::int32_t i = 0; i < count; ++i) {
      ArtHandle art = nullptr;
      VX_CHECK(host::sArtSet()->IndexArtSet(set.Handle(), i, art));
      VX_CHECK(f(art));
    }
    VX_CHECK(host::sLayer()->GetNextPreorderLayer(layer, layer));
  }
  return kNoErr;
}

bool SuitesHeld() {
  return host::sArt() && host::sArtSet() && host::sLayer() && host::sTag() && host::sUser() &&
         host::sDictionary();
}

}  // namespace

bool ParseOldTag(std::string_view name, std::string_view value, OldTagField& out) {
  if (name.find(kOldTagName) == std::string_view::npos) return false;
  const std::size_t prefix = std::strlen(kOldTagName);
  const std::int32_t number = AtoL(name.size() > prefix ? name.substr(prefix) : std::string_view());

  std::size_t parts[4];  // position of each of the first four bars
  std::size_t from = 0;
  for (std::size_t& bar : parts) {
    bar = FindBar(value, from);
    if (bar == std::string_view::npos) return false;
    from = bar + 1;
  }
  OldTagField f;
  f.number = number;
  // At most 11 bytes, cut between characters: half a double-byte character would decode as
  // a replacement character.
  const std::string_view fieldName = value.substr(0, parts[0]);
  const std::size_t keep = text::CharBoundary(fieldName, sizeof f.desc.name - 1, text::TextEncoding::kShiftJIS);
  std::memcpy(f.desc.name, fieldName.data(), keep);
  f.desc.type = parts[1] > parts[0] + 1 ? value[parts[0] + 1] : '\0';
  f.desc.length = LowByte(AtoL(value.substr(parts[1] + 1, parts[2] - parts[1] - 1)));
  f.desc.decimals = LowByte(AtoL(value.substr(parts[2] + 1, parts[3] - parts[2] - 1)));
  f.value = std::string(value.substr(parts[3] + 1));
  out = std::move(f);
  return true;
}

Err UpgradeArtTags(ArtHandle art) {
  if (!SuitesHeld()) return host::kNotFound;
  CVxShapeAttr attrs;
  attrs.Load(art);
  if (!attrs.HasList()) VX_CHECK(attrs.CreateList());
  return ForEachOldTag(art, [&](const OldTagField& old) {
    // AddField leaves a field with the same definition alone: its current value wins.
    return attrs.AddField(FieldFromDbf(old.desc, old.value, text::TextEncoding::kShiftJIS));
  });
}

Err ScanOldAttributes(bool& found, std::int32_t& count) {
  found = false;
  count = 0;
  if (!SuitesHeld()) return host::kNotFound;
  return ForEachLayerArt([&](ArtHandle art) -> Err {
    if (host::sUser()->Cancelled()) return host::kStop;
    ++count;
    if (!found) VX_CHECK(HasOldTag(art, found));
    return kNoErr;
  });
}

bool UpgradeOldAttributes() {
  bool found = false;
  std::int32_t total = 0;
  if (ScanOldAttributes(found, total) != kNoErr) return false;
  host::UserSuite* user = host::sUser();
  if (!found) {
    user->MessageAlert(kNothingFound);
    return false;
  }
  user->SetProgressText(kUpgrading);
  std::int32_t done = 0;
  const Err e = ForEachLayerArt([&](ArtHandle art) -> Err {
    user->UpdateProgress(done++, total);
    if (user->Cancelled()) return host::kStop;
    bool layerGroup = false;
    VX_CHECK(host::sArt()->IsLayerGroup(art, layerGroup));
    if (layerGroup) return kNoErr;
    bool old = false;
    VX_CHECK(HasOldTag(art, old));
    return old ? UpgradeArtTags(art) : kNoErr;
  });
  user->CloseProgress();
  if (e != kNoErr) return false;
  user->MessageAlert(kDone);
  return true;
}

}  // namespace vx::attr
