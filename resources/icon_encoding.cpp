// Reducing the icon to 256 colours and encoding its images as a Windows .ico.
#include "icon_art.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>

namespace tovrel::icon {
namespace {

using i64 = std::int64_t;

bool IsOpaque(const Rgba& c) { return c.a >= 128; }

std::uint32_t Key(const Rgba& c) { return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b; }

std::uint8_t Channel(const Rgba& c, int channel) { return channel == 0 ? c.r : channel == 1 ? c.g : c.b; }

struct ColourCount {
  Rgba colour;
  i64 count;
};

// Median cut: split the box with the widest channel range at its weighted median until
// the palette is full or every box holds a single colour.
std::vector<std::vector<ColourCount>> MedianCut(std::vector<ColourCount> colours, std::size_t maxBoxes) {
  std::vector<std::vector<ColourCount>> boxes;
  if (colours.empty()) return boxes;
  boxes.push_back(std::move(colours));
  while (boxes.size() < maxBoxes) {
    int best = -1, bestChannel = 0, bestRange = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      for (int channel = 0; channel < 3; ++channel) {
        const auto [lo, hi] = std::minmax_element(
            boxes[i].begin(), boxes[i].end(),
            [channel](const ColourCount& a, const ColourCount& b) { return Channel(a.colour, channel) < Channel(b.colour, channel); });
        const int range = Channel(hi->colour, channel) - Channel(lo->colour, channel);
        if (range > bestRange) {
          best = static_cast<int>(i);
          bestChannel = channel;
          bestRange = range;
        }
      }
    }
    if (best < 0) break;

    auto& box = boxes[static_cast<std::size_t>(best)];
    std::sort(box.begin(), box.end(), [bestChannel](const ColourCount& a, const ColourCount& b) {
      const auto ca = Channel(a.colour, bestChannel), cb = Channel(b.colour, bestChannel);
      return ca != cb ? ca < cb : Key(a.colour) < Key(b.colour);
    });
    i64 total = 0;
    for (const auto& c : box) total += c.count;
    std::size_t split = 1;
    for (i64 acc = box[0].count; split < box.size() - 1 && acc * 2 < total; ++split) acc += box[split].count;
    std::vector<ColourCount> upper(box.begin() + static_cast<std::ptrdiff_t>(split), box.end());
    box.resize(split);
    boxes.push_back(std::move(upper));
  }
  return boxes;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::size_t RowBytes(int size, int bitCount) { return (static_cast<std::size_t>(size) * bitCount + 31) / 32 * 4; }

// BITMAPINFOHEADER of an icon image: the height counts the colour rows and the mask rows.
void PutInfoHeader(std::vector<std::uint8_t>& out, int size, int bitCount) {
  const auto pixelBytes = RowBytes(size, bitCount) * size + RowBytes(size, 1) * size;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(size));
  Put32(out, static_cast<std::uint32_t>(2 * size));
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bitCount));
  Put32(out, 0);  // BI_RGB
  Put32(out, static_cast<std::uint32_t>(pixelBytes));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
}

// The AND mask, bottom row first: a set bit lets the screen show through.
void PutMask(std::vector<std::uint8_t>& out, int size, const std::function<bool(int x, int y)>& opaque) {
  const std::size_t rowBytes = RowBytes(size, 1);
  for (int y = size - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int x = 0; x < size; ++x) {
      if (!opaque(x, y)) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}
}  // namespace

PalettedPicture ToPalette(const Picture& picture) {
  PalettedPicture out;
  out.size = picture.size;
  out.indices.assign(picture.pixels.size(), 0);
  out.opaque.assign(picture.pixels.size(), false);

  std::map<std::uint32_t, ColourCount> histogram;
  for (const Rgba& p : picture.pixels) {
    if (!IsOpaque(p)) continue;
    auto [it, inserted] = histogram.try_emplace(Key(p), ColourCount{{p.r, p.g, p.b, 255}, 0});
    ++it->second.count;
  }
  std::vector<ColourCount> colours;
  for (const auto& [key, cc] : histogram) colours.push_back(cc);

  std::map<std::uint32_t, std::uint8_t> indexOf;
  const auto boxes = MedianCut(std::move(colours), out.palette.size() - 1);
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    i64 total = 0, r = 0, g = 0, b = 0;
    for (const auto& c : boxes[i]) {
      total += c.count;
      r += c.colour.r * c.count;
      g += c.colour.g * c.count;
      b += c.colour.b * c.count;
    }
    auto mean = [total](i64 sum) { return static_cast<std::uint8_t>((sum + total / 2) / total); };
    const auto index = static_cast<std::uint8_t>(i + 1);
    out.palette[index] = {mean(r), mean(g), mean(b), 255};
    for (const auto& c : boxes[i]) indexOf[Key(c.colour)] = index;
  }

  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    if (!IsOpaque(picture.pixels[i])) continue;
    out.opaque[i] = true;
    out.indices[i] = indexOf.at(Key(picture.pixels[i]));
  }
  return out;
}

