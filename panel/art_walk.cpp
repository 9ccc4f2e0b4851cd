#include "panel/art_walk.h"

#include "shell/host/check.h"

namespace vx::panel {

using namespace vx::host;

namespace {

// Owns a host art set for the length of one call.
class ScopedArtSet {
 public:
  ScopedArtSet() { ok_ = sArtSet()->NewArtSet(set_) == kNoErr; }
  ~ScopedArtSet() {
    if (ok_) sArtSet()->DisposeArtSet(set_);
  }
  ScopedArtSet(const ScopedArtSet&) = delete;
  ScopedArtSet& operator=(const ScopedArtSet&) = delete;
  bool ok() const { return ok_; }
  ArtSetHandle get() const { return set_; }
  Err CopyTo(std::vector<ArtHandle>& out) const {
    std::int32_t n = 0;
    VX_CHECK(sArtSet()->CountArtSet(set_, n));
    out.reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) {
      ArtHandle a = nullptr;
      VX_CHECK(sArtSet()->IndexArtSet(set_, i, a));
      out.push_back(a);
    }
    return kNoErr;
  }

 private:
  ArtSetHandle set_ = nullptr;
  bool ok_ = false;
};

}  // namespace

Err SelectedArt(std::vector<ArtHandle>& out) {
  out.clear();
  ScopedArtSet set;
  if (!set.ok()) return kOutOfMemory;
  VX_CHECK(sArtSet()->SelectedArtSet(set.get()));
  return set.CopyTo(out);
}

Err LayerArt(LayerHandle layer, std::vector<ArtHandle>& out) {
  out.clear();
  ScopedArtSet set;
  if (!set.ok()) return kOutOfMemory;
  VX_CHECK(sArtSet()->LayerArtSet(layer, set.get()));
  return set.CopyTo(out);
}

Err OwnLayerArt(LayerHandle layer, std::vector<ArtHandle>& out) {
  std::vector<ArtHandle> all;
  VX_CHECK(LayerArt(layer, all));
  out.clear();
  for (ArtHandle a : all) {
    bool layerGroup = false;
    VX_CHECK(sArt()->IsLayerGroup(a, layerGroup));
    LayerHandle own = nullptr;
    VX_CHECK(sArt()->GetLayerOfArt(a, own));
    if (!layerGroup && own == layer) out.push_back(a);
  }
  return kNoErr;
}

Err PassesDefinitionFilter(ArtHandle art, bool& out) {
  out = false;
  ArtType type = ArtType::Unknown;
  VX_CHECK(sArt()->GetArtType(art, type));
  switch (type) {
    case ArtType::Group: {
      bool layerGroup = false;
      VX_CHECK(sArt()->IsLayerGroup(art, layerGroup));
      out = !layerGroup;
      return kNoErr;
    }
    case ArtType::Path:
    case ArtType::CompoundPath:
    case ArtType::TextFrame:
    case ArtType::Symbol: out = true; return kNoErr;
    default: return kNoErr;
  }
}

Err PassesValueFilter(ArtHandle art, bool& out) {
  out = false;
  ArtType type = ArtType::Unknown;
  VX_CHECK(sArt()->GetArtType(art, type));
  auto fully = [&](bool& f) {
    std::uint32_t flags = 0;
    VX_CHECK(sArt()->GetArtUserAttr(art, kArtFullySelected, flags));
    f = (flags & kArtFullySelected) != 0;
    return kNoErr;
  };
  switch (type) {
    case ArtType::Group: {
      bool layerGroup = false, f = false;
      VX_CHECK(sArt()->IsLayerGroup(art, layerGroup));
      if (layerGroup) return kNoErr;
      VX_CHECK(fully(f));
      out = f;
      return kNoErr;
    }
    case ArtType::Path: {
      bool guide = false, clip = false;
      VX_CHECK(sPath()->GetPathGuide(art, guide));
      VX_CHECK(sPath()->GetPathIsClip(art, clip));
      out = !guide && !clip;
      return kNoErr;
    }
    case ArtType::CompoundPath: {
      bool f = false, clip = false;
      VX_CHECK(fully(f));
      VX_CHECK(sPath()->GetPathIsClip(art, clip));
      out = f && !clip;
      return kNoErr;
    }
    case ArtType::TextFrame:
    case ArtType::Symbol: out = true; return kNoErr;
    default: return kNoErr;
  }
}

bool AnyLayerHasSelectedArt() {
  LayerHandle layer = nullptr;
  if (sLayer()->GetFirstLayer(layer) != kNoErr) return false;
  for (int guard = 0; layer && guard < 1000000; ++guard) {
    bool selected = false;
    if (sLayer()->LayerHasSelectedArt(layer, selected) == kNoErr && selected) return true;
    if (sLayer()->GetNextLayer(layer, layer) != kNoErr) return false;
  }
  return false;
}

}  // namespace vx::panel
