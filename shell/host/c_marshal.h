// Carrying a call of the C++ host interface across the C tables of c_suites.h, one parameter at a
// time. ToC<P, C> makes the C argument of type C from the caller's C++ argument declared as P
// (the plug-in's side); FromC<P, C> makes the C++ argument P from the C one (the host's side).
// Each has Done(ok), run after the call, for what goes back to the caller. The pairs that need
// one side's own objects (dictionaries, windows, dialog handlers) are specialised there.
#pragma once

#include "shell/host/c_suites.h"
#include "shell/host/dictionary.h"
#include "shell/host/paths.h"

#include <filesystem>
#include <new>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace vx::host::cabi {

template <class P, class C, class = void>
struct ToC;
template <class P, class C, class = void>
struct FromC;

template <class T>
constexpr bool kEnum = std::is_enum_v<T>;

inline VxStr StrOf(const std::string& s) { return VxStr{s.data(), s.size()}; }
inline std::string StringOf(const VxStr& s) { return s.data ? std::string(s.data, s.size) : std::string(); }

// The part of a sink every out-text shares: a failure inside `put` (it runs in the other side's
// call) is kept, not thrown.
struct SinkBase {
  bool failed = false;
  bool Failed() const { return failed; }
};

// ----- the same type on both sides

template <class T>
struct ToC<T, T, std::enable_if_t<!std::is_reference_v<T>>> {
  explicit ToC(const T& v) : v_(v) {}
  T c() const { return v_; }
  void Done(bool) {}
  bool Failed() const { return false; }
  T v_;
};
template <class T>
struct FromC<T, T, std::enable_if_t<!std::is_reference_v<T>>> {
  explicit FromC(T v) : v_(v) {}
  T get() const { return v_; }
  void Done(bool) {}
  T v_;
};

// Out and in-out parameters of the same type: a pointer.
template <class T>
struct ToC<T&, T*, std::enable_if_t<!std::is_const_v<T>>> {
  explicit ToC(T& r) : r_(r) {}
  T* c() const { return &r_; }
  void Done(bool) {}
  bool Failed() const { return false; }
  T& r_;
};
template <class T>
struct FromC<T&, T*, std::enable_if_t<!std::is_const_v<T>>> {
  explicit FromC(T* p) : p_(p ? p : &spare_) {}
  T& get() { return *p_; }
  void Done(bool) {}
  T spare_{};
  T* p_;
};

// Records going in: a pointer to the caller's.
template <class T>
struct ToC<const T&, const T*> {
  explicit ToC(const T& r) : r_(r) {}
  const T* c() const { return &r_; }
  void Done(bool) {}
  bool Failed() const { return false; }
  const T& r_;
};
template <class T>
struct FromC<const T&, const T*> {
  explicit FromC(const T* p) : p_(p ? p : &spare_) {}
  const T& get() const { return *p_; }
  void Done(bool) {}
  T spare_{};
  const T* p_;
};

// Enumerations as their integers.
template <class E, class I>
struct ToC<E, I, std::enable_if_t<kEnum<E> && std::is_integral_v<I>>> {
  explicit ToC(E e) : v_(static_cast<I>(e)) {}
  I c() const { return v_; }
  void Done(bool) {}
  bool Failed() const { return false; }
  I v_;
};
template <class E, class I>
struct FromC<E, I, std::enable_if_t<kEnum<E> && std::is_integral_v<I>>> {
  explicit FromC(I v) : v_(static_cast<E>(v)) {}
  E get() const { return v_; }
  void Done(bool) {}
  E v_;
};
template <class E, class I>
struct ToC<E&, I*, std::enable_if_t<kEnum<E> && std::is_integral_v<I>>> {
  explicit ToC(E& r) : r_(r), v_(static_cast<I>(r)) {}
  I* c() { return &v_; }
  void Done(bool) { r_ = static_cast<E>(v_); }
  bool Failed() const { return false; }
  E& r_;
  I v_;
};
template <class E, class I>
struct FromC<E&, I*, std::enable_if_t<kEnum<E> && std::is_integral_v<I>>> {
  explicit FromC(I* p) : p_(p), v_(p ? static_cast<E>(*p) : E{}) {}
  E& get() { return v_; }
  void Done(bool) {
    if (p_) *p_ = static_cast<I>(v_);
  }
  I* p_;
  E v_;
};

