// Brightness, hue and saturation to a 24-bit pixel.
#include "tiles/retouch_colour.h"

#include <cmath>

#include "tiles/retouch_filter.h"

namespace {

constexpr double pi = 3.141592653589793;

// Scaled channel value to a byte: truncated toward zero, then clamped.
std::uint8_t to_channel(double value) {
  if (!(value > 0)) return 0;
  if (value >= 255) return 255;
  return static_cast<std::uint8_t>(static_cast<int>(value));
}

}  // namespace

double mix_hue(int a, int b) {
  const double ha = pattern_hue[static_cast<unsigned>(a) & 15];
  const double hb = pattern_hue[static_cast<unsigned>(b) & 15];
  if (is_no_hue(ha)) return hb;
  if (is_no_hue(hb)) return ha;
  double m = (ha + hb) / 2;
  const double difference = ha - hb;
  if (difference < -180 || difference > 180) m += 180;
  while (m >= 360) m -= 360;
  return m;
}

hue_wave hue_wave_of(double hue) {
  double h = hue + 10;
  if (h > 360) h -= 360;
  const double angle = h * pi / 180;
  return {std::sin(angle), std::cos(angle)};
}

rgb_pixel signal_colour(double brightness, const hue_wave& wave, double saturation, bool lit) {
  if (brightness == 0) return {};
  double y = brightness;
  if (!lit) y *= saturation;
  const double s = saturation * 0.7;
  const double i = wave.sine * s * 0.595716;
  const double q = wave.cosine * s * 0.522591;
  rgb_pixel px;
  px.red = to_channel((y + 0.9563 * i + 0.621 * q) * 255);
  px.green = to_channel((y - 0.2721 * i - 0.6474 * q) * 255);
  px.blue = to_channel((y - 1.107 * i + 1.7046 * q) * 255);
  return px;
}