IconImage EncodeTrueColour(const Picture& picture) {
  IconImage image{picture.size, 32, {}};
  auto& out = image.dib;
  PutInfoHeader(out, picture.size, 32);
  for (int y = picture.size - 1; y >= 0; --y) {
    for (int x = 0; x < picture.size; ++x) {
      const Rgba& p = picture.At(x, y);
      if (p.a == 0) {
        out.insert(out.end(), 4, 0);
      } else {
        out.insert(out.end(), {p.b, p.g, p.r, p.a});
      }
    }
  }
  PutMask(out, picture.size, [&](int x, int y) { return IsOpaque(picture.At(x, y)); });
  return image;
}

IconImage EncodePaletted(const PalettedPicture& picture) {
  IconImage image{picture.size, 8, {}};
  auto& out = image.dib;
  PutInfoHeader(out, picture.size, 8);
  for (const Rgba& c : picture.palette) out.insert(out.end(), {c.b, c.g, c.r, 0});
  const std::size_t rowBytes = RowBytes(picture.size, 8);
  const auto at = [&](int x, int y) { return static_cast<std::size_t>(y * picture.size + x); };
  for (int y = picture.size - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int x = 0; x < picture.size; ++x) row[static_cast<std::size_t>(x)] = picture.indices[at(x, y)];
    out.insert(out.end(), row.begin(), row.end());
  }
  PutMask(out, picture.size, [&](int x, int y) { return static_cast<bool>(picture.opaque[at(x, y)]); });
  return image;
}

std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images) {
  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // icon, not cursor
  Put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const IconImage& image : images) {
    out.push_back(static_cast<std::uint8_t>(image.size));  // 0 would mean 256
    out.push_back(static_cast<std::uint8_t>(image.size));
    out.push_back(0);  // colour count: 0 for 256 colours and more
    out.push_back(0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(image.bitCount));
    Put32(out, static_cast<std::uint32_t>(image.dib.size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(image.dib.size());
  }
  for (const IconImage& image : images) out.insert(out.end(), image.dib.begin(), image.dib.end());
  return out;
}

std::vector<std::uint8_t> BuildTovrelIco() {
  std::vector<IconImage> images;
  for (int size : kIconSizes) {
    const Picture picture = DrawTovrelIcon(size);
    images.push_back(EncodeTrueColour(picture));
    images.push_back(EncodePaletted(ToPalette(picture)));
  }
  return EncodeIco(images);
}

std::vector<std::uint8_t> BuildPreviewPpm() {
  constexpr int kScale = 4, kMargin = 16, kChecker = 8;
  int width = kMargin;
  for (int size : kIconSizes) width += size * kScale + kMargin;
  const int rowHeight = kIconSizes[0] * kScale;
  const int height = kMargin + 2 * (rowHeight + kMargin);

  std::vector<Rgba> canvas(static_cast<std::size_t>(width * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t grey = ((x / kChecker + y / kChecker) % 2) ? 0xCC : 0xF2;
      canvas[static_cast<std::size_t>(y * width + x)] = {grey, grey, grey, 255};
    }
  }
  // The first row shows the 32-bit images blended over the checkerboard, the second the 8-bit ones.
  auto place = [&](int left, int top, int size, const std::function<Rgba(int x, int y)>& pixel) {
    for (int y = 0; y < size * kScale; ++y) {
      for (int x = 0; x < size * kScale; ++x) {
        const Rgba p = pixel(x / kScale, y / kScale);
        Rgba& dst = canvas[static_cast<std::size_t>((top + y) * width + left + x)];
        auto blend = [&](std::uint8_t s, std::uint8_t d) {
          return static_cast<std::uint8_t>((s * p.a + d * (255 - p.a) + 127) / 255);
        };
        dst = {blend(p.r, dst.r), blend(p.g, dst.g), blend(p.b, dst.b), 255};
      }
    }
  };
  int left = kMargin;
  for (int size : kIconSizes) {
    const Picture picture = DrawTovrelIcon(size);
    const PalettedPicture paletted = ToPalette(picture);
    place(left, kMargin, size, [&](int x, int y) { return picture.At(x, y); });
    place(left, 2 * kMargin + rowHeight, size, [&](int x, int y) {
      const auto i = static_cast<std::size_t>(y * size + x);
      return paletted.opaque[i] ? paletted.palette[paletted.indices[i]] : Rgba{};
    });
    left += size * kScale + kMargin;
  }

  const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  std::vector<std::uint8_t> out(header.begin(), header.end());
  for (const Rgba& c : canvas) out.insert(out.end(), {c.r, c.g, c.b});
  return out;
}

}  // namespace tovrel::icon
