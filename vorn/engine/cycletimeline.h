// The counter reads of one cycle on the thread that runs it. A module's run
// ends with a counter read that also serves as the start of the next
// module's run, so a cycle reads the counter once at its start and once per
// module instead of twice. Outside a cycle each run reads its own start.
#ifndef VORN_ENGINE_CYCLETIMELINE_H
#define VORN_ENGINE_CYCLETIMELINE_H

#include "platform/kernel/kernel.h"

namespace Vorn::CycleTimeline {

// Opens this thread's cycle at the counter value now; closed when the
// returned guard goes, also by an exception.
class Cycle {
public:
  explicit Cycle(LONGLONG now);
  ~Cycle();
  Cycle(const Cycle&) = delete;
  Cycle& operator=(const Cycle&) = delete;
};

// A run's start: the last mark of this thread's open cycle, else the counter.
LONGLONG RunStart();
// A run's end, read from the counter; within a cycle also the next start.
LONGLONG RunEnd();

}  // namespace Vorn::CycleTimeline

#endif
