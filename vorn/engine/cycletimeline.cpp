#include "vorn/engine/cycletimeline.h"

namespace Vorn::CycleTimeline {

namespace {

struct Timeline {
  int depth = 0;  // open cycles (a module's Run may step another engine)
  LONGLONG mark = 0;
};
thread_local Timeline t_timeline;

LONGLONG Counter() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace

Cycle::Cycle(LONGLONG now) {
  ++t_timeline.depth;
  t_timeline.mark = now;
}

Cycle::~Cycle() { --t_timeline.depth; }

LONGLONG RunStart() { return t_timeline.depth > 0 ? t_timeline.mark : Counter(); }

LONGLONG RunEnd() {
  LONGLONG now = Counter();
  t_timeline.mark = now;
  return now;
}

}  // namespace Vorn::CycleTimeline