// ----- text going in

template <>
struct ToC<const std::string&, VxStr> {
  explicit ToC(const std::string& s) : s_(s) {}
  VxStr c() const { return StrOf(s_); }
  void Done(bool) {}
  bool Failed() const { return false; }
  const std::string& s_;
};
template <>
struct FromC<const std::string&, VxStr> {
  explicit FromC(VxStr s) : s_(StringOf(s)) {}
  const std::string& get() const { return s_; }
  void Done(bool) {}
  std::string s_;
};

template <>
struct ToC<const std::filesystem::path&, VxStr> {
  explicit ToC(const std::filesystem::path& p) : s_(PathToUtf8(p)) {}
  VxStr c() const { return StrOf(s_); }
  void Done(bool) {}
  bool Failed() const { return false; }
  std::string s_;
};
template <>
struct FromC<const std::filesystem::path&, VxStr> {
  explicit FromC(VxStr s) : p_(Utf8ToPath(StringOf(s))) {}
  const std::filesystem::path& get() const { return p_; }
  void Done(bool) {}
  std::filesystem::path p_;
};

template <>
struct ToC<const std::u16string&, VxStr16> {
  explicit ToC(const std::u16string& s) : s_(s) {}
  VxStr16 c() const { return VxStr16{s_.data(), s_.size()}; }
  void Done(bool) {}
  bool Failed() const { return false; }
  const std::u16string& s_;
};
template <>
struct FromC<const std::u16string&, VxStr16> {
  explicit FromC(VxStr16 s) : s_(s.data ? std::u16string(s.data, s.size) : std::u16string()) {}
  const std::u16string& get() const { return s_; }
  void Done(bool) {}
  std::u16string s_;
};

template <>
struct ToC<const std::vector<std::string>&, VxStrList> {
  explicit ToC(const std::vector<std::string>& v) {
    items_.reserve(v.size());
    for (const std::string& s : v) items_.push_back(StrOf(s));
  }
  VxStrList c() const { return VxStrList{items_.data(), items_.size()}; }
  void Done(bool) {}
  bool Failed() const { return false; }
  std::vector<VxStr> items_;
};
template <>
struct FromC<const std::vector<std::string>&, VxStrList> {
  explicit FromC(VxStrList l) {
    if (l.items) v_.reserve(l.count);
    for (std::size_t i = 0; l.items && i < l.count; ++i) v_.push_back(StringOf(l.items[i]));
  }
  const std::vector<std::string>& get() const { return v_; }
  void Done(bool) {}
  std::vector<std::string> v_;
};

// ----- text coming out: the caller's sink

// `Put(data, size)` of the derived class receives each text; it may throw.
template <class Derived, class Char, class Sink>
struct TextSinkOf : SinkBase {
  TextSinkOf() : sink_{this, &Thunk} {}
  TextSinkOf(const TextSinkOf&) = delete;
  TextSinkOf& operator=(const TextSinkOf&) = delete;
  const Sink* c() const { return &sink_; }
  static void Thunk(void* ctx, const Char* data, std::size_t size) noexcept {
    auto* self = static_cast<Derived*>(static_cast<TextSinkOf*>(ctx));
    try {
      self->Put(data, size);
    } catch (...) {
      self->failed = true;
    }
  }
  Sink sink_;
};

