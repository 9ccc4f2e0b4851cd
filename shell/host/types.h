// Basic types of the host interface: result codes, opaque handles and geometry records.
//
// The plug-in reaches the drawing application only through the services declared in shell/host.
// Handles are opaque pointers owned by the host (art, layers, documents, menus, panels ...); the
// plug-in never frees them except through the matching host call.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vx::host {

// A 32-bit result code; 0 is success. Four-character codes hold their first character in the
// most significant byte.
using Err = std::int32_t;

constexpr Err FourCC(const char (&s)[5]) {
  return static_cast<Err>((static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24) |
                          (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16) |
                          (static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8) |
                          static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])));
}

// The text of a code for messages: "'STOP'" when all four bytes print, else the decimal number.
std::string ErrText(Err e);

constexpr Err kNoErr = 0;
constexpr Err kNotHandled = FourCC("!MSG");   // message not handled; success at the entry
constexpr Err kOutOfMemory = FourCC("!MEM");  // an object could not be created
constexpr Err kCant = FourCC("CANT");         // an exception without a code
constexpr Err kStop = FourCC("STOP");         // the user cancelled; never shown as an error
constexpr Err kPurged = FourCC("pFls");       // answer to a purge request when something was purged
// Errors the host itself answers.
constexpr Err kBadParameter = FourCC("PARM");  // a handle or value the host cannot use
constexpr Err kNoDocument = FourCC("DOC?");    // the call needs an open document
constexpr Err kNotFound = FourCC("NFND");      // no such key, item, suite or file
constexpr Err kWrongType = FourCC("TYP?");     // an entry or art of another kind than asked
constexpr Err kOutOfRange = FourCC("RNG?");    // an index past the end
constexpr Err kLocked = FourCC("LOCK");        // art or layer cannot be changed
constexpr Err kUnsupported = FourCC("NSUP");   // the host does not offer the operation here
constexpr Err kFileError = FourCC("FILE");     // a file could not be read or written

// Thrown by plug-in code for a host error; the entry converts it back into its code.
struct HostError {
  Err code;
};

// Opaque handles. The host defines the structures; the plug-in only passes the pointers around.
struct PluginOpaque;
struct AccessOpaque;
struct DocumentOpaque;
struct ArtOpaque;
struct LayerOpaque;
struct ArtSetOpaque;
struct MenuItemOpaque;
struct MenuGroupOpaque;
struct PanelOpaque;
struct FlyoutMenuOpaque;
struct NotifierOpaque;
struct ContextOpaque;
struct WindowOpaque;

using PluginRef = PluginOpaque*;
using AccessRef = AccessOpaque*;
using DocumentHandle = DocumentOpaque*;
using ArtHandle = ArtOpaque*;
using LayerHandle = LayerOpaque*;
using ArtSetHandle = ArtSetOpaque*;
using MenuItemHandle = MenuItemOpaque*;
using MenuGroupHandle = MenuGroupOpaque*;
using PanelHandle = PanelOpaque*;
using FlyoutMenuHandle = FlyoutMenuOpaque*;
using NotifierHandle = NotifierOpaque*;
using ContextHandle = ContextOpaque*;
using WindowHandle = WindowOpaque*;

// A point of the document in points (1/72 inch); v grows upward.
struct RealPoint {
  double h = 0;
  double v = 0;
  friend bool operator==(const RealPoint&, const RealPoint&) = default;
};

// A rectangle in document points; top > bottom since v grows upward.
struct RealRect {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  friend bool operator==(const RealRect&, const RealRect&) = default;
};

// One cubic Bezier: anchor p0, control p1, control p2, anchor p3.
struct RealBezier {
  RealPoint p0, p1, p2, p3;
};

// One anchor of a path with its handles: `in` leads into the anchor, `out` leaves it.
struct PathSegment {
  RealPoint p;
  RealPoint in;
  RealPoint out;
  bool corner = false;
  friend bool operator==(const PathSegment&, const PathSegment&) = default;
};

}  // namespace vx::host
