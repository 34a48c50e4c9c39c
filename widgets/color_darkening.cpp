#include "widgets/color_darkening.h"

#include <algorithm>

#include "widgets/rounding.h"

namespace widgets {
namespace {

constexpr int kHlsMax = 240;
constexpr int kRgbMax = 255;
constexpr int kGreyHue = kHlsMax * 2 / 3;
// A sixth of the hue circle: the width of each rising or falling ramp of a channel.
constexpr int kHueSextant = kHlsMax / 6;

// A channel's level in 1 / (kHlsMax * kHueSextant) steps of lightness, for the hue it sits at
// on the circle between the levels low and high (both in 1 / kHlsMax steps).
int ChannelLevel(int low, int high, int hue) noexcept {
  hue = (hue % kHlsMax + kHlsMax) % kHlsMax;
  if (hue < kHueSextant) return low * kHueSextant + (high - low) * hue;
  if (hue < kHlsMax / 2) return high * kHueSextant;
  if (hue < kHlsMax * 2 / 3) return low * kHueSextant + (high - low) * (kHlsMax * 2 / 3 - hue);
  return low * kHueSextant;
}

int ChannelValue(int level) noexcept {
  return RoundQuotientToEven(level * kRgbMax, kHlsMax * kHueSextant * kHlsMax);
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

  const int lightness = RoundQuotientToEven(sum * kHlsMax, 2 * kRgbMax);
  if (spread == 0) return {kGreyHue, lightness, 0};

  // The exact lightness, not the rounded one, decides which half of the scale applies.
  const int saturationBase = sum <= kRgbMax ? sum : 2 * kRgbMax - sum;
  const int saturation = RoundQuotientToEven(spread * kHlsMax, saturationBase);

  // The hue as hueNumerator / spread.
  int hueNumerator = 0;
  if (red == highest) {
    hueNumerator = (green - blue) * kHueSextant;
  } else if (green == highest) {
    hueNumerator = kHlsMax / 3 * spread + (blue - red) * kHueSextant;
  } else {
    hueNumerator = kHlsMax * 2 / 3 * spread + (red - green) * kHueSextant;
  }
  if (hueNumerator < 0) hueNumerator += kHlsMax * spread;
  const int hue = RoundQuotientToEven(hueNumerator, spread) % kHlsMax;
  return {hue, lightness, saturation};
}

QRgb HlsToRgb(HlsColor hls) noexcept {
  const int lightness = std::clamp(hls.lightness, 0, kHlsMax);
  const int saturation = std::clamp(hls.saturation, 0, kHlsMax);
  // The two levels between which every channel runs, in 1 / kHlsMax steps of lightness.
  const int high = lightness <= kHlsMax / 2
                       ? lightness * (kHlsMax + saturation)
                       : (lightness + saturation) * kHlsMax - lightness * saturation;
  const int low = 2 * lightness * kHlsMax - high;
  return qRgb(ChannelValue(ChannelLevel(low, high, hls.hue + kHlsMax / 3)),
              ChannelValue(ChannelLevel(low, high, hls.hue)),
              ChannelValue(ChannelLevel(low, high, hls.hue - kHlsMax / 3)));
}

QColor DarkenColor(const QColor& color, int amount) {
  HlsColor hls = RgbToHls(color.rgb());
  hls.lightness = std::max(hls.lightness - amount, 0);
  QColor darkened = QColor::fromRgb(HlsToRgb(hls));
  darkened.setAlpha(color.alpha());
  return darkened;
}

}  // namespace widgets
