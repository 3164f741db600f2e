#pragma once
// The running program seen from outside while it converts: a client of its
// session socket times the answer to a hand-over without documents (what a
// later start sends), which comes from the program's event loop; and a quit
// signal sent part-way through a conversion.
#include <string>

#include "bench/outside_runs.h"

namespace bench {

struct OutsideLook {
  double longestAnswerMs = -1;  // the slowest answer while the program converted
  double quitMs = -1;           // the slowest end after SIGTERM at a quarter, half and three quarters
  int quitStatus = -1;          // the exit status (-1: none of the quits ended in order with 0)
  bool onlyWholePngs = false;   // after each quit: no partial or hidden file
};

// Runs the program on input (its folder receives `pngs` PNG files) once to the
// end, probing its socket, then three times ended by SIGTERM part-way.
OutsideLook LookFromOutside(const std::string& program, const std::string& input, size_t pngs, const Cpus& cpus);

}  // namespace bench
