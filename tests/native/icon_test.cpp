// The icon generator and the committed tovrel.ico: the file is what the generator makes
// today, and its directory and bitmaps are laid out the way Windows reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "resources/icon_art.h"

namespace tovrel::icon {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadCommittedIcon() {
  std::ifstream file(std::string(TOVREL_SOURCE_DIR) + "/resources/tovrel.ico", std::ios::binary);
  if (!file) throw std::runtime_error("cannot open resources/tovrel.ico");
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

unsigned U16(const Bytes& b, std::size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
std::uint32_t U32(const Bytes& b, std::size_t at) { return U16(b, at) | (std::uint32_t{U16(b, at + 2)} << 16); }

struct DirEntry {
  int width, height, colourCount, reserved, planes, bitCount;
  std::uint32_t bytes, offset;
};

std::vector<DirEntry> ParseDirectory(const Bytes& ico) {
  std::vector<DirEntry> entries;
  const unsigned count = U16(ico, 4);
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t at = 6 + 16 * i;
    entries.push_back({ico.at(at), ico.at(at + 1), ico.at(at + 2), ico.at(at + 3), static_cast<int>(U16(ico, at + 4)),
                       static_cast<int>(U16(ico, at + 6)), U32(ico, at + 8), U32(ico, at + 12)});
  }
  return entries;
}

std::size_t RowBytes(int width, int bitCount) { return (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4; }

// One icon image read back straight from the DIB, rows top to bottom.
struct Decoded {
  int size = 0, bitCount = 0;
  std::vector<Rgba> colours;  // the 32-bit pixels, or the palette colours of the 8-bit ones
  std::vector<std::uint8_t> indices;
  std::vector<bool> maskedOut;
  std::vector<Rgba> palette;
};

Decoded Decode(const Bytes& ico, const DirEntry& entry) {
  Decoded d;
  d.size = entry.width;
  d.bitCount = entry.bitCount;
  const std::size_t header = entry.offset;
  std::size_t at = header + U32(ico, header);
  if (d.bitCount == 8) {
    for (int i = 0; i < 256; ++i, at += 4) d.palette.push_back({ico.at(at + 2), ico.at(at + 1), ico.at(at), 255});
  }
  const std::size_t n = static_cast<std::size_t>(d.size * d.size);
  d.colours.resize(n);
  d.indices.resize(n);
  d.maskedOut.resize(n);
  const std::size_t colourRow = RowBytes(d.size, d.bitCount);
  for (int row = 0; row < d.size; ++row) {
    const int y = d.size - 1 - row;
    for (int x = 0; x < d.size; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * d.size + x);
      if (d.bitCount == 32) {
        const std::size_t p = at + row * colourRow + 4 * static_cast<std::size_t>(x);
        d.colours[i] = {ico.at(p + 2), ico.at(p + 1), ico.at(p), ico.at(p + 3)};
      } else {
        d.indices[i] = ico.at(at + row * colourRow + static_cast<std::size_t>(x));
        d.colours[i] = d.palette.at(d.indices[i]);
      }
    }
  }
  at += colourRow * static_cast<std::size_t>(d.size);
  const std::size_t maskRow = RowBytes(d.size, 1);
  for (int row = 0; row < d.size; ++row) {
    const int y = d.size - 1 - row;
    for (int x = 0; x < d.size; ++x) {
      const std::uint8_t bits = ico.at(at + row * maskRow + static_cast<std::size_t>(x / 8));
      d.maskedOut[static_cast<std::size_t>(y * d.size + x)] = (bits >> (7 - x % 8)) & 1;
    }
  }
  return d;
}

const DirEntry& Find(const std::vector<DirEntry>& entries, int size, int bitCount) {
  for (const auto& e : entries) {
    if (e.width == size && e.bitCount == bitCount) return e;
  }
  throw std::runtime_error("no " + std::to_string(size) + " px " + std::to_string(bitCount) + "-bit image");
}

TEST(IconFile, CommittedIconIsWhatTheGeneratorDraws) {
  const Bytes committed = ReadCommittedIcon();
  const Bytes generated = BuildTovrelIco();
  ASSERT_EQ(committed.size(), generated.size()) << "regenerate resources/tovrel.ico with make_icon";
  const auto [c, g] = std::mismatch(committed.begin(), committed.end(), generated.begin());
  EXPECT_TRUE(c == committed.end()) << "first differing byte at offset " << (c - committed.begin());
}

TEST(IconFile, DirectoryHoldsThreeSizesInBothColourDepths) {
  const Bytes ico = ReadCommittedIcon();
  EXPECT_EQ(U16(ico, 0), 0u);
  EXPECT_EQ(U16(ico, 2), 1u);
  const auto entries = ParseDirectory(ico);
  ASSERT_EQ(entries.size(), 6u);

  std::set<std::pair<int, int>> kinds;
  for (const auto& e : entries) {
    kinds.insert({e.width, e.bitCount});
    EXPECT_EQ(e.width, e.height);
    EXPECT_EQ(e.colourCount, 0);
    EXPECT_EQ(e.reserved, 0);
    EXPECT_EQ(e.planes, 1);
  }
  const std::set<std::pair<int, int>> expected{{48, 8}, {48, 32}, {32, 8}, {32, 32}, {16, 8}, {16, 32}};
  EXPECT_EQ(kinds, expected);
}

TEST(IconFile, ImagesFollowTheDirectoryBackToBackAndFillTheFile) {
  const Bytes ico = ReadCommittedIcon();
  const auto entries = ParseDirectory(ico);
  ASSERT_FALSE(entries.empty());
  std::uint32_t expectedOffset = static_cast<std::uint32_t>(6 + 16 * entries.size());
  for (const auto& e : entries) {
    EXPECT_EQ(e.offset, expectedOffset) << e.width << " px " << e.bitCount << "-bit";
    const std::size_t paletteBytes = e.bitCount == 8 ? 256 * 4 : 0;
    const std::size_t expectedBytes =
        40 + paletteBytes + (RowBytes(e.width, e.bitCount) + RowBytes(e.width, 1)) * static_cast<std::size_t>(e.width);
    EXPECT_EQ(e.bytes, expectedBytes) << e.width << " px " << e.bitCount << "-bit";
    expectedOffset = e.offset + e.bytes;
  }
  EXPECT_EQ(expectedOffset, ico.size());
}

TEST(IconFile, EachBitmapHeaderCountsColourAndMaskRows) {
  const Bytes ico = ReadCommittedIcon();
  for (const auto& e : ParseDirectory(ico)) {
    SCOPED_TRACE(std::to_string(e.width) + " px " + std::to_string(e.bitCount) + "-bit");
    EXPECT_EQ(U32(ico, e.offset), 40u);
    EXPECT_EQ(U32(ico, e.offset + 4), static_cast<std::uint32_t>(e.width));
    EXPECT_EQ(U32(ico, e.offset + 8), static_cast<std::uint32_t>(2 * e.width));
    EXPECT_EQ(U16(ico, e.offset + 12), 1u);
    EXPECT_EQ(U16(ico, e.offset + 14), static_cast<unsigned>(e.bitCount));
    EXPECT_EQ(U32(ico, e.offset + 16), 0u);
  }
}

TEST(IconFile, TrueColourImagesHaveSmoothAlphaAndAMaskThatFollowsIt) {
  const Bytes ico = ReadCommittedIcon();
  const auto entries = ParseDirectory(ico);
  for (int size : kIconSizes) {
    SCOPED_TRACE(std::to_string(size) + " px");
    const Decoded d = Decode(ico, Find(entries, size, 32));
    const Picture drawn = DrawTovrelIcon(size);
    for (std::size_t i = 0; i < d.colours.size(); ++i) {
      const Rgba expected = drawn.pixels[i].a == 0 ? Rgba{} : drawn.pixels[i];
      ASSERT_EQ(d.colours[i], expected) << "pixel " << i << ": rows or channels out of order";
    }
    int clear = 0, solid = 0, partial = 0;
    for (std::size_t i = 0; i < d.colours.size(); ++i) {
      const auto a = d.colours[i].a;
      (a == 0 ? clear : a == 255 ? solid : partial)++;
      EXPECT_EQ(d.maskedOut[i], a < 128) << "pixel " << i;
    }
    EXPECT_GT(clear, 0);
    EXPECT_GT(solid, d.size * d.size / 2);
    EXPECT_GT(partial, 0) << "edges are not anti-aliased";
    // Rounded tile: the corner is see-through, the middle is not.
    EXPECT_EQ(d.colours.front().a, 0);
    EXPECT_EQ(d.colours[static_cast<std::size_t>((size / 2) * size + size / 2)].a, 255);
  }
}

TEST(IconFile, PalettedImagesMatchTheTrueColourOnes) {
  const Bytes ico = ReadCommittedIcon();
  const auto entries = ParseDirectory(ico);
  for (int size : kIconSizes) {
    SCOPED_TRACE(std::to_string(size) + " px");
    const Decoded paletted = Decode(ico, Find(entries, size, 8));
    const Decoded full = Decode(ico, Find(entries, size, 32));
    int worst = 0;
    for (std::size_t i = 0; i < paletted.colours.size(); ++i) {
      EXPECT_EQ(paletted.maskedOut[i], full.maskedOut[i]) << "pixel " << i;
      const Rgba p = paletted.colours[i];
      if (paletted.maskedOut[i]) {
        // A masked-out pixel is XOR-ed onto the screen: it must be black to leave the screen as it was.
        EXPECT_EQ(p, (Rgba{0, 0, 0, 255})) << "pixel " << i;
        continue;
      }
      const Rgba f = full.colours[i];
      worst = std::max({worst, std::abs(p.r - f.r), std::abs(p.g - f.g), std::abs(p.b - f.b)});
    }
    EXPECT_LE(worst, 12);
  }
}

TEST(IconArt, SizesWithoutADesignAreRefused) {
  EXPECT_THROW(DrawTovrelIcon(24), std::invalid_argument);
  EXPECT_THROW(DrawTovrelIcon(0), std::invalid_argument);
}

TEST(IconArt, SmallIconIsDrawnForItsSizeNotShrunk) {
  // The 16 px chip outline is one crisp pixel wide: a row through the chip's side holds
  // fully white pixels, which averaging the 32 px image down would not give.
  const Picture small = DrawTovrelIcon(16);
  int white = 0;
  for (int x = 0; x < 16; ++x) {
    const Rgba c = small.At(x, 8);
    white += (c.r == 255 && c.g == 255 && c.b == 255 && c.a == 255);
  }
  EXPECT_GE(white, 2);
}

Picture Uniform(int size, Rgba colour) { return {size, std::vector<Rgba>(static_cast<std::size_t>(size * size), colour)}; }

TEST(IconPalette, FewColoursAreKeptExactly) {
  Picture picture = Uniform(16, {0, 0, 0, 0});
  for (int i = 0; i < 200; ++i) {
    picture.pixels[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                                   static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(128 + i % 128)};
  }
  picture.pixels[200] = {90, 90, 90, 127};  // just below the opacity threshold
  const PalettedPicture paletted = ToPalette(picture);
  EXPECT_EQ(paletted.palette[0], (Rgba{0, 0, 0, 0}));
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    const Rgba p = picture.pixels[i];
    if (i < 200) {
      ASSERT_TRUE(paletted.opaque[i]) << i;
      const Rgba q = paletted.palette[paletted.indices[i]];
      EXPECT_EQ((Rgba{q.r, q.g, q.b, 0}), (Rgba{p.r, p.g, p.b, 0})) << i;
    } else {
      EXPECT_FALSE(paletted.opaque[i]) << i;
      EXPECT_EQ(paletted.indices[i], 0) << i;
    }
  }
}

TEST(IconPalette, ManyColoursShareTheFullPaletteWithSmallError) {
  // 2304 colours spread over a 235 x 235 square of red and green.
  Picture picture = Uniform(48, {});
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      picture.pixels[static_cast<std::size_t>(y * 48 + x)] = {static_cast<std::uint8_t>(x * 5),
                                                              static_cast<std::uint8_t>(y * 5), 40, 255};
    }
  }
  const PalettedPicture paletted = ToPalette(picture);
  std::set<int> used;
  int worst = 0, total = 0;
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    ASSERT_TRUE(paletted.opaque[i]);
    ASSERT_NE(paletted.indices[i], 0) << "index 0 is kept for masked-out pixels";
    used.insert(paletted.indices[i]);
    const Rgba p = picture.pixels[i], q = paletted.palette[paletted.indices[i]];
    const int error = std::max({std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
    worst = std::max(worst, error);
    total += error;
  }
  EXPECT_EQ(used.size(), 255u);
  // 255 boxes over 48 x 48 colours 5 apart hold about 3 x 3 colours each: a colour lies
  // on average within one step of its entry and never more than three steps away.
  EXPECT_LE(total, 5 * static_cast<int>(picture.pixels.size()));
  EXPECT_LE(worst, 15);
}

}  // namespace
}  // namespace tovrel::icon
