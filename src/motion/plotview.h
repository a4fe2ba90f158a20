#pragma once
#include <QtGlobal>

#include <optional>

// The stretch of an axis a chart shows (milliseconds of a monitor run, or
// moves of a move test) and how it maps to a width in pixels: zoomed about
// a point, kept at the newest value, or showing a whole run; with two
// markers.
class PlotView {
public:
  qint64 start = 0; // at the left edge
  qint64 span = 10000;
  bool following = true; // the newest at the right edge
  qint64 minSpan = 100;
  qint64 maxSpan = qint64(7) * 24 * 3600 * 1000;

  double xOf(qint64 t, double width) const { return double(t - start) * width / double(span); }
  qint64 at(double x, double width) const;
  // `factor` below 1 zooms in. The value under `x` stays under it; while
  // following, the newest stays at the right edge instead.
  void zoom(double factor, double x, double width);
  // Keeps the newest at the right edge while following.
  void follow(qint64 newest);
  void showAll(qint64 first, qint64 last);

  // A step of 1, 2 or 5 times a power of ten that puts a tick about every
  // `pixels` pixels.
  qint64 tickStep(double width, double pixels = 100) const;

  std::optional<qint64> markerA, markerB;
  std::optional<qint64> markerDifference() const;
};
