#pragma once
// A picture as a decoder hands it on: its declared size first, then its
// rows one at a time, top row first. Whoever receives them decides what to
// keep: the whole picture (TWholePicture), or the picture stretched as the
// rows come (TStretchedPicture), which never holds more than a row of the
// picture, so that a large picture read for a small use costs what it is
// used at.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "imaging/linear_bitmap.h"
#include "platform/picture/stretch.h"

struct TPictureExtent {
  int Width = 0;
  int Height = 0;
};

class TPictureRows {
public:
  virtual ~TPictureRows() = default;
  // The size the file declares, before anything is decoded; the answer is
  // the smallest size the receiver can use, which a decoder that can read a
  // picture smaller than it is (JPEG's scaled decoding) may come down to.
  // Raising refuses the picture.
  virtual TPictureExtent Declared(int width, int height) { return {width, height}; }
  // Once, before the first row: the size and form of the rows to come,
  // pf8bit (indices into the 768-byte blue, green, red palette), pf24bit
  // (blue, green, red) or pf32bit (blue, green, red, alpha).
  virtual void Begin(int width, int height, TPixelFormat format, const std::uint8_t* palette) = 0;
  // Where a decoder that makes its rows may make the next one: storage of
  // the receiver's own, so that Row copies nothing, or nullptr (the
  // decoder's own buffer).
  virtual std::uint8_t* NextRowStorage() { return nullptr; }
  virtual void Row(const std::uint8_t* pixels) = 0;
};

// Keeps every row: the picture as the file holds it.
class TWholePicture : public TPictureRows {
public:
  void Begin(int width, int height, TPixelFormat format, const std::uint8_t* palette) override;
  std::uint8_t* NextRowStorage() override;
  void Row(const std::uint8_t* pixels) override;
  TLinearBitmap Picture;

private:
  int FNextRow = 0;
};

// What a picture of a declared size is to become: stretched to Width x
// Height in Format, or (no value) kept as it is.
struct TStretchPlan {
  int Width = 0;
  int Height = 0;
  TPixelFormat Format = pf24bit;
  TStretchMode Mode = TStretchMode::ColorOnColor;
};
using TStretchPlanner = std::function<std::optional<TStretchPlan>(int width, int height)>;

// The picture stretched as its rows come, when the planner asks for it once
// it knows the declared size; otherwise every row kept, as TWholePicture.
// With a halftone plan a decoder may hand on a picture already reduced
// (never below the plan's size); a nearest plan needs every row as it is.
class TStretchedPicture : public TPictureRows {
public:
  explicit TStretchedPicture(TStretchPlanner planner) : FPlanner(std::move(planner)) {}

  TPictureExtent Declared(int width, int height) override;
  void Begin(int width, int height, TPixelFormat format, const std::uint8_t* palette) override;
  std::uint8_t* NextRowStorage() override { return FStretcher ? nullptr : FWhole.NextRowStorage(); }
  void Row(const std::uint8_t* pixels) override;

  // The plan taken, if any.
  const std::optional<TStretchPlan>& Plan() const { return FPlan; }
  // The stretched picture, when there was a plan; else empty.
  Bitmap TakeStretched();
  // The picture as it came, when there was no plan.
  TLinearBitmap TakeWhole() { return std::move(FWhole.Picture); }

private:
  TStretchPlanner FPlanner;
  bool FPlanned = false;
  std::optional<TStretchPlan> FPlan;
  std::unique_ptr<RowStretcher> FStretcher;
  TWholePicture FWhole;
};
