#include "widgets/color_darkening.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/widgets/color_text.h"

namespace widgets {
namespace {

TEST(ColorDarkeningTest, ConvertsToHueLightnessSaturation) {
  struct Row {
    QRgb rgb;
    HlsColor expected;
  };
  const Row rows[] = {
      {0xF0F0F0, {160, 226, 0}},
      {0x000000, {160, 0, 0}},
      {0xFFFFFF, {160, 240, 0}},
      {0xFF0000, {0, 120, 240}},
      {0x00FF00, {80, 120, 240}},
      {0x0000FF, {160, 120, 240}},
      {0x3399FF, {140, 144, 240}},
      {0xD4D0C8, {27, 194, 29}},
      // Lightness 120.47 rounds to 120, but the exact value lies in the upper half of the
      // scale, whose saturation formula gives 240 (the lower half's would give 238).
      {0xFF0101, {0, 120, 240}},
      // Hue 239.84 rounds to 240, which is 0 again.
      {0xFF0001, {0, 120, 240}},
      // Hue 1.5 exactly: a tie, going to the even 2.
      {0xC87B78, {2, 151, 101}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Hex(row.rgb));
    const HlsColor hls = RgbToHls(row.rgb);
    EXPECT_EQ(hls.hue, row.expected.hue);
    EXPECT_EQ(hls.lightness, row.expected.lightness);
    EXPECT_EQ(hls.saturation, row.expected.saturation);
  }
}

TEST(ColorDarkeningTest, ConvertsBackToRedGreenBlue) {
  struct Row {
    HlsColor hls;
    QRgb expected;
  };
  const Row rows[] = {
      {{160, 226, 0}, 0xF0F0F0},
      {{0, 120, 240}, 0xFF0000},
      {{80, 120, 240}, 0x00FF00},
      {{160, 120, 240}, 0x0000FF},
      // Red 212.5 exactly: a tie, going to the even 212.
      {{0, 100, 240}, 0xD40000},
      // A hue of 240 is the hue 0, and a negative one wraps the same way.
      {{240, 100, 240}, 0xD40000},
      {{-80, 120, 240}, 0x0000FF},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.hls.hue) + " " + std::to_string(row.hls.lightness) + " " +
                 std::to_string(row.hls.saturation));
    EXPECT_EQ(Hex(HlsToRgb(row.hls)), Hex(row.expected));
  }
}

TEST(ColorDarkeningTest, LowersLightness) {
  struct Row {
    QRgb rgb;
    int amount;
    QRgb expected;
  };
  const Row rows[] = {
      {0xF0F0F0, 20, 0xDBDBDB},
      {0xF0F0F0, 40, 0xC6C6C6},
      {0xFFFFFF, 20, 0xEAEAEA},
      {0xD4D0C8, 20, 0xC1BCB0},
      {0xD4D0C8, 40, 0xAFA799},
      {0xECE9D8, 20, 0xDED9BC},
      {0xCC6633, 40, 0x884322},
      // Red 8.5 exactly: a tie that floating-point arithmetic would round up to 9.
      {0x3399FF, 20, 0x0884FF},
      // Green 110.5 exactly, going to the even 110.
      {0x1E90FF, 30, 0x006EDD},
      // Lightness does not go below 0.
      {0x000000, 20, 0x000000},
      {0x202020, 40, 0x000000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Hex(row.rgb) + " by " + std::to_string(row.amount));
    EXPECT_EQ(DarkenColor(QColor(row.rgb), row.amount).name().toStdString(), Hex(row.expected));
  }
}

TEST(ColorDarkeningTest, KeepsAlpha) {
  const QColor translucent(0xF0, 0xF0, 0xF0, 0x80);
  const QColor darkened = DarkenColor(translucent, 20);
  EXPECT_EQ(darkened.alpha(), 0x80);
  EXPECT_EQ(darkened.name().toStdString(), "#dbdbdb");
}

}  // namespace
}  // namespace widgets