template <>
struct ToC<std::string&, const VxTextSink*> : TextSinkOf<ToC<std::string&, const VxTextSink*>, char, VxTextSink> {
  explicit ToC(std::string& r) : r_(r) {}
  void Put(const char* d, std::size_t n) { r_.assign(d, n); }
  void Done(bool) {}
  std::string& r_;
};
template <>
struct ToC<std::filesystem::path&, const VxTextSink*>
    : TextSinkOf<ToC<std::filesystem::path&, const VxTextSink*>, char, VxTextSink> {
  explicit ToC(std::filesystem::path& r) : r_(r) {}
  void Put(const char* d, std::size_t n) { r_ = Utf8ToPath(std::string(d, n)); }
  void Done(bool) {}
  std::filesystem::path& r_;
};
template <>
struct ToC<std::u16string&, const VxText16Sink*>
    : TextSinkOf<ToC<std::u16string&, const VxText16Sink*>, VxChar16, VxText16Sink> {
  explicit ToC(std::u16string& r) : r_(r) {}
  void Put(const VxChar16* d, std::size_t n) { r_.assign(d, n); }
  void Done(bool) {}
  std::u16string& r_;
};
template <>
struct ToC<std::vector<std::filesystem::path>&, const VxTextSink*>
    : TextSinkOf<ToC<std::vector<std::filesystem::path>&, const VxTextSink*>, char, VxTextSink> {
  explicit ToC(std::vector<std::filesystem::path>& r) : r_(r) { r_.clear(); }
  void Put(const char* d, std::size_t n) { r_.push_back(Utf8ToPath(std::string(d, n))); }
  void Done(bool) {}
  std::vector<std::filesystem::path>& r_;
};
template <>
struct ToC<std::vector<std::int32_t>&, const VxInt32Sink*> : SinkBase {
  explicit ToC(std::vector<std::int32_t>& r) : r_(r), sink_{this, &Thunk} { r_.clear(); }
  ToC(const ToC&) = delete;
  ToC& operator=(const ToC&) = delete;
  const VxInt32Sink* c() const { return &sink_; }
  void Done(bool) {}
  static void Thunk(void* ctx, std::int32_t v) noexcept {
    auto* self = static_cast<ToC*>(ctx);
    try {
      self->r_.push_back(v);
    } catch (...) {
      self->failed = true;
    }
  }
  std::vector<std::int32_t>& r_;
  VxInt32Sink sink_;
};

// The callee's side: the text is handed to the sink once the call succeeded.
template <>
struct FromC<std::string&, const VxTextSink*> {
  explicit FromC(const VxTextSink* s) : s_(s) {}
  std::string& get() { return v_; }
  void Done(bool ok) {
    if (ok && s_ && s_->put) s_->put(s_->ctx, v_.data(), v_.size());
  }
  const VxTextSink* s_;
  std::string v_;
};
template <>
struct FromC<std::filesystem::path&, const VxTextSink*> {
  explicit FromC(const VxTextSink* s) : s_(s) {}
  std::filesystem::path& get() { return v_; }
  void Done(bool ok) {
    if (!(ok && s_ && s_->put)) return;
    const std::string u = PathToUtf8(v_);
    s_->put(s_->ctx, u.data(), u.size());
  }
  const VxTextSink* s_;
  std::filesystem::path v_;
};
template <>
struct FromC<std::u16string&, const VxText16Sink*> {
  explicit FromC(const VxText16Sink* s) : s_(s) {}
  std::u16string& get() { return v_; }
  void Done(bool ok) {
    if (ok && s_ && s_->put) s_->put(s_->ctx, v_.data(), v_.size());
  }
  const VxText16Sink* s_;
  std::u16string v_;
};
template <>
struct FromC<std::vector<std::filesystem::path>&, const VxTextSink*> {
  explicit FromC(const VxTextSink* s) : s_(s) {}
  std::vector<std::filesystem::path>& get() { return v_; }
  void Done(bool ok) {
    if (!(ok && s_ && s_->put)) return;
    for (const std::filesystem::path& p : v_) {
      const std::string u = PathToUtf8(p);
      s_->put(s_->ctx, u.data(), u.size());
    }
  }
  const VxTextSink* s_;
  std::vector<std::filesystem::path> v_;
};
template <>
struct FromC<std::vector<std::int32_t>&, const VxInt32Sink*> {
  explicit FromC(const VxInt32Sink* s) : s_(s) {}
  std::vector<std::int32_t>& get() { return v_; }
  void Done(bool ok) {
    if (!(ok && s_ && s_->put)) return;
    for (std::int32_t x : v_) s_->put(s_->ctx, x);
  }
  const VxInt32Sink* s_;
  std::vector<std::int32_t> v_;
};

