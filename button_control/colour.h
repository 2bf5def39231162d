// Colour arithmetic of the button's looks.
#pragma once

#include <cstdint>

#include "button_control/canvas.h"

namespace tovrel {

// Channels by truncating division, so a system-colour reference (high bit set) yields
// negative green and blue rather than being translated.
constexpr std::int32_t RedOf(Colour v) { return v & 255; }
constexpr std::int32_t GreenOf(Colour v) { return (v / 256) % 256; }
constexpr std::int32_t BlueOf(Colour v) { return (v / 65536) % 256; }

constexpr std::int32_t Clamp255(std::int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// amount is added to each channel; proportional scales it for blue only.
constexpr Colour ShiftColor(Colour colour, std::int32_t amount, bool proportional) {
  std::int32_t red = RedOf(colour), green = GreenOf(colour), blue = BlueOf(colour);
  blue = proportional ? blue + (blue * amount) / 192 : blue + amount;
  green += amount;
  red += amount;
  return Rgb(Clamp255(red), Clamp255(green), Clamp255(blue));
}

// Each channel plus its addend, kept between 0 and the ceiling's channel.
constexpr Colour OffsetColor(Colour colour, std::int32_t addRed, std::int32_t addGreen,
                             std::int32_t addBlue, Colour ceiling) {
  auto fit = [](std::int32_t v, std::int32_t top) { return v < 0 ? 0 : (v > top ? top : v); };
  return Rgb(fit(RedOf(colour) + addRed, RedOf(ceiling)), fit(GreenOf(colour) + addGreen, GreenOf(ceiling)),
             fit(BlueOf(colour) + addBlue, BlueOf(ceiling)));
}

}  // namespace tovrel
