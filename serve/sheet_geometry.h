// The sheet as the page draws it: each layer's art as compact binary geometry, so the page draws,
// zooms and hit-tests in the browser, and after a change fetches only the layers that changed.
//
// A layer's bytes (numbers little-endian; the page reads them as typed arrays):
//   0  "VXG1"
//   4  u32 J: bytes of the JSON part, a multiple of 4 (padded with spaces)
//   8  JSON {"styles": [...], "texts": [...]}: paints (CSS colours, widths in points) and point texts
//   8+J  u32 object count O, u32 part count P, u32 float count F
//   then O x 5 i32 per object, bottommost first: kind (0 path, 1 text, 2 symbol box, 3 sublayer),
//        art (the top-level art's number in its layer, topmost 0, as selection counts it), ref
//        (path and box: style; text: text; sublayer: its position in pre-order), first part, parts
//   then P x 3 i32 per part: first float, segments, flags (1 closed, 2 curved)
//   then F f32: straight parts x, y per segment; curved ones in.x, in.y, x, y, out.x, out.y per
//        segment. Page coordinates: points right of and below the artboard's top-left corner.
#pragma once

#include "host/document.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vx::serve {

std::string EncodeLayer(const host::Document& doc, const host::LayerOpaque* layer);

// The top-level art of each layer (pre-order) that is selected, by number (topmost 0).
std::vector<std::vector<std::int32_t>> SelectedArt(const host::Document& doc);

// Why the person cannot select art `art` of the layer at `layerIndex` (pre-order), in the page's
// words, or "" when it can be selected: the layer or a parent hidden or locked, the art hidden or
// locked, or no such art.
std::string SelectRefusal(const host::Document& doc, std::size_t layerIndex, std::int32_t art);

class SheetGeometry {
 public:
  struct Layer {
    const host::LayerOpaque* layer = nullptr;
    std::uint64_t revision = 0;  // new whenever what the bytes are made of changes
    std::uint64_t hash = 0;      // of what the bytes are made of
    std::shared_ptr<const std::string> bytes;
  };
  // Encodes the layers that changed; the others keep their bytes and revision.
  void Update(const host::Document& doc);
  void Clear() { layers_.clear(); }
  // In pre-order.
  const std::vector<Layer>& Layers() const { return layers_; }
  // The bytes of a current revision, or nullptr.
  std::shared_ptr<const std::string> Find(std::uint64_t revision) const;

 private:
  std::vector<Layer> layers_;
  std::uint64_t counter_ = 0;
  std::uint64_t serial_ = 0;  // the document's art serial when the layers were last encoded
};

}  // namespace vx::serve
