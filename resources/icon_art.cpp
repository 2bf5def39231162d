// Drawing the icon: regions in integer sixteenths of a pixel, sampled 8 x 8 per pixel.
#include "icon_art.h"

#include <algorithm>
#include <functional>
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

}  // namespace

Picture DrawTovrelIcon(int size) { return Render(size, Compose(DesignFor(size))); }

}  // namespace tovrel::icon
