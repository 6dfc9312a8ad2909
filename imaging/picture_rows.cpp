#include "imaging/picture_rows.h"

#include <cstring>

void TWholePicture::Begin(int width, int height, TPixelFormat format, const std::uint8_t* palette) {
  TLinearBitmap picture;
  picture.Allocate(width, height, format);
  if (format == pf8bit) std::memcpy(picture.Palette.get(), palette, 768);
  Picture = std::move(picture);
  FNextRow = 0;
}

std::uint8_t* TWholePicture::NextRowStorage() {
  return FNextRow < Picture.Height ? Picture.ScanLine(FNextRow) : nullptr;
}

void TWholePicture::Row(const std::uint8_t* pixels) {
  if (FNextRow >= Picture.Height) return;
  std::uint8_t* row = Picture.ScanLine(FNextRow++);
  if (pixels != row) std::memcpy(row, pixels, std::size_t(Picture.BytesPerLine));
}

TPictureExtent TStretchedPicture::Declared(int width, int height) {
  FPlan = FPlanner ? FPlanner(width, height) : std::nullopt;
  FPlanned = true;
  if (FPlan && FPlan->Mode == TStretchMode::Halftone) return {FPlan->Width, FPlan->Height};
  return {width, height};
}

void TStretchedPicture::Begin(int width, int height, TPixelFormat format, const std::uint8_t* palette) {
  if (!FPlanned) Declared(width, height);
  if (!FPlan) {
    FWhole.Begin(width, height, format, palette);
    return;
  }
  Bitmap::Palette colours = Bitmap::GreyPalette();
  if (format == pf8bit) std::memcpy(colours.data(), palette, 768);
  FStretcher = std::make_unique<RowStretcher>(width, height, format, colours, FPlan->Width, FPlan->Height,
                                              FPlan->Format, FPlan->Mode);
}

void TStretchedPicture::Row(const std::uint8_t* pixels) {
  if (FStretcher)
    FStretcher->AddRow(pixels);
  else
    FWhole.Row(pixels);
}

Bitmap TStretchedPicture::TakeStretched() { return FStretcher ? FStretcher->TakeResult() : Bitmap(); }
