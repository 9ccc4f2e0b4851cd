// A path's segments as the stand-in host keeps them: the anchors in one contiguous array, and
// handles and corner marks only for the segments that have them. An imported line (every handle on
// its anchor) thus costs two doubles per vertex instead of a whole PathSegment.
#pragma once

#include "shell/host/types.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <type_traits>
#include <vector>

namespace vx::host {

class Segments {
 public:
  // Reads segments by value (they are rebuilt from the parts kept).
  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = PathSegment;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = PathSegment;

    const_iterator() = default;
    const_iterator(const Segments* s, std::size_t i) : s_(s), i_(i) {}
    PathSegment operator*() const { return (*s_)[i_]; }
    PathSegment operator[](difference_type n) const { return (*s_)[i_ + static_cast<std::size_t>(n)]; }
    const_iterator& operator++() { return ++i_, *this; }
    const_iterator operator++(int) { auto t = *this; ++i_; return t; }
    const_iterator& operator--() { return --i_, *this; }
    const_iterator operator--(int) { auto t = *this; --i_; return t; }
    const_iterator& operator+=(difference_type n) { return i_ += static_cast<std::size_t>(n), *this; }
    const_iterator& operator-=(difference_type n) { return i_ -= static_cast<std::size_t>(n), *this; }
    friend const_iterator operator+(const_iterator a, difference_type n) { return a += n; }
    friend const_iterator operator+(difference_type n, const_iterator a) { return a += n; }
    friend const_iterator operator-(const_iterator a, difference_type n) { return a -= n; }
    friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
      return static_cast<difference_type>(a.i_) - static_cast<difference_type>(b.i_);
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.i_ == b.i_; }
    friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.i_ <=> b.i_; }

   private:
    const Segments* s_ = nullptr;
    std::size_t i_ = 0;
  };
  using value_type = PathSegment;
  using size_type = std::size_t;
  using iterator = const_iterator;

  Segments() = default;
  Segments(std::initializer_list<PathSegment> s) { assign(s.begin(), s.end()); }
  Segments(const std::vector<PathSegment>& s) { assign(s.begin(), s.end()); }  // NOLINT: stands in for one
  Segments& operator=(std::initializer_list<PathSegment> s) {
    assign(s.begin(), s.end());
    return *this;
  }
  Segments& operator=(const std::vector<PathSegment>& s) {
    assign(s.begin(), s.end());
    return *this;
  }

  std::size_t size() const { return anchors_.size(); }
  bool empty() const { return anchors_.empty(); }
  PathSegment operator[](std::size_t i) const;
  PathSegment front() const { return (*this)[0]; }
  PathSegment back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  void clear();
  void reserve(std::size_t n) { anchors_.reserve(n); }
  void push_back(const PathSegment& s);
  // Replaces segment `i` (< size()).
  void Set(std::size_t i, const PathSegment& s);
  template <class It>
  void assign(It first, It last) {
    clear();
    if constexpr (std::is_base_of_v<std::forward_iterator_tag, typename std::iterator_traits<It>::iterator_category>)
      anchors_.reserve(static_cast<std::size_t>(std::distance(first, last)));
    for (; first != last; ++first) push_back(*first);
    Fit();
  }
  // Every segment an anchor alone: `xy` holds n (h, v) pairs.
  void AssignAnchors(const double* xy, std::size_t n);
  // Gives back spare capacity.
  void Fit();
  std::vector<PathSegment> ToVector() const { return {begin(), end()}; }

  // The anchors, size() of them in a row.
  const RealPoint* Anchors() const { return anchors_.data(); }
  // True when segment `i`'s handles are kept apart from its anchor (they differ from it, bit for
  // bit, so -0 stays -0).
  bool HasHandles(std::size_t i) const;
  // Number of segments that keep handles; 0 for a path of straight lines.
  std::size_t HandleCount() const { return curved_.size(); }
  std::size_t CornerCount() const { return corners_.size(); }
  // Bytes held (approximate, for the undo journal's budget).
  std::size_t Bytes() const {
    return anchors_.size() * sizeof(RealPoint) + curved_.size() * sizeof(Curved) + corners_.size() * sizeof(std::uint32_t);
  }

  friend bool operator==(const Segments& a, const Segments& b);
  friend bool operator==(const Segments& a, const std::vector<PathSegment>& b);

 private:
  struct Curved {
    std::uint32_t index;
    RealPoint in, out;
  };
  std::vector<RealPoint> anchors_;
  std::vector<Curved> curved_;           // by index
  std::vector<std::uint32_t> corners_;   // indices of corner segments, ascending
};

// Handles that sit on the anchor, bit for bit.
bool Retracted(const PathSegment& s);

}  // namespace vx::host
