// Images of the skin, decoded once with GDI+ and kept for the life of the
// process (or until the resource archive changes).
#pragma once

#include <windows.h>

#include "ui/gdiplus_inc.h"

#include <memory>
#include <string>

namespace ui {

// Starts GDI+ once per process.
void EnsureGdiplus();

// A premultiplied 32-bit copy of the image (its active frame): it draws
// fastest and no longer needs the stream. Null for an empty image.
std::unique_ptr<Gdiplus::Bitmap> ToPremultiplied(Gdiplus::Image* source);

// The decoded image of a skin file, in premultiplied 32-bit form; null (and
// one log line) when the file is missing or is no image.
Gdiplus::Bitmap* GetCachedImage(const std::wstring& file);
void ClearImageCache();

// A part of a cached image as an image of its own, made once, with a
// one-pixel margin that repeats the part's edge pixels: the part lies at
// (1, 1). Stretching it blends in neither the neighbouring cells of a
// sprite nor transparency, whatever the scaler samples beyond the edge.
Gdiplus::Bitmap* GetImagePart(Gdiplus::Bitmap* image, int x, int y, int width, int height);

// An image decoded from bytes together with the stream it reads from: GDI+
// reads the frames of an animation from that stream as they are selected.
struct StreamImage {
  StreamImage() = default;
  ~StreamImage();
  StreamImage(const StreamImage&) = delete;
  StreamImage& operator=(const StreamImage&) = delete;
  IStream* stream = nullptr;
  Gdiplus::Image* image = nullptr;
};
std::unique_ptr<StreamImage> DecodeImage(const std::string& bytes);

}  // namespace ui
