#include "tiles/filter_reference.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int colour_bit[4] = {4, 8, 1, 2};
constexpr double none = -99.9;
constexpr double hue_of[16] = {none, 45, 315, 0, 225, none, 270, 315, 135, 90, none, 45, 180, 135, 225, none};

int wrap(int p, int width) { return ((p % width) + width) % width; }

void replace_markers(std::uint8_t* row, int width, int join_ends) {
  for (int x = 0; x < width; x += 14) {
    if (row[x] == 0xFF) row[x] = x == 0 ? (join_ends != 0 ? row[width - 1] : 0) : row[x - 1];
  }
}

// Is the pixel at x + d lit; false outside an open row.
bool lit_near(const std::uint8_t* row, int width, int join_ends, int x, int d) {
  int p = x + d;
  if (p < 0 || p >= width) {
    if (join_ends == 0) return false;
    p = wrap(p, width);
  }
  return row[p] != 0;
}

int brightness_quarters(int pattern) {
  int n = 0;
  for (int i = 0; i < 4; ++i) n += (pattern >> i) & 1;
  return n;
}

std::uint8_t channel(double v) {
  const int t = static_cast<int>(v);
  return static_cast<std::uint8_t>(std::clamp(t, 0, 255));
}

}  // namespace

void reference_blur(dot_picture& pixels, int width, int height, int join_ends, int blur) {
  std::vector<std::uint8_t> result(static_cast<std::size_t>(width));
  for (int y = 0; y < height; y += 2) {
    std::uint8_t* row = &pixels[static_cast<std::size_t>(y) * width];
    replace_markers(row, width, join_ends);
    for (int x = 0; x < width; ++x) {
      int c = 0;
      auto add = [&](int d) {
        if (lit_near(row, width, join_ends, x, d)) c |= colour_bit[wrap(x + d, 4)];
      };
      if (blur == 0) {
        if (row[x] != 0) {
          c = colour_bit[x % 4];
          add(-1);
          add(1);
          if (lit_near(row, width, join_ends, x, -1) && lit_near(row, width, join_ends, x, 1)) {
            add(-2);
            add(2);
          }
        }
      } else {
        add(-1);
        add(0);
        add(1);
        if (c != 0) {
          add(-2);
          add(2);
        }
      }
      result[x] = static_cast<std::uint8_t>(c);
    }
    std::memcpy(row, result.data(), result.size());
    if (y + 1 < height) std::memcpy(row + width, result.data(), result.size());
  }
}

double reference_mix_hue(int a, int b) {
  const double ha = hue_of[a];
  const double hb = hue_of[b];
  if (ha < -1) return hb;
  if (hb < -1) return ha;
  double m = (ha + hb) / 2;
  if (ha - hb < -180 || ha - hb > 180) m += 180;
  while (m >= 360) m -= 360;
  return m;
}

std::vector<std::uint8_t> reference_retouch(dot_picture& dots, int width, int height, int join_ends,
                                            int phase) {
  if (join_ends == 1 && width < 10) join_ends = 0;
  const int margin = join_ends == 1 ? 0 : 10;
  const std::size_t cells = static_cast<std::size_t>(width + 2 * margin);
  std::vector<double> Y(cells), H(cells), S(cells);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; y += 2) {
    std::uint8_t* row = &dots[static_cast<std::size_t>(y) * width];
    replace_markers(row, width, join_ends);
    if (join_ends == 0) {
      for (int k = 0; k < margin; ++k) {
        Y[k] = H[k] = S[k] = 0;
        Y[margin + width + k] = H[margin + width + k] = S[margin + width + k] = 0;
      }
    }
    for (int x = 0; x < width; ++x) {
      int a = 0;
      int b = 0;
      for (int d = -2; d <= 1; ++d) {
        if (lit_near(row, width, join_ends, x, d)) a |= 1 << ((phase + x + d + 2) % 4);
      }
      for (int d = -1; d <= 2; ++d) {
        if (lit_near(row, width, join_ends, x, d)) b |= 1 << ((phase + x + d + 2) % 4);
      }
      Y[margin + x] = (brightness_quarters(a) / 4.0 + brightness_quarters(b) / 4.0) / 2;
      H[margin + x] = reference_mix_hue(a, b);
    }
    for (int x = 0; x < width; ++x) {
      const int i = margin + x;
      if (H[i] < -1) {
        H[i] = 0;
        S[i] = 0;
        continue;
      }
      int run = 0;
      for (int k = 1; k <= 6; ++k) {
        const int j = join_ends == 1 ? wrap(x - k, width) : i - k;
        if (H[j] != H[i]) break;
        ++run;
      }
      for (int k = 1; k <= 6; ++k) {
        const int j = join_ends == 1 ? wrap(x + k, width) : i + k;
        if (H[j] != H[i]) break;
        ++run;
      }
      S[i] = (run + 6) / 18.0;
    }
    for (int x = 0; x < width; ++x) {
      const int i = margin + x;
      std::uint8_t* o = &out[(static_cast<std::size_t>(y) * width + x) * 3];
      if (Y[i] == 0) {
        o[0] = o[1] = o[2] = 0;
        continue;
      }
      if (row[x] == 0) Y[i] *= S[i];
      S[i] *= 0.7;
      H[i] += 10;
      if (H[i] > 360) H[i] -= 360;
      const double h = H[i] * 3.141592653589793 / 180;
      const double iq_i = std::sin(h) * S[i] * 0.595716;
      const double iq_q = std::cos(h) * S[i] * 0.522591;
      o[2] = channel((Y[i] + 0.9563 * iq_i + 0.621 * iq_q) * 255);
      o[1] = channel((Y[i] - 0.2721 * iq_i - 0.6474 * iq_q) * 255);
      o[0] = channel((Y[i] - 1.107 * iq_i + 1.7046 * iq_q) * 255);
    }
    if (y + 1 < height) {
      std::uint8_t* o = &out[static_cast<std::size_t>(y) * width * 3];
      std::memcpy(o + static_cast<std::size_t>(width) * 3, o, static_cast<std::size_t>(width) * 3);
    }
  }
  return out;
}
