// docs/schedule.png: traced schedules drawn one above the other, each limit a lane on a
// time line where its holds are grey and its runs in its colour, with a tick at every
// wake of Tovrel. The tests read the holds and wakes back out of the pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "button_control/raster_surface.h"
#include "tests/picture/schedule_trace.h"

namespace tovrel::test {

// What the picture shows: two 300 ms cycles of 20/30/40 %, as a two-core machine's
// schedule runs them (one processor for limited threads, one left to Tovrel) and a
// three-core machine's (two).
std::vector<ScheduleTrace> PicturedSchedules();

class SchedulePicture {
 public:
  static constexpr Colour kHoldColour = Rgb(200, 200, 200);
  static constexpr Colour kWakeColour = Rgb(0, 0, 0);
  static constexpr Colour kRunColours[3] = {Rgb(46, 125, 50), Rgb(21, 101, 192), Rgb(230, 120, 0)};

  explicit SchedulePicture(std::vector<ScheduleTrace> panels);

  const RasterSurface& surface() const { return surface_; }
  const std::vector<ScheduleTrace>& panels() const { return panels_; }
  // Where the picture puts a moment, a limit's lane and a panel's wake ticks.
  int XOf(LimitTime t) const;
  int LaneMiddle(int panel, int limit) const;
  int WakeRow(int panel) const;

  // The pixels as PNG rows want them: red, green, blue, top to bottom.
  std::vector<std::uint8_t> Rgb24() const;

 private:
  int PanelTop(int panel) const;
  int LaneTop(int panel, int limit) const;
  void DrawLegend();
  void DrawPanel(int panel);

  std::vector<ScheduleTrace> panels_;
  RasterSurface surface_;
};

}  // namespace tovrel::test
