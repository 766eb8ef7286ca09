// Test-pattern frames as real 24-bit BMP or TGA files.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "standin.h"

namespace standin {

namespace {

void Put16(std::vector<unsigned char>& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// Colour bars with a bright band that moves with the frame number, so that
// consecutive frames differ. Rows bottom-up, pixels blue-green-red.
void AppendPixels(std::vector<unsigned char>& out, int width, int height, int frame, int rowPadding) {
  static const unsigned char bars[8][3] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                                           {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
  int band = (frame * 7) % (height > 0 ? height : 1);
  for (int row = height - 1; row >= 0; --row) {
    for (int x = 0; x < width; ++x) {
      const unsigned char* c = bars[(x * 8) / width];
      bool inBand = row >= band && row < band + height / 10 + 1;
      out.push_back(inBand ? 200 : c[0]);
      out.push_back(inBand ? 200 : c[1]);
      out.push_back(inBand ? 200 : c[2]);
    }
    for (int p = 0; p < rowPadding; ++p) out.push_back(0);
  }
}

std::vector<unsigned char> Bmp(int width, int height, int frame) {
  int padding = (4 - (width * 3) % 4) % 4;
  std::uint32_t imageSize = static_cast<std::uint32_t>((width * 3 + padding) * height);
  std::vector<unsigned char> out;
  out.reserve(54 + imageSize);
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + imageSize);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, imageSize);
  Put32(out, 2835);   // 72 DPI
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  AppendPixels(out, width, height, frame, padding);
  return out;
}

std::vector<unsigned char> Tga(int width, int height, int frame) {
  std::vector<unsigned char> out;
  out.reserve(18 + static_cast<size_t>(width) * height * 3);
  out.push_back(0);   // no image id
  out.push_back(0);   // no colour map
  out.push_back(2);   // uncompressed true colour
  for (int i = 0; i < 5; ++i) out.push_back(0);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<unsigned>(width));
  Put16(out, static_cast<unsigned>(height));
  out.push_back(24);
  out.push_back(0);   // bottom-up rows
  AppendPixels(out, width, height, frame, 0);
  return out;
}

}  // namespace

bool WriteFrameImage(const std::string& path, const std::string& extension, int width, int height,
                     int frame) {
  bool tga = extension == ".tga" || extension == ".TGA";
  std::vector<unsigned char> bytes = tga ? Tga(width, height, frame) : Bmp(width, height, frame);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace standin
