// Writes tovrel.ico (and optionally an enlarged PPM preview) from the procedural artwork.
// Usage: make_icon OUT.ico [OUT_PREVIEW.ppm | none]
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "icon_art.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s OUT.ico [OUT_PREVIEW.ppm | none]\n", argv[0]);
    return 2;
  }
  if (!WriteFile(argv[1], tovrel::icon::BuildTovrelIco())) return 1;
  if (argc == 3 && std::string(argv[2]) != "none" && !WriteFile(argv[2], tovrel::icon::BuildPreviewPpm())) return 1;
  return 0;
}
