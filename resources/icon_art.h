// The Tovrel icon: drawn procedurally and encoded as a Windows .ico, so the artwork
// lives in source and the committed tovrel.ico can be checked against it.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <vector>

namespace tovrel::icon {

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
  auto operator<=>(const Rgba&) const = default;
};

// A square picture, rows top to bottom, straight (not premultiplied) alpha as .ico files store it.
struct Picture {
  int size = 0;
  std::vector<Rgba> pixels;

  const Rgba& At(int x, int y) const { return pixels[static_cast<std::size_t>(y * size + x)]; }
};

// A 256-colour picture. Palette entry 0 is always black: a pixel the AND mask hides must
// carry black so that XOR-ing it leaves the screen unchanged.
struct PalettedPicture {
  int size = 0;
  std::array<Rgba, 256> palette{};
  std::vector<std::uint8_t> indices;
  std::vector<bool> opaque;
};

// One image of an .ico: the DIB exactly as the file stores it.
struct IconImage {
  int size = 0;
  int bitCount = 0;
  std::vector<std::uint8_t> dib;
};

inline constexpr std::array<int, 3> kIconSizes{48, 32, 16};

// Draws the icon anti-aliased at 48, 32 or 16 pixels; the 16 pixel design has fewer details.
// Any other size throws std::invalid_argument.
Picture DrawTovrelIcon(int size);

// Reduces a picture to 256 colours (median cut over the opaque colours when more than 255
// are used) with a 1-bit transparency from alpha >= 128.
PalettedPicture ToPalette(const Picture& picture);

IconImage EncodeTrueColour(const Picture& picture);
IconImage EncodePaletted(const PalettedPicture& picture);
std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images);

// The complete tovrel.ico: each size once as 32-bit and once as 8-bit, largest first.
std::vector<std::uint8_t> BuildTovrelIco();

// A binary PPM showing every image of the icon enlarged over a checkerboard.
std::vector<std::uint8_t> BuildPreviewPpm();

}  // namespace tovrel::icon
