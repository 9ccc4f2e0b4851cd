#include "host/segments.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace vx::host {

namespace {
bool SameBits(const RealPoint& a, const RealPoint& b) {
  return std::memcmp(&a.h, &b.h, sizeof a.h) == 0 && std::memcmp(&a.v, &b.v, sizeof a.v) == 0;
}

// Indices are kept as 32 bits: a path of four billion segments is beyond any document's size.
std::uint32_t Index(std::size_t i) {
  if (i > UINT32_MAX) throw std::length_error("a path has too many segments");
  return static_cast<std::uint32_t>(i);
}
}  // namespace

bool Retracted(const PathSegment& s) { return SameBits(s.in, s.p) && SameBits(s.out, s.p); }

PathSegment Segments::operator[](std::size_t i) const {
  const RealPoint p = anchors_[i];
  PathSegment s{p, p, p, false};
  if (!curved_.empty()) {
    auto it = std::lower_bound(curved_.begin(), curved_.end(), i,
                               [](const Curved& c, std::size_t k) { return c.index < k; });
    if (it != curved_.end() && it->index == i) {
      s.in = it->in;
      s.out = it->out;
    }
  }
  if (!corners_.empty()) s.corner = std::binary_search(corners_.begin(), corners_.end(), static_cast<std::uint32_t>(i));
  return s;
}

bool Segments::HasHandles(std::size_t i) const {
  return std::binary_search(curved_.begin(), curved_.end(), Curved{static_cast<std::uint32_t>(i), {}, {}},
                            [](const Curved& a, const Curved& b) { return a.index < b.index; });
}

void Segments::clear() {
  anchors_.clear();
  curved_.clear();
  corners_.clear();
}

void Segments::push_back(const PathSegment& s) {
  const std::uint32_t i = Index(anchors_.size());
  anchors_.push_back(s.p);
  if (!Retracted(s)) curved_.push_back({i, s.in, s.out});
  if (s.corner) corners_.push_back(i);
}

void Segments::Set(std::size_t i, const PathSegment& s) {
  const auto k = static_cast<std::uint32_t>(i);
  anchors_[i] = s.p;
  auto c = std::lower_bound(curved_.begin(), curved_.end(), k, [](const Curved& x, std::uint32_t n) { return x.index < n; });
  const bool has = c != curved_.end() && c->index == k;
  if (Retracted(s)) {
    if (has) curved_.erase(c);
  } else if (has) {
    c->in = s.in;
    c->out = s.out;
  } else {
    curved_.insert(c, {k, s.in, s.out});
  }
  auto r = std::lower_bound(corners_.begin(), corners_.end(), k);
  const bool corner = r != corners_.end() && *r == k;
  if (s.corner && !corner) corners_.insert(r, k);
  if (!s.corner && corner) corners_.erase(r);
}

void Segments::AssignAnchors(const double* xy, std::size_t n) {
  Index(n);
  clear();
  anchors_.resize(n);
  for (std::size_t i = 0; i < n; ++i) anchors_[i] = {xy[2 * i], xy[2 * i + 1]};
  Fit();
}

void Segments::Fit() {
  if (anchors_.capacity() > anchors_.size()) anchors_.shrink_to_fit();
  if (curved_.capacity() > curved_.size()) curved_.shrink_to_fit();
  if (corners_.capacity() > corners_.size()) corners_.shrink_to_fit();
}

bool operator==(const Segments& a, const Segments& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

bool operator==(const Segments& a, const std::vector<PathSegment>& b) {
  return a.size() == b.size() && std::equal(b.begin(), b.end(), a.begin());
}

}  // namespace vx::host
