#include "widgets/color_darkening.h"

#include <algorithm>

#include "widgets/rounding.h"

namespace widgets {
namespace {

constexpr int HlsMax = 240;
constexpr int RgbMax = 255;
constexpr int GreyHue = HlsMax * 2 / 3;
// A sixth of the hue circle: the width of each rising or falling ramp of a channel.
constexpr int HueSextant = HlsMax / 6;

// A channel's level in 1 / (HlsMax * HueSextant) steps of lightness, for the hue it sits at
// on the circle between the levels low and high (both in 1 / HlsMax steps).
int ChannelLevel(int low, int high, int hue) noexcept {
  hue = (hue % HlsMax + HlsMax) % HlsMax;
  if (hue < HueSextant) return low * HueSextant + (high - low) * hue;
  if (hue < HlsMax / 2) return high * HueSextant;
  if (hue < HlsMax * 2 / 3) return low * HueSextant + (high - low) * (HlsMax * 2 / 3 - hue);
  return low * HueSextant;
}

int ChannelValue(int level) noexcept {
  return RoundQuotientToEven(level * RgbMax, HlsMax * HueSextant * HlsMax);
}

}  // namespace

HlsColor RgbToHls(QRgb rgb) noexcept {
  const int red = qRed(rgb);
  const int green = qGreen(rgb);
  const int blue = qBlue(rgb);
  const int highest = std::max({red, green, blue});
  const int lowest = std::min({red, green, blue});
  const int sum = highest + lowest;
  const int spread = highest - lowest;

  const int lightness = RoundQuotientToEven(sum * HlsMax, 2 * RgbMax);
  if (spread == 0) return {GreyHue, lightness, 0};

  // The exact lightness, not the rounded one, decides which half of the scale applies.
  const int saturationBase = sum <= RgbMax ? sum : 2 * RgbMax - sum;
  const int saturation = RoundQuotientToEven(spread * HlsMax, saturationBase);

  // The hue as hueNumerator / spread.
  int hueNumerator = 0;
  if (red == highest) {
    hueNumerator = (green - blue) * HueSextant;
  } else if (green == highest) {
    hueNumerator = HlsMax / 3 * spread + (blue - red) * HueSextant;
  } else {
    hueNumerator = HlsMax * 2 / 3 * spread + (red - green) * HueSextant;
  }
  if (hueNumerator < 0) hueNumerator += HlsMax * spread;
  const int hue = RoundQuotientToEven(hueNumerator, spread) % HlsMax;
  return {hue, lightness, saturation};
}

QRgb HlsToRgb(HlsColor hls) noexcept {
  const int lightness = std::clamp(hls.lightness, 0, HlsMax);
  const int saturation = std::clamp(hls.saturation, 0, HlsMax);
  // The two levels between which every channel runs, in 1 / HlsMax steps of lightness.
  const int high = lightness <= HlsMax / 2
                       ? lightness * (HlsMax + saturation)
                       : (lightness + saturation) * HlsMax - lightness * saturation;
  const int low = 2 * lightness * HlsMax - high;
  return qRgb(ChannelValue(ChannelLevel(low, high, hls.hue + HlsMax / 3)),
              ChannelValue(ChannelLevel(low, high, hls.hue)),
              ChannelValue(ChannelLevel(low, high, hls.hue - HlsMax / 3)));
}

QColor DarkenColor(const QColor& color, int amount) {
  HlsColor hls = RgbToHls(color.rgb());
  hls.lightness = std::max(hls.lightness - amount, 0);
  QColor darkened = QColor::fromRgb(HlsToRgb(hls));
  darkened.setAlpha(color.alpha());
  return darkened;
}

}  // namespace widgets
