#include "geodesy/georef.h"
#include "geodesy/georef_text.h"

#include "shell/host/check.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <new>
#include <string_view>

namespace vx::geo {

using host::Err;
using host::kNoErr;

namespace {

constexpr const char* kReservedTitles[] = {kDataFrameLayerTitle, kMarkerTopLeft,  kMarkerTopRight,
                                           kMarkerBottomLeft,    kMarkerBottomRight, kMarker1of3,
                                           kMarker2of3,          kMarker3of3};

// atoi as the C library reads it: leading blanks, a sign, digits; saturating instead of
// undefined out of range.
std::int32_t LeadingInt(std::string_view s) {
  const std::string copy(s);
  long long v = std::strtoll(copy.c_str(), nullptr, 10);
  if (v > std::numeric_limits<std::int32_t>::max()) v = std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) v = std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

double Atof(std::string_view s) { return std::atof(std::string(s).c_str()); }

std::string Format(const char* fmt, double v) {
  char buf[512];  // "%lf" of 1e308 is 316 characters
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

// S toward zero as an integer; the cast alone is undefined for NaN and for values past int32.
std::int32_t ScaleAsInt(double s) {
  if (std::isnan(s)) return 0;
  if (s >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (s <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(s);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Reserved layers

bool IsReservedTitle(const std::string& utf8) {
  for (const char* t : kReservedTitles)
    if (utf8 == t) return true;
  return false;
}

bool IsReservedLayer(host::LayerHandle layer) {
  if (!layer || !host::sLayer()) return false;
  std::string title;
  if (host::sLayer()->GetLayerTitle(layer, title) != kNoErr) return false;
  return IsReservedTitle(title);
}

Err FindLayerByTitle(const std::string& utf8, host::LayerHandle& out) {
  out = nullptr;
  if (!host::sLayer()) return host::kNotFound;
  try {
    host::LayerHandle layer = nullptr;
    VX_CHECK(host::sLayer()->GetFirstLayer(layer));
    std::string title;
    while (layer) {
      VX_CHECK(host::sLayer()->GetLayerTitle(layer, title));
      if (title == utf8) {
        out = layer;
        return kNoErr;
      }
      VX_CHECK(host::sLayer()->GetNextPreorderLayer(layer, layer));
    }
    return kNoErr;
  } catch (const std::bad_alloc&) {
    return host::kOutOfMemory;
  } catch (...) {
    return host::kCant;
  }
}

// ---------------------------------------------------------------------------------------------
// Data frame

std::string DataFrameText(const DataFrame& df) {
  std::string t = "G=";
  t += DatumKey(df.system.datum);
  t += "|P=";
  t += ProjectionKey(df.system);
  t += "|X=" + Format("%lf", df.X);
  t += "|Y=" + Format("%lf", df.Y);
  char scale[32];
  std::snprintf(scale, sizeof scale, "|S=%d", static_cast<int>(ScaleAsInt(df.S)));
  t += scale;
  t += "|R=" + Format("%lf", df.R);
  return t;
}

bool StoredDataFrame(const DataFrame& df, DataFrame& out) {
  DataFrame back;
  if (!ParseDataFrameText(text::Utf8ToUtf16(DataFrameText(df)), back)) return false;
  back.anchorH = df.anchorH;
  back.anchorV = df.anchorV;
  out = back;
  return true;
}

bool UsableDataFrame(const DataFrame& df) {
  return std::isfinite(df.S) && df.S > 0 && std::isfinite(df.X) && std::isfinite(df.Y) && std::isfinite(df.R);
}

bool ParseDataFrameText(const std::u16string& text, DataFrame& out) {
  try {
    const std::string s = text::Utf16ToUtf8(std::u16string_view(text).substr(0, detail::kMaxTextUnits));
    std::string_view rest(s);
    // Five fields end at a bar; the sixth is all that is left, bars included.
    std::map<std::string, std::string> values;
    for (int i = 0; i < 6; ++i) {
      std::string_view field = rest;
      if (i < 5) {
        const std::size_t bar = rest.find('|');
        if (bar == std::string_view::npos) return false;
        field = rest.substr(0, bar);
        rest.remove_prefix(bar + 1);
      }
      const std::size_t eq = field.find('=');
      if (eq == std::string_view::npos) return false;
      values.emplace(std::string(field.substr(0, eq)), std::string(field.substr(eq + 1)));  // first stays
    }
    for (const char* key : {"G", "P", "X", "Y", "S", "R"})
      if (!values.count(key)) return false;

    DataFrame df;
    DatumFromKey(values["G"], df.system.datum);
    std::string_view zone;
    if (SplitProjectionKey(values["P"], df.system.kind, zone)) {
      if (df.system.kind == KindPlaneXY) df.system.zone = Zone{LeadingInt(zone)};
      if (df.system.kind == KindUtm) df.system.utmZone = Zone{LeadingInt(zone)};
    }
    df.X = Atof(values["X"]);
    df.Y = Atof(values["Y"]);
    df.S = Atof(values["S"]);
    df.R = Atof(values["R"]);
    if (!UsableDataFrame(df)) return false;
    out = df;
    return true;
  } catch (...) {
    return false;
  }
}

bool ReadDataFrame(DataFrame& out) {
  if (!detail::SuitesHeld()) return false;
  try {
    host::LayerHandle layer = nullptr;
    if (FindLayerByTitle(kDataFrameLayerTitle, layer) != kNoErr || !layer) return false;
    host::ArtHandle group = nullptr, frame = nullptr;
    if (host::sLayer()->GetLayerGroup(layer, group) != kNoErr || !group) return false;
    if (host::sArt()->GetArtFirstChild(group, frame) != kNoErr || !frame) return false;
    host::ArtType type = host::ArtType::Unknown;
    if (host::sArt()->GetArtType(frame, type) != kNoErr || type != host::ArtType::TextFrame) return false;
    std::int32_t size = 0;
    if (host::sTextRange()->GetSize(frame, size) != kNoErr || size <= 0) return false;
    std::u16string contents;
    if (host::sTextRange()->GetContents(frame, contents) != kNoErr) return false;
    DataFrame df;
    if (!ParseDataFrameText(contents, df)) return false;
    host::RealPoint anchor;
    if (host::sTextFrame()->GetPointTextAnchor(frame, anchor) != kNoErr) return false;
    if (!(std::isfinite(anchor.h) && std::isfinite(anchor.v))) return false;
    df.anchorH = anchor.h;
    df.anchorV = anchor.v;
    out = df;
    return true;
  } catch (...) {
    return false;
  }
}

Err WriteDataFrame(const DataFrame& df) {
  if (!detail::SuitesHeld()) return host::kNotFound;
  host::LayerHandle layer = nullptr;
  try {
    const std::u16string text = text::Utf8ToUtf16(DataFrameText(df));
    VX_CHECK(FindLayerByTitle(kDataFrameLayerTitle, layer));
    if (layer) return kNoErr;  // the frame is never rewritten
    VX_CHECK(host::sLayer()->InsertLayer(nullptr, host::PaintOrder::Above, layer));
    // A layer left half-made would read as a broken frame and block the next write.
    auto fill = [&]() -> Err {
      VX_CHECK(host::sLayer()->SetLayerTitle(layer, kDataFrameLayerTitle));
      host::ArtHandle group = nullptr, frame = nullptr;
      VX_CHECK(host::sLayer()->GetLayerGroup(layer, group));
      VX_CHECK(host::sTextFrame()->NewPointText(host::PaintOrder::InsideOnTop, group,
                                               host::TextOrientation::Horizontal, {df.anchorH, df.anchorV}, frame));
      VX_CHECK(host::sTextRange()->InsertAfter(frame, text));
      return host::sTextRange()->SetFillColor(frame, host::Color::Cmyk(0, 0, 0, 0.5));
    };
    const Err e = fill();
    if (e != kNoErr) host::sLayer()->DeleteLayer(layer);
    return e;
  } catch (const std::bad_alloc&) {
    if (layer) host::sLayer()->DeleteLayer(layer);
    return host::kOutOfMemory;
  } catch (...) {
    if (layer) host::sLayer()->DeleteLayer(layer);
    return host::kCant;
  }
}

std::string DataFrameLabel() {
  DataFrame df;
  if (!ReadDataFrame(df)) return "無効な設定";
  return SystemLabel(df.system);
}

}  // namespace vx::geo
