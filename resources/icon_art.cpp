#include "icon_art.h"

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

namespace tovrel::icon {
namespace {

// All geometry is integer, in sixteenths of a pixel, so every run on every compiler gives
// the same bytes. Samples sit on odd sixteenths: 8 x 8 per pixel.
using i64 = std::int64_t;
constexpr i64 kUnitsPerPixel = 16;
constexpr int kSamplesPerAxis = 8;

constexpr i64 operator""_px(long double v) { return static_cast<i64>(v * kUnitsPerPixel); }
constexpr i64 operator""_px(unsigned long long v) { return static_cast<i64>(v) * kUnitsPerPixel; }

using Region = std::function<bool(i64 x, i64 y)>;

Region RoundRect(i64 x0, i64 y0, i64 x1, i64 y1, i64 radius) {
  return [=](i64 x, i64 y) {
    if (x <= x0 || x >= x1 || y <= y0 || y >= y1) return false;
    const i64 dx = x - std::clamp(x, x0 + radius, x1 - radius);
    const i64 dy = y - std::clamp(y, y0 + radius, y1 - radius);
    return dx * dx + dy * dy <= radius * radius;
  };
}

Region Circle(i64 cx, i64 cy, i64 radius) {
  return [=](i64 x, i64 y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; };
}

// A dial arc: the part of a ring above its centre line.
Region UpperArc(i64 cx, i64 cy, i64 inner, i64 outer) {
  return [=](i64 x, i64 y) {
    const i64 d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    return y < cy && d2 >= inner * inner && d2 <= outer * outer;
  };
}

// A line with round ends: every point within halfWidth of the segment a-b.
Region Capsule(i64 ax, i64 ay, i64 bx, i64 by, i64 halfWidth) {
  return [=](i64 x, i64 y) {
    const i64 dx = bx - ax, dy = by - ay;
    const i64 qx = x - ax, qy = y - ay;
    const i64 len2 = dx * dx + dy * dy;
    const i64 along = qx * dx + qy * dy;
    const i64 r2 = halfWidth * halfWidth;
    if (along <= 0) return qx * qx + qy * qy <= r2;
    if (along >= len2) return (x - bx) * (x - bx) + (y - by) * (y - by) <= r2;
    const i64 cross = qx * dy - qy * dx;
    return cross * cross <= r2 * len2;
  };
}

Region Union(std::vector<Region> parts) {
  return [parts = std::move(parts)](i64 x, i64 y) {
    return std::any_of(parts.begin(), parts.end(), [&](const Region& r) { return r(x, y); });
  };
}

std::uint8_t Lerp(std::uint8_t from, std::uint8_t to, i64 step, i64 steps) {
  return static_cast<std::uint8_t>((from * (steps - step) + to * step + steps / 2) / steps);
}

// A vertical gradient; a solid colour when top and bottom are equal.
struct Paint {
  Rgba top;
  Rgba bottom = top;
  i64 y0 = 0, y1 = 0;

