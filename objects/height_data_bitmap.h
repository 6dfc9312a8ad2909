#pragma once
// Heights from a greyscale picture: the picture is stretched onto a square
// 8-bit grey bitmap whose side is the smallest power of two at least as wide
// as the picture, and a grey level g becomes the height (g - 128) * 128.
// Tiles wrap around the bitmap; with InfiniteWrap off, a tile that starts
// outside the bitmap is empty.

#include <memory>
#include <mutex>
#include <vector>

#include "objects/height_data.h"
#include "platform/picture/picture.h"

class TGLBitmapHDS : public THeightDataSource {
  CLIENT_DECLARE_CLASS(TGLBitmapHDS)
public:
  // The largest side of the grey bitmap: wider pictures are stretched down
  // to it, so a hostile picture size cannot ask for gigabytes.
  static constexpr int kMaxBitmapSize = 8192;

  explicit TGLBitmapHDS(TComponent* owner = nullptr);
  ~TGLBitmapHDS() override;

  Picture& GetPicture() { return *FPicture; }
  // Copies into the owned picture, which rebuilds the heights.
  void SetPicture(const Picture& picture);
  bool GetInfiniteWrap() const { return FInfiniteWrap; }
  void SetInfiniteWrap(bool value);

  void StartPreparingData(THeightData& heightData) override;
  using THeightDataSource::MarkDirty;
  void MarkDirty(const TTileRect& area) override;

  // Side of the grey bitmap, 0 without a picture (ours: for tests).
  int GetBitmapSize() const;
  // Grey index at column x, row y of the bitmap (row 0 the picture's top).
  int GetGrey(int x, int y) const;

private:
  void PictureChanged();
  void CreateMonochromeBitmap();

  std::unique_ptr<Picture> FPicture;
  bool FInfiniteWrap = true;
  // Guards the grey bitmap against a rebuild while a worker fills a tile.
  mutable std::mutex FBitmapLock;
  int FBitmapSize = 0;
  std::vector<std::uint8_t> FBitmap;
  std::vector<const std::uint8_t*> FScanLineCache;
};
