// Draws docs/schedule.png from the limiting schedule's own code.
// Usage: schedule_picture OUTPUT.png [OUTPUT.ppm]
// The PPM, uncompressed, lets a test compare the PNG's pixels with another decoder's.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/picture/png_encoding.h"
#include "tests/picture/schedule_picture.h"

namespace {

bool WriteFile(const char* path, const std::vector<std::uint8_t>& bytes) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s OUTPUT.png [OUTPUT.ppm]\n", argv[0]);
    return 2;
  }
  const tovrel::test::SchedulePicture picture(tovrel::test::PicturedSchedules());
  const int w = picture.surface().Width(), h = picture.surface().Height();
  const std::vector<std::uint8_t> rgb = picture.Rgb24();
  if (!WriteFile(argv[1], tovrel::test::EncodePng(w, h, rgb))) {
    std::perror(argv[1]);
    return 1;
  }
  if (argc == 3) {
    const std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    std::vector<std::uint8_t> ppm(header.begin(), header.end());
    ppm.insert(ppm.end(), rgb.begin(), rgb.end());
    if (!WriteFile(argv[2], ppm)) {
      std::perror(argv[2]);
      return 1;
    }
  }
  return 0;
}
