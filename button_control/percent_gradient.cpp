// The face of the gradient style: two gradients meeting at a split row, highlight rows
// along the top, bottom rows copied from a sampled pixel, and the rounded border.
#include <algorithm>

#include "button_control/button_painter.h"
#include "button_control/colour.h"

namespace tovrel {

namespace {

using Channels = float[3];

// One channel of a highlight row: white at i = 0, the end channel at i = divisor, and
// on toward black beyond. A zero divisor (narrow buttons) leaves the whole row white
// rather than dividing by zero.
std::int32_t HighlightChannel(std::int32_t endChannel, std::int32_t i, std::int32_t divisor) {
  if (divisor == 0) return 255;
  const std::int32_t v = Sub32(255, Mul32(Sub32(255, endChannel), i) / divisor);
  return v < 0 ? 0 : v;
}

}  // namespace

void ButtonPainter::PaintPercentGradient(Colour startColour, Colour borderColour, Colour endColour,
                                         std::int16_t percent, bool flat) {
  if (flat) {
    PaintRect(1, 1, Sub32(W(), 2), Sub32(H(), 2), startColour, false);
    PaintRoundBorder(borderColour, borderColour);
    return;
  }

  const std::int32_t start[3] = {RedOf(startColour), GreenOf(startColour), BlueOf(startColour)};
  const std::int32_t end[3] = {RedOf(endColour), GreenOf(endColour), BlueOf(endColour)};
  const double s = Mul32(H(), percent) / 100.0;
  const std::int32_t right = Sub32(W(), 1);

  // A gradient over zero rows (s = 1, or H - s - 4 = 0) keeps the start colour instead
  // of dividing by zero.
  auto steps = [&](double rows, Channels& out) {
    for (int c = 0; c < 3; ++c) out[c] = rows == 0.0 ? 0.0f : static_cast<float>((end[c] - start[c]) / rows);
  };
  auto restart = [&](Channels& cur) {
    for (int c = 0; c < 3; ++c) cur[c] = static_cast<float>(start[c]);
  };
  auto colourOf = [](const Channels& cur) { return Compose(Round32(cur[0]), Round32(cur[1]), Round32(cur[2])); };
  auto advance = [](Channels& cur, const Channels& by) {
    for (int c = 0; c < 3; ++c) cur[c] = std::clamp(cur[c] + by[c], 0.0f, 255.0f);
  };

  Channels upper, cur;
  steps(s - 1, upper);
  restart(cur);
  for (std::int32_t n = Round16(s); n >= 1; n = CheckedInt16(n - 1)) {
    PaintLine(1, n, right, n, colourOf(cur));
    advance(cur, upper);
  }

  const std::int32_t firstDivisor = Sub32(W(), 10);
  const std::int16_t firstLast = CheckedInt16(Sub32(W(), 4));
  for (std::int32_t i = 0; i <= firstLast; i = CheckedInt16(i + 1))
    PaintPixel(Add32(i, 2), 1,
               Compose(HighlightChannel(end[0], i, firstDivisor), HighlightChannel(end[1], i, firstDivisor),
                       HighlightChannel(end[2], i, firstDivisor)));

  const std::int32_t q = Sub32(Sub32(W(), Mul32(2, W()) / 3), 2);
  const std::int16_t secondLast = CheckedInt16(Sub32(Sub32(W(), W() / 3), 2));
  for (std::int32_t i = 0; i <= secondLast; i = CheckedInt16(i + 1))
    PaintPixel(Add32(i, 2), 2,
               Compose(HighlightChannel(end[0], i, q), HighlightChannel(end[1], i, q), HighlightChannel(end[2], i, q)));

  Channels lower;
  steps(H() - s - 4, lower);

  const std::int32_t split1 = Round32(s + 1), split2 = Round32(s + 2);
  PaintLine(1, split1, right, split1, startColour);
  PaintLine(1, split2, right, split2, startColour);

  restart(cur);
  const std::int16_t lowerLast = Round16(H() - 4.0);
  for (std::int32_t i = Round16(s + 3); i <= lowerLast; i = CheckedInt16(i + 1)) {
    PaintLine(1, i, right, i, colourOf(cur));
    advance(cur, lower);
  }

  // Too short for the bottom rows and the border.
  if (H() < 10) return;

  Colour sample = canvas_.GetPixel(2, Sub32(H(), 10));
  if (sample < 0) sample = 0;
  PaintLine(1, Sub32(H(), 9), right, Sub32(H(), 9), sample);
  PaintLine(1, Sub32(H(), 8), right, Sub32(H(), 8), sample);
  const std::int32_t split5 = Round32(s + 5);
  PaintLine(1, split5, right, split5, startColour);
  PaintLine(1, Sub32(H(), 3), Sub32(W(), 2), Sub32(H(), 3), sample);
  PaintLine(1, Sub32(H(), 2), Sub32(W(), 2), Sub32(H(), 2), sample);
  PaintRoundBorder(borderColour, borderColour);
}

}  // namespace tovrel
