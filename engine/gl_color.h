#pragma once
// An observable RGBA colour property and the colour table: the window
// system's colours (0x80000000 | index, resolved through a fixed table of
// the classic desktop scheme) and a few plain constants.

#include <array>
#include <cstdint>
#include <span>

#include "engine/update_able_object.h"
#include "engine/vector_types.h"
#include "platform/base/color.h"

constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr int kSystemColorCount = 25;
// Indices of the system colours the client names.
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor clInfoBk = clSystemColor | 24;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;

// The system colours as RGBA with alpha 1, by index 0..24.
const std::array<TVector4f, kSystemColorCount>& SystemColors();

// A window-system colour as RGBA (each byte / 255). System colours are
// resolved through the table; an index outside it gives black.
TVector4f ConvertWinColor(TColor color, float alpha = 1.0f);
// Red, green and blue clamped to 0..1, rounded from x 255 into 0x00BBGGRR.
TColor ConvertColorVector(const TVector4f& color);

inline constexpr TVector4f clrTransparent{0, 0, 0, 0};
inline constexpr TVector4f clrBlack{0, 0, 0, 1};
inline constexpr TVector4f clrWhite{1, 1, 1, 1};
inline constexpr TVector4f clrGray20{0.2f, 0.2f, 0.2f, 1};
inline constexpr TVector4f clrGray80{0.8f, 0.8f, 0.8f, 1};
inline constexpr TVector4f clrRed{1, 0, 0, 1};
inline constexpr TVector4f clrGreen{0, 1, 0, 1};
inline constexpr TVector4f clrBlue{0, 0, 1, 1};

class TGLColor : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TGLColor)
public:
  // Black, alpha 1.
  explicit TGLColor(TPersistent* owner = nullptr) : TGLUpdateAbleObject(owner) {}
  TGLColor(TPersistent* owner, const TVector4f& color, TNotifyEvent changeEvent = {});

  // A scene object owner recompiles its list first; then the usual chain.
  void NotifyChange(TObject* sender) override;
  // From another colour: copies and notifies.
  void Assign(const TPersistent* source) override;
  // The value without notification.
  void Initialize(const TVector4f& color) { FColor = color; }

  float GetRed() const { return FColor[0]; }
  float GetGreen() const { return FColor[1]; }
  float GetBlue() const { return FColor[2]; }
  float GetAlpha() const { return FColor[3]; }
  // Stores and notifies only when the value differs.
  void SetColorComponent(int index, float value);
  void SetRed(float v) { SetColorComponent(0, v); }
  void SetGreen(float v) { SetColorComponent(1, v); }
  void SetBlue(float v) { SetColorComponent(2, v); }
  void SetAlpha(float v) { SetColorComponent(3, v); }

  const TVector4f& GetColor() const { return FColor; }
  // Copies and notifies.
  void SetColor(const TVector4f& color);
  const float* GetAsAddress() const { return FColor.V; }

  // Alpha 1, then notifies.
  void SetAsWinColor(TColor color);
  TColor GetAsWinColor() const { return ConvertColorVector(FColor); }

  // The "Color" property: R, G, B, A as little-endian Singles.
  std::array<std::uint8_t, 16> WriteData() const;
  bool ReadData(std::span<const std::uint8_t> data);

private:
  TVector4f FColor = clrBlack;
};
