#include "plotview.h"

#include <algorithm>
#include <cmath>

qint64 PlotView::at(double x, double width) const {
  return start + qint64(std::llround(x * double(span) / std::max(width, 1.0)));
}

void PlotView::zoom(double factor, double x, double width) {
  const qint64 end = start + span;
  const qint64 anchor = following ? end : at(x, width);
  const double share = following ? 1.0 : std::clamp(x / std::max(width, 1.0), 0.0, 1.0);
  span = std::clamp(qint64(std::llround(double(span) * factor)), minSpan, maxSpan);
  start = anchor - qint64(std::llround(share * double(span)));
}

void PlotView::follow(qint64 newest) {
  if (following)
    start = newest - span;
}

void PlotView::showAll(qint64 first, qint64 last) {
  following = false;
  span = std::clamp(last - first, minSpan, maxSpan);
  start = first;
}

std::optional<qint64> PlotView::markerDifference() const {
  if (!markerA || !markerB)
    return std::nullopt;
  return std::abs(*markerB - *markerA);
}

qint64 PlotView::tickStep(double width, double pixels) const {
  const double wanted = double(span) * pixels / std::max(width, 1.0);
  qint64 step = 1;
  for (;;) {
    for (const qint64 k : {1, 2, 5})
      if (double(step * k) >= wanted)
        return step * k;
    step *= 10;
  }
}
