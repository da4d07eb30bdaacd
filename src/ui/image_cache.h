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

// The decoded image of a skin file, in premultiplied 32-bit form; null (and
// one log line) when the file is missing or is no image.
Gdiplus::Bitmap* GetCachedImage(const std::wstring& file);
void ClearImageCache();

// A part of a cached image as an image of its own, made once. Stretching a
// part of a sprite from such a copy cannot blend in pixels of the
// neighbouring cells, whatever the scaler samples beyond the part's edge.
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
