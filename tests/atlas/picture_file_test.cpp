// The picture files: base64 as other decoders read it, and the text the
// page and other programs take apart line by line.
#include "atlas/picture_file.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <random>

namespace {

std::string base64_of(const bytes& data) {
  std::string out;
  append_base64(out, data);
  return out;
}

}  // namespace

TEST(PictureFile, Base64AsOpenSslDecodesIt) {
  EXPECT_EQ(base64_of({}), "");
  std::mt19937 random(5);
  for (std::size_t size : {1u, 2u, 3u, 4u, 100u, 65537u}) {
    bytes data(size);
    for (std::uint8_t& b : data) b = static_cast<std::uint8_t>(random());
    const std::string text = base64_of(data);
    ASSERT_EQ(text.size() % 4, 0u);
    bytes decoded(text.size() / 4 * 3);
    const int n = EVP_DecodeBlock(decoded.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    ASSERT_GE(n, 0) << size;
    decoded.resize(static_cast<std::size_t>(n) - (text.size() - text.find_last_not_of('=') - 1));
    EXPECT_EQ(decoded, data) << size;
  }
}

TEST(PictureFile, OnePieceALine) {
  std::string text;
  picture_file_begin(text, "pictures/qz.Dravik's_Palace.2F.js");
  picture_file_end(text);
  EXPECT_EQ(text, "QZ_PICTURES(\"pictures/qz.Dravik's_Palace.2F.js\",[\n]);\n");

  picture_file_begin(text, "pictures/a\"b.js");
  picture_file_add(text, bytes{1, 2, 3});
  picture_file_add(text, bytes{0xFF});
  picture_file_end(text);
  EXPECT_EQ(text,
            "QZ_PICTURES(\"pictures/a\\\"b.js\",[\n"
            "\"data:image/png;base64,AQID\",\n"
            "\"data:image/png;base64,/w==\"\n"
            "]);\n");
}
