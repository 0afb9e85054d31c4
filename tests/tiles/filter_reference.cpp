#include "tiles/filter_reference.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

constexpr double none = -99.9;

// The colour bit of column p: a lit dot is a pulse in quarter
// (p + 2) mod 4 of the colour cycle, bit k standing for quarter k.
unsigned colour_bit(int p) { return 1u << ((p + 2) % 4); }

int wrap(int p, int width) { return ((p % width) + width) % width; }

void replace_markers(std::uint8_t* row, int width, int join_ends) {
  for (int x = 0; x < width; x += 14)
    if (row[x] == 0xFF) row[x] = x == 0 ? (join_ends != 0 ? row[width - 1] : 0) : row[x - 1];
}

// Is the pixel at x + d lit; false outside an open row.
bool lit_near(const std::uint8_t* row, int width, int join_ends, int x, int d) {
  const int p = x + d;
  return (join_ends != 0 || (p >= 0 && p < width)) && row[wrap(p, width)] != 0;
}

// The chroma of a 4-bit pattern as a unit vector: the phase of the
// fundamental of its pulses, quarter k lying at 45 - 90k degrees; zero where
// the pulses cancel out (none, two opposite quarters, all four).
std::complex<double> chroma(unsigned pattern) {
  std::complex<double> sum = 0;
  for (int k = 0; k < 4; ++k)
    if (((pattern >> k) & 1u) != 0) sum += std::polar(1.0, (45.0 - 90.0 * k) * std::numbers::pi / 180);
  return std::abs(sum) < 1e-9 ? 0 : sum / std::abs(sum);
}

// The hue of the window pair a, b: the direction halfway between their
// chromas, in degrees on the half-degree grid the model's hues lie on; no
// hue when neither has a chroma.
double mix_hue(unsigned a, unsigned b) {
  const std::complex<double> sum = chroma(a) + chroma(b);
  if (std::abs(sum) < 1e-9) return none;
  const double d = std::round(std::arg(sum) * 360 / std::numbers::pi) / 2;
  return d < 0 ? d + 360 : d >= 360 ? d - 360 : d;
}

std::uint8_t channel(double v) { return static_cast<std::uint8_t>(std::clamp(static_cast<int>(v), 0, 255)); }

}  // namespace

void reference_blur(dot_picture& pixels, int width, int height, int join_ends, int blur) {
  for (int y = 0; y < height; y += 2) {
    std::uint8_t* row = &pixels[static_cast<std::size_t>(y) * width];
    replace_markers(row, width, join_ends);
    std::vector<std::uint8_t> result(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
      auto lit = [&](int d) { return lit_near(row, width, join_ends, x, d); };
      unsigned c = 0;
      auto add = [&](int d) { c |= lit(d) ? colour_bit(wrap(x + d, 4)) : 0; };
      if (blur == 0 && lit(0)) {
        c = colour_bit(x % 4);
        for (int d : {-1, 1}) add(d);
        if (lit(-1) && lit(1)) for (int d : {-2, 2}) add(d);
      } else if (blur != 0) {
        for (int d : {-1, 0, 1}) add(d);
        if (c != 0) for (int d : {-2, 2}) add(d);
      }
      result[x] = static_cast<std::uint8_t>(c);
    }
    for (int r = y; r < std::min(y + 2, height); ++r) std::copy(result.begin(), result.end(), &pixels[r * width]);
  }
}

std::vector<std::uint8_t> reference_retouch(dot_picture& dots, int width, int height, int join_ends,
                                            int phase) {
  if (join_ends == 1 && width < 10) join_ends = 0;
  // With open ends the rows get 10 margin cells on each side, which stay 0.
  const int margin = join_ends == 1 ? 0 : 10;
  std::vector<double> Y(width + 2 * margin), H(width + 2 * margin), S(width + 2 * margin);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; y += 2) {
    std::uint8_t* row = &dots[static_cast<std::size_t>(y) * width];
    replace_markers(row, width, join_ends);
    for (int x = 0; x < width; ++x) {
      unsigned a = 0, b = 0;
      for (int d = -2; d <= 2; ++d) {
        const unsigned bit = lit_near(row, width, join_ends, x, d) ? colour_bit(wrap(phase + x + d, 4)) : 0;
        a |= d <= 1 ? bit : 0;
        b |= d >= -1 ? bit : 0;
      }
      Y[margin + x] = (std::popcount(a) / 4.0 + std::popcount(b) / 4.0) / 2;
      H[margin + x] = mix_hue(a, b);
    }
    for (int x = 0, i = margin; x < width; ++x, ++i) {
      int run = 0;
      for (int side : {-1, 1})
        for (int k = 1; k <= 6 && H[join_ends == 1 ? wrap(x + side * k, width) : i + side * k] == H[i]; ++k) ++run;
      S[i] = H[i] < -1 ? 0 : (run + 6) / 18.0;  // no hue: saturation 0, hue 0 from here on
      H[i] = H[i] < -1 ? 0 : H[i];
    }
    for (int x = 0, i = margin; x < width; ++x, ++i) {
      if (Y[i] == 0) continue;  // black: `out` starts zeroed
      const double bright = row[x] == 0 ? Y[i] * S[i] : Y[i], s = S[i] * 0.7;
      const double h = (H[i] + 10 > 360 ? H[i] + 10 - 360 : H[i] + 10) * 3.141592653589793 / 180;
      const double iq_i = std::sin(h) * s * 0.595716, iq_q = std::cos(h) * s * 0.522591;
      for (int r = y; r < std::min(y + 2, height); ++r) {
        std::uint8_t* o = &out[(static_cast<std::size_t>(r) * width + x) * 3];
        o[0] = channel((bright - 1.107 * iq_i + 1.7046 * iq_q) * 255);
        o[1] = channel((bright - 0.2721 * iq_i - 0.6474 * iq_q) * 255);
        o[2] = channel((bright + 0.9563 * iq_i + 0.621 * iq_q) * 255);
      }
    }
  }
  return out;
}