// ----- entries

// An entry as C: its value, the text lent from `text` (which holds it for the call), and the
// handles of its array or dictionary as `handles` gives them (each side knows its own).
template <class Handles>
VxEntry EntryToC(const Entry& e, std::string& text, Handles&& handles) {
  VxEntry c{};
  c.type = static_cast<std::int32_t>(e.Type());
  switch (e.Type()) {
    case EntryType::Integer: e.AsInteger(c.integer); break;
    case EntryType::Boolean: e.AsBoolean(c.boolean); break;
    case EntryType::Real: e.AsReal(c.real); break;
    case EntryType::String:
      e.AsString(text);
      c.string = StrOf(text);
      break;
    case EntryType::Array: {
      ArrayRef a;
      e.AsArray(a);
      c.array = handles(a);
      break;
    }
    case EntryType::Dictionary: {
      DictionaryRef d;
      e.AsDictionary(d);
      c.dictionary = handles(d);
      break;
    }
  }
  return c;
}

// ----- records that differ from their C form

VxColor ColorToC(const Color& c);
Color ColorFromC(const VxColor& c);
VxPathStyle PathStyleToC(const PathStyle& s);
PathStyle PathStyleFromC(const VxPathStyle& s);

template <>
struct ToC<const Color&, const VxColor*> {
  explicit ToC(const Color& c) : v_(ColorToC(c)) {}
  const VxColor* c() const { return &v_; }
  void Done(bool) {}
  bool Failed() const { return false; }
  VxColor v_;
};
template <>
struct ToC<Color&, VxColor*> {
  explicit ToC(Color& r) : r_(r), v_(ColorToC(r)) {}
  VxColor* c() { return &v_; }
  void Done(bool) { r_ = ColorFromC(v_); }
  bool Failed() const { return false; }
  Color& r_;
  VxColor v_;
};
template <>
struct FromC<const Color&, const VxColor*> {
  explicit FromC(const VxColor* p) : v_(p ? ColorFromC(*p) : Color{}) {}
  const Color& get() const { return v_; }
  void Done(bool) {}
  Color v_;
};
template <>
struct FromC<Color&, VxColor*> {
  explicit FromC(VxColor* p) : p_(p), v_(p ? ColorFromC(*p) : Color{}) {}
  Color& get() { return v_; }
  void Done(bool) {
    if (p_) *p_ = ColorToC(v_);
  }
  VxColor* p_;
  Color v_;
};

template <>
struct ToC<const PathStyle&, const VxPathStyle*> {
  explicit ToC(const PathStyle& s) : v_(PathStyleToC(s)) {}
  const VxPathStyle* c() const { return &v_; }
  void Done(bool) {}
  bool Failed() const { return false; }
  VxPathStyle v_;
};
template <>
struct ToC<PathStyle&, VxPathStyle*> {
  explicit ToC(PathStyle& r) : r_(r), v_(PathStyleToC(r)) {}
  VxPathStyle* c() { return &v_; }
  void Done(bool) { r_ = PathStyleFromC(v_); }
  bool Failed() const { return false; }
  PathStyle& r_;
  VxPathStyle v_;
};
template <>
struct FromC<const PathStyle&, const VxPathStyle*> {
  explicit FromC(const VxPathStyle* p) : v_(p ? PathStyleFromC(*p) : PathStyle{}) {}
  const PathStyle& get() const { return v_; }
  void Done(bool) {}
  PathStyle v_;
};
template <>
struct FromC<PathStyle&, VxPathStyle*> {
  explicit FromC(VxPathStyle* p) : p_(p), v_(p ? PathStyleFromC(*p) : PathStyle{}) {}
  PathStyle& get() { return v_; }
  void Done(bool) {
    if (p_) *p_ = PathStyleToC(v_);
  }
  VxPathStyle* p_;
  PathStyle v_;
};

