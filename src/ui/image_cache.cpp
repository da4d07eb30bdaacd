#include "ui/image_cache.h"

#include <algorithm>
#include <map>

#include "corekit/log.h"
#include "ui/skin_archive.h"

namespace ui {
namespace {

std::map<std::wstring, std::unique_ptr<Gdiplus::Bitmap>>& Cache() {
  static std::map<std::wstring, std::unique_ptr<Gdiplus::Bitmap>> cache;
  return cache;
}

struct PartKey {
  Gdiplus::Bitmap* image;
  int x, y, width, height;
  bool operator<(const PartKey& o) const {
    if (image != o.image) return image < o.image;
    if (x != o.x) return x < o.x;
    if (y != o.y) return y < o.y;
    if (width != o.width) return width < o.width;
    return height < o.height;
  }
};

std::map<PartKey, std::unique_ptr<Gdiplus::Bitmap>>& Parts() {
  static std::map<PartKey, std::unique_ptr<Gdiplus::Bitmap>> parts;
  return parts;
}

std::wstring CacheKey(const std::wstring& file) {
  std::wstring key = file;
  for (wchar_t& c : key) {
    if (c == L'\\') c = L'/';
    c = static_cast<wchar_t>(towlower(c));
  }
  return key;
}

}  // namespace

std::unique_ptr<Gdiplus::Bitmap> ToPremultiplied(Gdiplus::Image* source) {
  UINT width = source->GetWidth(), height = source->GetHeight();
  if (width == 0 || height == 0) return nullptr;
  auto copy = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(width), static_cast<INT>(height),
                                                PixelFormat32bppPARGB);
  if (copy->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Graphics g(copy.get());
  g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
  g.DrawImage(source, 0, 0, static_cast<INT>(width), static_cast<INT>(height));
  return copy;
}

void EnsureGdiplus() {
  static ULONG_PTR token = [] {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR t = 0;
    if (Gdiplus::GdiplusStartup(&t, &input, nullptr) != Gdiplus::Ok)
      LOG_FUNC(LOG_LEVEL_ERROR, "GdiplusStartup failed");
    return t;
  }();
  (void)token;
}

StreamImage::~StreamImage() {
  delete image;
  if (stream) stream->Release();
}

std::unique_ptr<StreamImage> DecodeImage(const std::string& bytes) {
  EnsureGdiplus();
  if (bytes.empty()) return nullptr;
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory) return nullptr;
  void* data = ::GlobalLock(memory);
  memcpy(data, bytes.data(), bytes.size());
  ::GlobalUnlock(memory);
  auto result = std::make_unique<StreamImage>();
  if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &result->stream))) {
    ::GlobalFree(memory);
    return nullptr;
  }
  result->image = Gdiplus::Image::FromStream(result->stream);
  if (!result->image || result->image->GetLastStatus() != Gdiplus::Ok || result->image->GetWidth() == 0)
    return nullptr;
  return result;
}

Gdiplus::Bitmap* GetCachedImage(const std::wstring& file) {
  std::wstring key = CacheKey(file);
  auto& cache = Cache();
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  std::string bytes;
  Gdiplus::Bitmap* bitmap = nullptr;
  if (ReadSkinFile(file, bytes)) {
    std::unique_ptr<StreamImage> decoded = DecodeImage(bytes);
    if (decoded) bitmap = ToPremultiplied(decoded->image).release();
    if (!bitmap) LOG_FUNC(LOG_LEVEL_ERROR, "image not decodable = " << file);
  }
  // A missing image is remembered too, so it is reported once.
  cache[key].reset(bitmap);
  return bitmap;
}

void ClearImageCache() {
  Parts().clear();
  Cache().clear();
}

Gdiplus::Bitmap* GetImagePart(Gdiplus::Bitmap* image, int x, int y, int width, int height) {
  if (!image || width <= 0 || height <= 0) return nullptr;
  auto& part = Parts()[PartKey{image, x, y, width, height}];
  if (part) return part.get();
  Gdiplus::Rect area(x, y, width, height);
  Gdiplus::BitmapData source;
  if (image->LockBits(&area, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &source) != Gdiplus::Ok) return nullptr;
  auto* padded = new Gdiplus::Bitmap(width + 2, height + 2, PixelFormat32bppPARGB);
  Gdiplus::Rect all(0, 0, width + 2, height + 2);
  Gdiplus::BitmapData target;
  if (padded->GetLastStatus() == Gdiplus::Ok &&
      padded->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &target) == Gdiplus::Ok) {
    for (int row = 0; row < height + 2; ++row) {
      int from = std::min(std::max(row - 1, 0), height - 1);
      const auto* in = reinterpret_cast<const UINT32*>(static_cast<const BYTE*>(source.Scan0) + from * source.Stride);
      auto* out = reinterpret_cast<UINT32*>(static_cast<BYTE*>(target.Scan0) + row * target.Stride);
      for (int col = 0; col < width + 2; ++col) out[col] = in[std::min(std::max(col - 1, 0), width - 1)];
    }
    padded->UnlockBits(&target);
    part.reset(padded);
  } else {
    delete padded;
  }
  image->UnlockBits(&source);
  return part.get();
}

}  // namespace ui
