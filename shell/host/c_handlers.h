// Dialog handlers across the module boundary, both ways: a side's own DialogHandler lent to the
// other as a VxDialogHandler, and the other side's VxDialogHandler as a DialogHandler here.
#pragma once

#include "shell/host/c_marshal.h"

namespace vx::host::cabi {

// This side's handlers as the other side sees them: ctx is the DialogHandler; `Find` gives this
// side's object for a window's handle. Nothing thrown leaves.
template <Window* (*Find)(VxWindow)>
struct HandlerThunks {
  static DialogHandler& Of(void* ctx) { return *static_cast<DialogHandler*>(ctx); }
  static void OnInit(void* ctx, VxWindow w) noexcept {
    try {
      if (Window* win = Find(w)) Of(ctx).OnInit(*win);
    } catch (...) {
    }
  }
  static void OnCommand(void* ctx, VxWindow w, std::int32_t id, std::int32_t event, std::int32_t detail) noexcept {
    try {
      if (Window* win = Find(w)) Of(ctx).OnCommand(*win, id, static_cast<ControlEvent>(event), detail);
    } catch (...) {
    }
  }
  static void OnFileSelected(void* ctx, VxWindow w, VxStr utf8) noexcept {
    try {
      if (Window* win = Find(w)) Of(ctx).OnFileSelected(*win, Utf8ToPath(StringOf(utf8)));
    } catch (...) {
    }
  }
  static bool OnListCellColors(void* ctx, VxWindow w, std::int32_t id, std::int32_t row, std::int32_t column,
                               std::uint32_t* text, std::uint32_t* back) noexcept {
    try {
      Window* win = Find(w);
      return win && text && back && Of(ctx).OnListCellColors(*win, id, row, column, *text, *back);
    } catch (...) {
      return false;
    }
  }
  static bool OnStaticColors(void* ctx, VxWindow w, std::int32_t id, std::uint32_t* text,
                             std::uint32_t* back) noexcept {
    try {
      Window* win = Find(w);
      return win && text && back && Of(ctx).OnStaticColors(*win, id, *text, *back);
    } catch (...) {
      return false;
    }
  }
  static VxDialogHandler Lend(DialogHandler* h) {
    if (!h) return VxDialogHandler{};
    return VxDialogHandler{h, &OnInit, &OnCommand, &OnFileSelected, &OnListCellColors, &OnStaticColors};
  }
  // This side's own handler when `c` is one lent by this side, else nullptr.
  static DialogHandler* Own(const VxDialogHandler& c) {
    return c.OnInit == &OnInit ? static_cast<DialogHandler*>(c.ctx) : nullptr;
  }
};

inline bool IsNoHandler(const VxDialogHandler* c) { return !c || (!c->ctx && !c->OnInit && !c->OnCommand); }

// The other side's handler: each event goes to its C functions with the window's handle, inside
// a `Scope` made from the window.
template <class Scope>
class HandlerOverCOf final : public DialogHandler {
 public:
  explicit HandlerOverCOf(const VxDialogHandler& c) : c_(c) {}
  const VxDialogHandler& C() const { return c_; }
  void OnInit(Window& w) override {
    Scope scope(w);
    if (c_.OnInit) c_.OnInit(c_.ctx, w.Handle());
  }
  void OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) override {
    Scope scope(w);
    if (c_.OnCommand) c_.OnCommand(c_.ctx, w.Handle(), id, static_cast<std::int32_t>(event), detail);
  }
  void OnFileSelected(Window& w, const std::filesystem::path& file) override {
    Scope scope(w);
    const std::string u = PathToUtf8(file);
    if (c_.OnFileSelected) c_.OnFileSelected(c_.ctx, w.Handle(), StrOf(u));
  }
  bool OnListCellColors(Window& w, std::int32_t id, std::int32_t row, std::int32_t column, std::uint32_t& text,
                        std::uint32_t& back) override {
    Scope scope(w);
    return c_.OnListCellColors && c_.OnListCellColors(c_.ctx, w.Handle(), id, row, column, &text, &back);
  }
  bool OnStaticColors(Window& w, std::int32_t id, std::uint32_t& text, std::uint32_t& back) override {
    Scope scope(w);
    return c_.OnStaticColors && c_.OnStaticColors(c_.ctx, w.Handle(), id, &text, &back);
  }

 private:
  VxDialogHandler c_;
};

}  // namespace vx::host::cabi
