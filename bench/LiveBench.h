#pragma once

// Live values: the period five slots reach at interval 0 beside the line's floor, the
// chart's redraw with ten series of 24 h at 1 s, and the memory those 24 h take.
void livePeriod(int cycles);
void liveChartRedraw(int redraws);
void liveMemory();
