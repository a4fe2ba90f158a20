#pragma once
// What the benchmarks measure with: CPU time and the median of a sample.
#include <QList>

#include <algorithm>
#include <sys/resource.h>

// CPU seconds used so far: of this process (RUSAGE_SELF), or of the
// children it has waited for (RUSAGE_CHILDREN).
inline double cpuSeconds(int who = RUSAGE_SELF) {
  rusage u{};
  getrusage(who, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline double median(QList<double> v) {
  std::sort(v.begin(), v.end());
  return v.isEmpty() ? -1 : v[v.size() / 2];
}