  Rgba At(i64 y) const {
    if (y1 <= y0) return top;
    const i64 step = std::clamp(y, y0, y1) - y0, steps = y1 - y0;
    return {Lerp(top.r, bottom.r, step, steps), Lerp(top.g, bottom.g, step, steps),
            Lerp(top.b, bottom.b, step, steps), 255};
  }
};

struct Layer {
  Region region;
  Paint paint;
};

constexpr Rgba kRim{0x16, 0x46, 0x96, 255};
constexpr Rgba kTileTop{0x4F, 0x9D, 0xF6, 255};
constexpr Rgba kTileBottom{0x1C, 0x5C, 0xC4, 255};
constexpr Rgba kChip{0xFF, 0xFF, 0xFF, 255};
constexpr Rgba kChipCore{0x13, 0x38, 0x7A, 255};
constexpr Rgba kDial{0xDC, 0xEA, 0xFF, 255};
constexpr Rgba kNeedle{0xFF, 0x7A, 0x1A, 255};
constexpr Rgba kHub{0xF0, 0x4E, 0x1E, 255};

// A blue tile holding a white CPU chip whose core shows a dial with the needle held low:
// the program's CPU time, kept down.
struct Design {
  i64 tile0, tile1, tileRadius, rim;  // rim 0: no darker edge
  i64 chip0, chip1, chipRadius, stroke;
  int pins;  // per side
  i64 pinPitch, pinWidth, pinReach, pinRadius;
  i64 hubX, hubY, hubRadius;
  i64 arcInner, arcOuter;  // arcOuter 0: no dial arc
  i64 tipX, tipY, needleHalfWidth;
};

std::vector<Layer> Compose(const Design& d) {
  std::vector<Layer> layers;
  const Paint tilePaint{kTileTop, kTileBottom, d.tile0, d.tile1};
  if (d.rim > 0) layers.push_back({RoundRect(d.tile0, d.tile0, d.tile1, d.tile1, d.tileRadius), {kRim}});
  layers.push_back({RoundRect(d.tile0 + d.rim, d.tile0 + d.rim, d.tile1 - d.rim, d.tile1 - d.rim,
                              d.tileRadius - d.rim),
                    tilePaint});

  const i64 centre = (d.chip0 + d.chip1) / 2;
  std::vector<Region> pins;
  for (int k = 0; k < d.pins; ++k) {
    const i64 at = centre + (2 * k - (d.pins - 1)) * d.pinPitch / 2;
    const i64 a = at - d.pinWidth / 2, b = at + d.pinWidth / 2;
    // Each pin reaches into the outline so the two merge without a seam.
    pins.push_back(RoundRect(a, d.chip0 - d.pinReach, b, d.chip0 + d.stroke, d.pinRadius));
    pins.push_back(RoundRect(a, d.chip1 - d.stroke, b, d.chip1 + d.pinReach, d.pinRadius));
    pins.push_back(RoundRect(d.chip0 - d.pinReach, a, d.chip0 + d.stroke, b, d.pinRadius));
    pins.push_back(RoundRect(d.chip1 - d.stroke, a, d.chip1 + d.pinReach, b, d.pinRadius));
  }
  layers.push_back({Union(std::move(pins)), {kChip}});
  layers.push_back({RoundRect(d.chip0, d.chip0, d.chip1, d.chip1, d.chipRadius), {kChip}});
  layers.push_back({RoundRect(d.chip0 + d.stroke, d.chip0 + d.stroke, d.chip1 - d.stroke, d.chip1 - d.stroke,
                              std::max<i64>(d.chipRadius - d.stroke, 0)),
                    {kChipCore}});

  if (d.arcOuter > 0) layers.push_back({UpperArc(d.hubX, d.hubY, d.arcInner, d.arcOuter), {kDial}});
  layers.push_back({Capsule(d.hubX, d.hubY, d.tipX, d.tipY, d.needleHalfWidth), {kNeedle}});
  layers.push_back({Circle(d.hubX, d.hubY, d.hubRadius), {kHub}});
  return layers;
}

// Outlines and pins sit on whole pixels at every size, so the small sizes stay crisp.
Design DesignFor(int size) {
  switch (size) {
    case 48:
      return {.tile0 = 1_px, .tile1 = 47_px, .tileRadius = 9_px, .rim = 1_px,
              .chip0 = 12_px, .chip1 = 36_px, .chipRadius = 3.5_px, .stroke = 2_px,
              .pins = 3, .pinPitch = 6_px, .pinWidth = 2_px, .pinReach = 4_px, .pinRadius = 0.75_px,
              .hubX = 24_px, .hubY = 27_px, .hubRadius = 2_px,
              .arcInner = 6.5_px, .arcOuter = 8.5_px,
              .tipX = 19.875_px, .tipY = 24.625_px, .needleHalfWidth = 1_px};
    case 32:
      return {.tile0 = 1_px, .tile1 = 31_px, .tileRadius = 6_px, .rim = 1_px,
              .chip0 = 7_px, .chip1 = 25_px, .chipRadius = 2.5_px, .stroke = 2_px,
              .pins = 3, .pinPitch = 5_px, .pinWidth = 2_px, .pinReach = 3_px, .pinRadius = 0.5_px,
              .hubX = 16_px, .hubY = 18_px, .hubRadius = 1.375_px,
              .arcInner = 4_px, .arcOuter = 5.75_px,
              .tipX = 13.625_px, .tipY = 16.625_px, .needleHalfWidth = 0.8125_px};
    case 16:
      // No dial arc at this size: a needle on whole-pixel diagonals and a round hub stay readable.
      return {.tile0 = 0_px, .tile1 = 16_px, .tileRadius = 3.5_px, .rim = 0,
              .chip0 = 3_px, .chip1 = 13_px, .chipRadius = 1_px, .stroke = 1_px,
              .pins = 2, .pinPitch = 4_px, .pinWidth = 2_px, .pinReach = 2_px, .pinRadius = 0,
              .hubX = 8.5_px, .hubY = 9.5_px, .hubRadius = 1.5_px,
              .arcInner = 0, .arcOuter = 0,
              .tipX = 5.5_px, .tipY = 6.5_px, .needleHalfWidth = 0.75_px};
    default:
      throw std::invalid_argument("no icon design for size " + std::to_string(size));
  }
}

Picture Render(int size, const std::vector<Layer>& layers) {
  Picture picture{size, std::vector<Rgba>(static_cast<std::size_t>(size * size))};
  constexpr i64 kSamples = kSamplesPerAxis * kSamplesPerAxis;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      i64 covered = 0, r = 0, g = 0, b = 0;
      for (int sy = 0; sy < kSamplesPerAxis; ++sy) {
        for (int sx = 0; sx < kSamplesPerAxis; ++sx) {
          const i64 ux = x * kUnitsPerPixel + 2 * sx + 1;
          const i64 uy = y * kUnitsPerPixel + 2 * sy + 1;
          // Every layer is opaque, so a sample takes the colour of the topmost layer over it.
          for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
            if (!layer->region(ux, uy)) continue;
            const Rgba c = layer->paint.At(uy);
            r += c.r;
            g += c.g;
            b += c.b;
            ++covered;
            break;
          }
        }
      }
      if (covered == 0) continue;
      auto mean = [covered](i64 sum) { return static_cast<std::uint8_t>((sum + covered / 2) / covered); };
      picture.pixels[static_cast<std::size_t>(y * size + x)] = {
          mean(r), mean(g), mean(b), static_cast<std::uint8_t>((covered * 255 + kSamples / 2) / kSamples)};
    }
  }
  return picture;
}

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

Picture DrawTovrelIcon(int size) { return Render(size, Compose(DesignFor(size))); }

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