template <>
struct ToC<ThemeColor&, double*> {
  explicit ToC(ThemeColor& r) : r_(r) {}
  double* c() const { return r_.data(); }
  void Done(bool) {}
  bool Failed() const { return false; }
  ThemeColor& r_;
};
template <>
struct FromC<ThemeColor&, double*> {
  explicit FromC(double* p) : p_(p) {
    if (p_)
      for (std::size_t i = 0; i < v_.size(); ++i) v_[i] = p_[i];
  }
  ThemeColor& get() { return v_; }
  void Done(bool) {
    if (p_)
      for (std::size_t i = 0; i < v_.size(); ++i) p_[i] = v_[i];
  }
  double* p_;
  ThemeColor v_{};
};

// ----- calls

template <class... T>
struct List {};

// A member function's class, result and declared parameters.
template <auto M>
struct Member;
template <class I, class R, class... P, R (I::*M)(P...)>
struct Member<M> {
  using Class = I;
  using Result = R;
  using Params = List<P...>;
};
template <class I, class R, class... P, R (I::*M)(P...) const>
struct Member<M> {
  using Class = I;
  using Result = R;
  using Params = List<P...>;
};

template <class R>
bool Succeeded(const R& r) {
  if constexpr (std::is_same_v<R, Err>) return r == kNoErr;
  return true;
}

// What a call answers when it cannot be made: a code, or an empty value.
template <class R>
R Unmade(Err code) {
  if constexpr (std::is_same_v<R, Err>)
    return code;
  else if constexpr (!std::is_void_v<R>)
    return R{};
}

namespace detail {
// The plug-in's side: calls `fn` with the C forms of `args`, after `lead` (the handle of the
// object called, if any).
template <class R, class Ps, class Cs>
struct Caller;
template <class R, class... P, class... C>
struct Caller<R, List<P...>, List<C...>> {
  template <class F, class... Lead, class... A>
  static R Run(F fn, std::tuple<Lead...> lead, A&... args) {
    if (!fn) return Unmade<R>(kUnsupported);
    try {
      std::tuple<ToC<P, C>...> conv(args...);
      auto r =
          std::apply([&](auto&... x) { return std::apply([&](auto... l) { return fn(l..., x.c()...); }, lead); }, conv);
      const bool ok = Succeeded(r);
      bool failed = false;
      std::apply([&](auto&... x) { ((x.Done(ok), failed = failed || x.Failed()), ...); }, conv);
      if (failed && ok) return Unmade<R>(kOutOfMemory);
      return static_cast<R>(r);
    } catch (const std::bad_alloc&) {
      return Unmade<R>(kOutOfMemory);
    } catch (...) {
      return Unmade<R>(kCant);
    }
  }
};
}  // namespace detail

// Calls the C function `fn` for the member function M of a suite.
template <auto M, class CR, class... C, class... A>
typename Member<M>::Result Call(CR (*fn)(C...), A&... args) {
  using R = typename Member<M>::Result;
  return detail::Caller<R, typename Member<M>::Params, List<C...>>::Run(fn, std::tuple<>{}, args...);
}
// The same for the member function M of an object the C side knows by the handle `h`.
template <auto M, class H, class CR, class... C, class... A>
typename Member<M>::Result CallOn(CR (*fn)(H, C...), H h, A&... args) {
  using R = typename Member<M>::Result;
  return detail::Caller<R, typename Member<M>::Params, List<C...>>::Run(fn, std::tuple<H>{h}, args...);
}

}  // namespace vx::host::cabi
