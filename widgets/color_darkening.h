#pragma once

// Darkening of desktop colours on the hue-lightness-saturation scale of 0 to 240.
//
// The conversions are the classic ones with HLSMAX = 240 and RGBMAX = 255, carried out in
// exact arithmetic with one rounding per result (to the nearest whole number, a tie going to
// the even one). QColor's own HSL works on other scales and rounds differently, so the
// controls' shades would drift from the expected pixels if it were used.

#include <QColor>
#include <QRgb>

namespace widgets {

// A colour on the 0 to 240 scale. Hue runs from 0 to 239 and is 160 for greys, which have
// no hue of their own.
struct HlsColor {
  int hue;
  int lightness;
  int saturation;
};

// The colour's hue, lightness and saturation; the alpha channel is ignored.
[[nodiscard]] HlsColor RgbToHls(QRgb rgb) noexcept;

// The opaque colour of hls; lightness and saturation are taken within 0 to 240, and the hue
// wraps around 240.
[[nodiscard]] QRgb HlsToRgb(HlsColor hls) noexcept;

// color with its lightness lowered by amount (not below 0), keeping hue, saturation and alpha.
// #F0F0F0 gives #DBDBDB for 20 and #C6C6C6 for 40.
[[nodiscard]] QColor DarkenColor(const QColor& color, int amount);

}  // namespace widgets
