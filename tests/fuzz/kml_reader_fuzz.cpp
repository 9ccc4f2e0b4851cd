// Fuzzes the KML reader: every placemark, style and container event of arbitrary bytes, read once
// from memory and once through a stream in small blocks' worth of the same bytes.
#include "import/kml_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

class Count : public vx::imp::KmlHandler {
 public:
  void ContainerBegin(bool, int depth) override {
    if (depth < 0) __builtin_trap();
    ++open;
  }
  void ContainerEnd() override {
    if (--open < 0) __builtin_trap();  // an end without its start
  }
  void Placemark(vx::imp::KmlPlacemark& pm) override {
    for (const auto& g : pm.geometries)
      for (const auto& ring : g.rings) points += ring.size();
  }
  long open = 0;
  std::size_t points = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  vx::imp::KmlReader a;
  Count ca;
  a.ReadBuffer(bytes, ca);
  if (ca.open != 0) __builtin_trap();  // containers left open at the end of the input
  for (const auto& [id, style] : a.Styles()) (void)a.Resolve(id);

  std::FILE* f = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (!f) return 0;
  vx::imp::KmlReader b;
  Count cb;
  b.Read(f, size, cb);
  std::fclose(f);
  if (cb.points != ca.points) __builtin_trap();  // the stream reads what the buffer reads
  return 0;
}
