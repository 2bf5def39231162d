#include "tests/picture/schedule_picture.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <utility>

#include "throttling/limit_pass.h"
#include "tests/picture/pixel_font.h"

namespace tovrel::test {

namespace {

using std::chrono::milliseconds;

constexpr int kScale = 2;  // of the pixel font
constexpr int kTextHeight = kGlyphHeight * kScale;
constexpr int kLeft = 150;  // the time line's 0; the lanes' names sit left of it
constexpr int kRightMargin = 70;
constexpr double kPixelsPerMs = 1.5;
constexpr int kLegendHeight = 44;
constexpr int kTitleHeight = 26;
constexpr int kLaneHeight = 26;
constexpr int kLaneGap = 8;
constexpr int kWakeHeight = 12;
constexpr int kAxisHeight = 28;
constexpr int kPanelGap = 18;

constexpr Colour kText = Rgb(0, 0, 0);
constexpr Colour kGrid = Rgb(225, 225, 225);
constexpr Colour kCycleLine = Rgb(90, 90, 90);
constexpr Colour kBackground = Rgb(255, 255, 255);

int PanelHeight(std::size_t limits) {
  return kTitleHeight + static_cast<int>(limits) * (kLaneHeight + kLaneGap) + kWakeHeight + kAxisHeight;
}

int PictureHeight(const std::vector<ScheduleTrace>& panels) {
  int h = kLegendHeight;
  for (const ScheduleTrace& p : panels) h += PanelHeight(p.percents.size()) + kPanelGap;
  return h;
}

LimitTime Longest(const std::vector<ScheduleTrace>& panels) {
  LimitTime until{0};
  for (const ScheduleTrace& p : panels) until = std::max(until, p.until);
  return until;
}

int PictureWidth(const std::vector<ScheduleTrace>& panels) {
  const double ms = std::chrono::duration<double, std::milli>(Longest(panels)).count();
  return kLeft + static_cast<int>(std::lround(ms * kPixelsPerMs)) + kRightMargin;
}

// Tovrel leaves one processor to itself and never counts fewer than one.
std::string Title(int processors) {
  return std::to_string(processors + 1) + " CORES: " + std::to_string(processors) +
         (processors == 1 ? " LIMITED THREAD RUNS AT A TIME, ONE CORE LEFT TO TOVREL"
                          : " LIMITED THREADS MAY RUN AT ONCE, ONE CORE LEFT TO TOVREL");
}

}  // namespace

std::vector<ScheduleTrace> PicturedSchedules() {
  const LimitTime twoCycles = 2 * LimitTime(kLimitCycle);
  return {TraceSchedule({20, 30, 40}, 1, twoCycles), TraceSchedule({20, 30, 40}, 2, twoCycles)};
}

SchedulePicture::SchedulePicture(std::vector<ScheduleTrace> panels)
    : panels_(std::move(panels)), surface_(PictureWidth(panels_), PictureHeight(panels_), kBackground) {
  DrawLegend();
  for (int p = 0; p < static_cast<int>(panels_.size()); ++p) DrawPanel(p);
}

int SchedulePicture::XOf(LimitTime t) const {
  return kLeft + static_cast<int>(std::lround(std::chrono::duration<double, std::milli>(t).count() * kPixelsPerMs));
}

int SchedulePicture::PanelTop(int panel) const {
  int top = kLegendHeight;
  for (int p = 0; p < panel; ++p) top += PanelHeight(panels_[static_cast<std::size_t>(p)].percents.size()) + kPanelGap;
  return top;
}

int SchedulePicture::LaneTop(int panel, int limit) const {
  return PanelTop(panel) + kTitleHeight + (limit - 1) * (kLaneHeight + kLaneGap);
}

int SchedulePicture::LaneMiddle(int panel, int limit) const { return LaneTop(panel, limit) + kLaneHeight / 2; }

int SchedulePicture::WakeRow(int panel) const {
  const auto limits = static_cast<int>(panels_[static_cast<std::size_t>(panel)].percents.size());
  return LaneTop(panel, limits + 1) + kWakeHeight / 2;
}

void SchedulePicture::DrawLegend() {
  int x = kLeft;
  const int y = 12;
  auto key = [&](Colour c, const std::string& text) {
    surface_.FillRect({x, y, x + 28, y + kTextHeight}, c);
    x += 36;
    DrawPixelText(surface_, text, x, y, kScale, kText);
    x += PixelTextWidth(text, kScale) + 28;
  };
  key(kHoldColour, "HOLD");
  for (std::size_t i = 0; i < std::size(kRunColours); ++i) {
    surface_.FillRect({x, y, x + 28, y + kTextHeight}, kRunColours[i]);
    x += 34;
  }
  x += 2;
  DrawPixelText(surface_, "RUN", x, y, kScale, kText);
  x += PixelTextWidth("RUN", kScale) + 28;
  surface_.FillRect({x + 13, y, x + 15, y + kTextHeight}, kWakeColour);
  x += 36;
  DrawPixelText(surface_, "WAKE", x, y, kScale, kText);
  x += PixelTextWidth("WAKE", kScale) + 56;
  DrawPixelText(surface_, "ALL THREE ADDED AT 0 MS", x, y, kScale, kText);
}

void SchedulePicture::DrawPanel(int panel) {
  const ScheduleTrace& trace = panels_[static_cast<std::size_t>(panel)];
  const int limits = static_cast<int>(trace.percents.size());
  const int top = PanelTop(panel);
  DrawPixelText(surface_, Title(trace.processors), 10, top, kScale, kText);

  const int barsTop = LaneTop(panel, 1), wakeTop = LaneTop(panel, limits + 1), axisTop = wakeTop + kWakeHeight;
  // Every 50 ms a faint line, every cycle a dark one, under the lanes.
  for (LimitTime t{0}; t <= trace.until; t += milliseconds(50)) {
    const bool cycle = t % LimitTime(kLimitCycle) == LimitTime(0);
    const int x = XOf(t);
    surface_.FillRect({x, barsTop - 4, x + 1, axisTop + 4}, cycle ? kCycleLine : kGrid);
    if (t % milliseconds(100) != LimitTime(0)) continue;
    // The number centred on its line; the unit after the last one.
    const std::string number = std::to_string(std::chrono::duration_cast<milliseconds>(t).count());
    const int labelX = x - PixelTextWidth(number, kScale) / 2;
    const std::string label = number + (t == trace.until ? " MS" : "");
    DrawPixelText(surface_, label, labelX, axisTop + 8, kScale, kText);
  }

  const int end = XOf(trace.until);
  for (int limit = 1; limit <= limits; ++limit) {
    const int laneTop = LaneTop(panel, limit);
    const std::string name = std::to_string(limit) + ": " + std::to_string(trace.percents[static_cast<std::size_t>(limit - 1)]) + " %";
    DrawPixelText(surface_, name, 10, laneTop + (kLaneHeight - kTextHeight) / 2, kScale, kText);
    // A process runs unless a hold keeps it.
    surface_.FillRect({XOf(LimitTime(0)), laneTop, end, laneTop + kLaneHeight},
                      kRunColours[static_cast<std::size_t>(limit - 1) % std::size(kRunColours)]);
    for (const TracedHold& hold : trace.holds)
      if (hold.limit == limit)
        surface_.FillRect({XOf(hold.begin), laneTop, XOf(hold.end), laneTop + kLaneHeight}, kHoldColour);
  }

  DrawPixelText(surface_, "WAKES", 10, wakeTop - 1, kScale, kText);
  for (const LimitTime wake : trace.wakes) {
    const int x = XOf(wake);
    surface_.FillRect({x - 1, wakeTop, x + 1, wakeTop + kWakeHeight}, kWakeColour);
  }
}

std::vector<std::uint8_t> SchedulePicture::Rgb24() const {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(surface_.Width()) * surface_.Height() * 3);
  for (int y = 0; y < surface_.Height(); ++y)
    for (int x = 0; x < surface_.Width(); ++x) {
      const Colour c = surface_.GetPixel(x, y);  // 0x00BBGGRR
      rgb.push_back(static_cast<std::uint8_t>(c & 0xFF));
      rgb.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
      rgb.push_back(static_cast<std::uint8_t>((c >> 16) & 0xFF));
    }
  return rgb;
}

}  // namespace tovrel::test
