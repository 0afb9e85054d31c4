// The colour model of the retouch filter for one pixel: the brightness and
// hue of the 4-bit colour patterns, and the conversion of brightness, hue
// and saturation into a 24-bit pixel through the YIQ colour model.
#pragma once

#include <array>
#include <cstdint>

// Hue value of a pattern without hue; every hue below -1 counts as none.
inline constexpr double no_hue = -99.9;

constexpr bool is_no_hue(double hue) { return hue < -1; }

// Hue in degrees of each 4-bit colour pattern.
inline constexpr std::array<double, 16> pattern_hue = {
    no_hue, 45, 315, 0, 225, no_hue, 270, 315, 135, 90, no_hue, 45, 180, 135, 225, no_hue,
};

// Brightness of each pattern: its set bits divided by 4.
inline constexpr std::array<double, 16> pattern_brightness = {
    0.0, 0.25, 0.25, 0.5, 0.25, 0.5, 0.5, 0.75, 0.25, 0.5, 0.5, 0.75, 0.5, 0.75, 0.75, 1.0,
};

struct rgb_pixel {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
};

// Sine and cosine of the colour signal's angle for a hue in degrees: the
// hue turned by 10 degrees (less 360 above 360), in radians.
struct hue_wave {
  double sine = 0;
  double cosine = 0;
};
hue_wave hue_wave_of(double hue);

// The pixel of a column with `brightness` (Y), the wave of its hue (hue 0
// for no hue) and `saturation`; a dark dot (`lit` false) is dimmed by its
// saturation.  Black when the brightness is 0.  Each channel is truncated
// toward zero and clamped to 0..255.
rgb_pixel signal_colour(double brightness, const hue_wave& wave, double saturation, bool lit);
