#include "attributes/vertex_measures.h"

#include "shell/host/check.h"
#include "shell/host/dictionary.h"
#include "shell/host/slots.h"

namespace vx::attr {

using host::ArrayRef;
using host::DictionaryRef;
using host::Entry;
using host::Err;
using host::kNoErr;

namespace {

Err Dict(host::ArtHandle art, DictionaryRef& out) {
  VX_CHECK(host::sArt()->GetDictionary(art, out));
  return out ? kNoErr : host::kNotFound;
}

Err StoreList(const DictionaryRef& dict, const char* key, std::span<const double> values) {
  if (values.empty()) {
    if (dict->IsKnown(key)) VX_CHECK(dict->Delete(key));
    return kNoErr;
  }
  ArrayRef list;
  VX_CHECK(host::sDictionary()->NewArray(list));
  if (!list) return host::kOutOfMemory;
  for (double v : values) VX_CHECK(list->Append(Entry::Real(v)));
  return dict->Set(key, Entry::FromArray(list));
}

bool LoadList(const DictionaryRef& dict, const char* key, std::vector<double>& out) {
  out.clear();
  Entry e;
  ArrayRef list;
  if (dict->Get(key, e) != kNoErr || e.AsArray(list) != kNoErr || !list) return false;
  const std::int32_t n = list->Count();
  out.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
  for (std::int32_t i = 0; i < n; ++i) {
    double v = 0;
    if (list->Get(i, e) != kNoErr || e.AsReal(v) != kNoErr) {
      out.clear();  // a list damaged by hand is no list
      return false;
    }
    out.push_back(v);
  }
  return !out.empty();
}

}  // namespace

Err StoreVertexMeasures(host::ArtHandle art, std::span<const double> z, std::span<const double> m) {
  DictionaryRef dict;
  VX_CHECK(Dict(art, dict));
  VX_CHECK(StoreList(dict, kVertexZKey, z));
  return StoreList(dict, kVertexMKey, m);
}

bool LoadVertexMeasures(host::ArtHandle art, std::vector<double>& z, std::vector<double>& m) {
  z.clear();
  m.clear();
  DictionaryRef dict;
  if (!host::sArt()->HasDictionary(art) || Dict(art, dict) != kNoErr) return false;
  const bool hasZ = LoadList(dict, kVertexZKey, z);
  const bool hasM = LoadList(dict, kVertexMKey, m);
  return hasZ || hasM;
}

bool HasVertexMeasures(host::ArtHandle art, bool& z, bool& m) {
  z = m = false;
  DictionaryRef dict;
  if (!host::sArt()->HasDictionary(art) || Dict(art, dict) != kNoErr) return false;
  z = dict->IsKnown(kVertexZKey);
  m = dict->IsKnown(kVertexMKey);
  return z || m;
}

Err StoreMultiPointRecord(host::ArtHandle art, std::int32_t record) {
  DictionaryRef dict;
  VX_CHECK(Dict(art, dict));
  return dict->Set(kMultiPointKey, Entry::Integer(record));
}

bool LoadMultiPointRecord(host::ArtHandle art, std::int32_t& record) {
  DictionaryRef dict;
  Entry e;
  return host::sArt()->HasDictionary(art) && Dict(art, dict) == kNoErr && dict->Get(kMultiPointKey, e) == kNoErr &&
         e.AsInteger(record) == kNoErr;
}

}  // namespace vx::attr
