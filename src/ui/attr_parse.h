// Parsing of the attribute values of the layout files: colours, rectangles,
// sizes, booleans and image descriptors. Pure text handling, shared by every
// control; a value that does not parse leaves the caller's setting alone.
#pragma once

#include <cstdint>
#include <string>

namespace ui {

struct Edges {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Edges& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
};

// What an image attribute names: a file in the skin, optionally a part of
// it (source) and the nine-grid corners that keep their size when stretched.
struct ImageDesc {
  std::wstring file;
  Edges source;        // empty: the whole image
  Edges corner;        // empty: plain stretch
  bool hasSource = false;
  bool IsEmpty() const { return file.empty(); }
};

// "#AARRGGBB", "#RRGGBB" (opaque) or "0xAARRGGBB".
bool ParseColor(const std::wstring& text, uint32_t& argb);
// Four integers "l,t,r,b" (blanks allowed around them).
bool ParseEdges(const std::wstring& text, Edges& out);
// Two integers "a,b".
bool ParsePair(const std::wstring& text, int& a, int& b);
// A decimal integer, optionally signed, the whole text.
bool ParseInt(const std::wstring& text, int& value);
// "true" / "false" (also 1 / 0).
bool ParseBool(const std::wstring& text, bool& value);
// A plain file name, or "file='a.png' source='l,t,r,b' corner='l,t,r,b'".
// Unknown keys are skipped; a malformed source or corner fails the whole value.
bool ParseImageDesc(const std::wstring& text, ImageDesc& out);
// The key of a localised text reference "%{key}", or false for plain text.
bool ParseTextKey(const std::wstring& text, std::string& key);

}  // namespace ui
