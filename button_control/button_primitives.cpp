// The drawing primitives every look is built from.
#include "button_control/button_painter.h"
#include "button_control/colour.h"

namespace tovrel {

void ButtonPainter::PaintRect(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                              Colour colour, bool outline) {
  const Rect r{left, top, Add32(left, width), Add32(top, height)};
  if (outline)
    canvas_.FrameRect(r, colour);
  else
    canvas_.FillRect(r, colour);
}

void ButtonPainter::PaintLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                              Colour colour) {
  canvas_.SetForeColor(colour);
  canvas_.MoveTo(x1, y1);
  canvas_.LineTo(x2, y2);
}

void ButtonPainter::PaintPixel(std::int32_t x, std::int32_t y, Colour colour) { canvas_.SetPixel(x, y, colour); }

void ButtonPainter::PaintFocusRect() {
  canvas_.SetTextColor(derived_.TextColor);
  canvas_.DrawFocusRect(state_.FocusRect);
}

void ButtonPainter::PaintRoundBorder(Colour lineColour, Colour cornerColour) {
  const std::int32_t right = Sub32(W(), 1), bottom = Sub32(H(), 1);
  const std::int32_t innerRight = Sub32(W(), 2), innerBottom = Sub32(H(), 2);
  PaintLine(2, 0, innerRight, 0, lineColour);
  PaintLine(2, bottom, innerRight, bottom, lineColour);
  PaintLine(0, 2, 0, innerBottom, lineColour);
  PaintLine(right, 2, right, innerBottom, lineColour);
  PaintPixel(1, 1, cornerColour);
  PaintPixel(1, innerBottom, cornerColour);
  PaintPixel(innerRight, 1, cornerColour);
  PaintPixel(innerRight, innerBottom, cornerColour);
}

void ButtonPainter::PaintFadeToWhite(std::int32_t red, std::int32_t green, std::int32_t blue,
                                     std::int32_t fromRow, std::int32_t toRow, std::int32_t step) {
  const std::int16_t from = CheckedInt16(fromRow), to = CheckedInt16(toRow), by = CheckedInt16(step);
  // A step of 0 would never reach the last row; no row is drawn.
  if (by == 0) return;
  // The fade reaches white after H - 5 rows. At H = 5 that divides by zero and below it
  // would run backwards into negative channels, so such short faces keep the start
  // colour on every row.
  const std::int32_t span = Sub32(H(), 5);
  auto increment = [span](std::int32_t start) { return span > 0 ? (255.0 - start) / span : 0.0; };
  const double incRed = increment(red), incGreen = increment(green), incBlue = increment(blue);
  float r = static_cast<float>(red), g = static_cast<float>(green), b = static_cast<float>(blue);
  auto advance = [](float& acc, double inc) {
    acc = static_cast<float>(acc + inc);
    if (acc > 255.0f) acc = 255.0f;
  };
  const std::int32_t right = Sub32(W(), 1);
  for (std::int32_t y = from; by < 0 ? y >= to : y <= to; y = CheckedInt16(y + by)) {
    advance(r, incRed);
    advance(g, incGreen);
    advance(b, incBlue);
    PaintLine(1, y, right, y, Compose(Round32(r), Round32(g), Round32(b)));
  }
}

void ButtonPainter::PaintGlassGradient(Colour midColour, Colour frameColour, Colour endColour,
                                       std::int16_t percent) {
  const std::int32_t mid[3] = {RedOf(midColour), GreenOf(midColour), BlueOf(midColour)};
  const std::int32_t end[3] = {RedOf(endColour), GreenOf(endColour), BlueOf(endColour)};
  const double pf = Mul32(H(), percent) / 100.0;
  const std::int32_t right = Sub32(W(), 1);

  // Where the fade would span zero rows (Pf = 1, or H - Pf - 4 = 0) it keeps its start
  // colour instead of dividing by zero.
  auto steps = [&](double rows, std::int32_t (&out)[3]) {
    for (int c = 0; c < 3; ++c) out[c] = rows == 0.0 ? 0 : Round32((end[c] - mid[c]) / rows);
  };
  auto colourOf = [](const std::int32_t (&cur)[3]) { return Compose(cur[0], cur[1], cur[2]); };
  auto advance = [](std::int32_t (&cur)[3], const std::int32_t (&by)[3]) {
    for (int c = 0; c < 3; ++c) cur[c] = Clamp255(Add32(cur[c], by[c]));
  };

  std::int32_t upper[3], lower[3];
  steps(pf - 1, upper);
  std::int32_t cur[3] = {Add32(mid[0], 10), Add32(mid[1], 10), Add32(mid[2], 10)};
  for (std::int16_t n = Round16(pf); n >= 3; n = CheckedInt16(n - 1)) {
    PaintLine(1, n, right, n, colourOf(cur));
    advance(cur, upper);
  }

  steps(H() - pf - 4, lower);
  const std::int16_t bandLast = Round16(pf + 0.27 * H());
  for (std::int32_t y = Round16(pf + 1); y <= bandLast; y = CheckedInt16(y + 1)) PaintLine(1, y, right, y, midColour);

  for (int c = 0; c < 3; ++c) cur[c] = Add32(mid[c], 5);
  const std::int16_t lowerFirst = Round16(Mul32(CheckedInt16(percent + 27), H()) / 100.0);
  const std::int16_t lowerLast = CheckedInt16(Sub32(H(), 4));
  for (std::int32_t y = lowerFirst; y <= lowerLast; y = CheckedInt16(y + 1)) {
    PaintLine(1, y, right, y, colourOf(cur));
    advance(cur, lower);
  }

  PaintRect(1, 1, Sub32(W(), 2), Sub32(H(), 2), Rgb(211, 229, 255), true);
  PaintRect(2, 2, Sub32(W(), 4), Sub32(H(), 4), Rgb(201, 216, 255), true);
  PaintLine(1, Sub32(H(), 3), right, Sub32(H(), 3), Rgb(207, 234, 255));
  PaintRoundBorder(frameColour, frameColour);
}

}  // namespace tovrel
