// What the speed measurement of the class service found: the addresses and
// least speeds it was given, and a figure, or why there is none, for each
// direction. No Windows here: the transfers live in the handler.
#pragma once

#include <string>

#include "update/speed_settings.h"

struct SpeedFigure {
  bool bMeasured = false;
  int nKbps = 0;           // kbit/s (1000 bits), when measured
  std::string strReason;   // why not, when not measured
};

struct SpeedFindings {
  SpeedSettings settings;
  SpeedFigure down;
  SpeedFigure up;

  bool IsConfigured() const { return settings.IsEnabled(); }
  // A measured figure below its configured least speed.
  bool IsBelowMinimum() const {
    return (down.bMeasured && down.nKbps < settings.nMinDownKbps) ||
           (up.bMeasured && up.nKbps < settings.nMinUpKbps);
  }
};
