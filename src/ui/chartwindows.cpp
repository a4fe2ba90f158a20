#include "chartwindows.h"
#include "iomonitor.h"
#include "program.h"
#include "wholefile.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int NameWidth = 56, RowHeight = 28, AxisHeight = 22;

// The time axis both charts share: a tick and its value at every step,
// `divisor` units of the view to one shown unit, the unit's name left of it.
void drawAxis(QPainter &p, const QPalette &pal, const PlotView &view, const QRect &plot, double divisor,
              int decimals, const QString &unit = {}) {
  p.setPen(pal.color(QPalette::Mid));
  const int baseline = plot.bottom() + AxisHeight - 6;
  const qint64 step = view.tickStep(plot.width());
  const qint64 first = (view.start / step) * step;
  for (qint64 t = first; t <= view.start + view.span; t += step) {
    const int x = plot.left() + int(view.xOf(t, plot.width()));
    if (x < plot.left())
      continue;
    p.drawLine(x, plot.top(), x, plot.bottom());
    const QString label = QString::number(double(t) / divisor, 'f', decimals);
    const int width = p.fontMetrics().horizontalAdvance(label);
    // A label that would run past the edge goes left of its tick.
    p.drawText(x + 2 + width > plot.right() + 4 ? x - 2 - width : x + 2, baseline, label);
  }
  p.setPen(pal.color(QPalette::Text));
  p.drawText(4, baseline, unit);
}

void drawMarker(QPainter &p, const PlotView &view, const QRect &plot, const std::optional<qint64> &t,
                const QColor &colour, const QString &name) {
  if (!t)
    return;
  if (*t < view.start || *t > view.start + view.span)
    return;
  // The newest time falls one past the last pixel.
  const int x = std::min(plot.left() + int(view.xOf(*t, plot.width())), plot.right());
  p.setPen(QPen(colour, 1, Qt::DashLine));
  p.drawLine(x, plot.top(), x, plot.bottom());
  const int width = p.fontMetrics().horizontalAdvance(name);
  p.drawText(x + 3 + width > plot.right() ? x - 3 - width : x + 3, plot.top() + 12, name);
}

QString seconds(qint64 ms) { return QString::number(double(ms) / 1000.0, 'f', 3); }

// Saves a picture of `w` as PNG where the operator chooses, whole or not at all.
void savePng(QWidget *w, Program &p) {
  const Messages msg = p.m.messages();
  const QString path = p.dialogs.saveFileName({msg.text(5288), msg.text(5287), QStringLiteral("timeline.png"),
                                               QStringLiteral("png")});
  if (path.isEmpty())
    return;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  w->grab().save(&buffer, "PNG");
  QString reason;
  if (!wholefile::Save(path, bytes, &reason))
    p.dialogs.message(msg.told(5270).arg(path), Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, reason);
  else
    p.dialogs.done(msg.told(5103).arg(path.section(u'/', -1)));
}

} // namespace

// --- The trace chart ---------------------------------------------------------

TraceChart::TraceChart(const IoHistory &history, QWidget *parent) : QWidget(parent), history_(history) {
  setObjectName(QStringLiteral("traceChart"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(480, IoHistory::Signals * RowHeight + AxisHeight + 8);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

QRect TraceChart::plotArea() const { return {NameWidth, 4, width() - NameWidth - 4, IoHistory::Signals * RowHeight}; }

void TraceChart::paintEvent(QPaintEvent *) {
  QPainter p(this);
  const QRect plot = plotArea();
  drawAxis(p, palette(), view, plot, 1000.0, view.span < 10000 ? 1 : 0, axisUnit);
  const QColor trace = palette().color(QPalette::Text);
  const QColor high = palette().color(QPalette::Highlight);
  const double w = plot.width();
  const qint64 end = view.start + view.span;
  // Drawn from the first read to what has been seen.
  const qint64 from = std::max(view.start, history_.firstMs()), stop = std::min(end, now);
  const bool drawn = !history_.isEmpty() && from < stop;
  struct Trace {
    bool on = false;
    double x = 0;
    int hi = 0, lo = 0;
    int pixel = -1; // of the last edge: edges within one pixel are one line
    QList<QLineF> lines;
    QList<QRectF> high; // shaded, so that a row's state reads at a glance
    void runTo(double x2) {
      lines << QLineF(x, on ? hi : lo, x2, on ? hi : lo);
      if (on)
        high << QRectF(x, hi, x2 - x, lo - hi);
    }
  };
  std::array<Trace, IoHistory::Signals> traces;
  for (int row = 0; row < IoHistory::Signals; ++row) {
    Trace &t = traces[std::size_t(row)];
    const int top = plot.top() + row * RowHeight;
    t.hi = top + 6;
    t.lo = top + RowHeight - 6;
    p.setPen(trace);
    p.drawText(4, t.lo, IoSignalName(row));
    if (drawn) {
      t.on = history_.stateAt(row, from);
      t.x = plot.left() + view.xOf(from, w);
    }
  }
  if (drawn) {
    // One pass over the changes for all rows: a repaint stays cheap with a
    // long history in view.
    const auto &changes = history_.changes();
    for (qsizetype i = history_.firstAtOrAfter(from + 1); i < changes.size() && changes[i].ms <= stop; ++i) {
      Trace &t = traces[std::size_t(changes[i].row)];
      if (changes[i].on == t.on)
        continue;
      const double cx = plot.left() + view.xOf(changes[i].ms, w);
      if (int(cx) != t.pixel) {
        t.runTo(cx);
        t.lines << QLineF(cx, t.hi, cx, t.lo);
        t.pixel = int(cx);
      }
      t.x = cx;
      t.on = changes[i].on;
    }
    QColor shade = high;
    shade.setAlpha(48);
    p.setPen(QPen(high, 2));
    for (Trace &t : traces) {
      // The last state runs on to the end of what has been seen.
      t.runTo(plot.left() + view.xOf(stop, w));
      for (const QRectF &r : t.high)
        p.fillRect(r, shade);
      p.drawLines(t.lines);
    }
  }
  if (const auto &e = history_.ended(); e && !history_.isEmpty())
    drawMarker(p, view, plot, e->ms, palette().color(QPalette::Text), e->lineLost ? lostText : stoppedText);
  drawMarker(p, view, plot, view.markerA, palette().color(QPalette::Link), QStringLiteral("A"));
  drawMarker(p, view, plot, view.markerB, palette().color(QPalette::LinkVisited), QStringLiteral("B"));
  if (cursorX) {
    p.setPen(QPen(palette().color(QPalette::Mid), 1, Qt::DotLine));
    const int cx = plot.left() + int(*cursorX);
    p.drawLine(cx, plot.top(), cx, plot.bottom());
  }
}

std::optional<qint64> TraceChart::cursor() const {
  if (!cursorX)
    return std::nullopt;
  return view.at(*cursorX, plotArea().width());
}

void TraceChart::pointAt(qint64 ms) { cursorX = view.xOf(ms, plotArea().width()); }

void TraceChart::mouseMoveEvent(QMouseEvent *e) {
  const double x = e->position().x() - plotArea().left();
  cursorX = x >= 0 ? std::optional<double>(x) : std::nullopt;
  update();
  Q_EMIT viewChanged();
}

void TraceChart::mousePressEvent(QMouseEvent *e) {
  const double x = e->position().x() - plotArea().left();
  if (x < 0 || e->button() != Qt::LeftButton)
    return;
  (e->modifiers() & Qt::ShiftModifier ? view.markerB : view.markerA) = view.at(x, plotArea().width());
  update();
  Q_EMIT viewChanged();
}

void TraceChart::leaveEvent(QEvent *) {
  cursorX.reset();
  update();
  Q_EMIT viewChanged();
}

void TraceChart::wheelEvent(QWheelEvent *e) {
  const double steps = e->angleDelta().y() / 120.0;
  if (steps == 0)
    return;
  view.zoom(std::pow(0.8, steps), e->position().x() - plotArea().left(), plotArea().width());
  update();
  Q_EMIT viewChanged();
}

void TraceChart::keyPressEvent(QKeyEvent *e) {
  const double plotWidth = plotArea().width();
  if (e->key() == Qt::Key_Plus || e->key() == Qt::Key_Equal)
    view.zoom(0.5, plotWidth / 2, plotWidth);
  else if (e->key() == Qt::Key_Minus)
    view.zoom(2.0, plotWidth / 2, plotWidth);
  else
    return QWidget::keyPressEvent(e);
  update();
  Q_EMIT viewChanged();
}

// --- The run chart -------------------------------------------------------------

RunChart::RunChart(const MoveStats &stats, QWidget *parent) : QWidget(parent), stats_(stats) {
  setObjectName(QStringLiteral("runChart"));
  setMinimumSize(420, 160);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

void RunChart::paintEvent(QPaintEvent *) {
  QPainter p(this);
  const QRect plot(NameWidth, 6, width() - NameWidth - 8, height() - AxisHeight - 10);
  const auto &moves = stats_.moves();
  PlotView view;
  view.minSpan = 1;
  view.showAll(1, std::max<qint64>(2, moves.size()));
  drawAxis(p, palette(), view, plot, 1.0, 0);
  const QList<qint64> cycles = stats_.cycleTimes();
  if (cycles.isEmpty())
    return;
  const auto [lo, hi] = std::minmax_element(cycles.begin(), cycles.end());
  const double bottom = double(*lo) * 0.98, top = std::max(double(*hi) * 1.02, bottom + 1);
  auto y = [&](qint64 ms) { return plot.bottom() - (double(ms) - bottom) * plot.height() / (top - bottom); };
  p.setPen(palette().color(QPalette::Text));
  p.drawText(4, plot.top() + 10, QString::number(top, 'f', 0));
  p.drawText(4, plot.bottom(), QString::number(bottom, 'f', 0));
  p.setPen(QPen(palette().color(QPalette::Highlight), 2));
  QPointF last;
  for (qsizetype i = 0; i < moves.size(); ++i) {
    if (moves[i].cycleMs < 0)
      continue;
    const QPointF pt(plot.left() + view.xOf(moves[i].number, plot.width()), y(moves[i].cycleMs));
    if (!last.isNull())
      p.drawLine(last, pt);
    p.drawEllipse(pt, 2, 2);
    last = pt;
  }
}

// --- The windows ---------------------------------------------------------------

TimelineWindow::TimelineWindow(Program &program, QWidget *owner) : QWidget(owner, Qt::Window), p_(program) {
  setObjectName(QStringLiteral("timeline"));
  const Module1 &m = p_.m;
  setWindowTitle(m.msg(5276));
  auto *l = new QVBoxLayout(this);
  auto *row = new QHBoxLayout;
  auto *pause = new QPushButton(m.msg(5277), this);
  pause->setCheckable(true);
  auto *in = new QPushButton(QStringLiteral("+"), this);
  in->setToolTip(m.msg(5290));
  auto *out = new QPushButton(QStringLiteral("\u2212"), this);
  out->setToolTip(m.msg(5291));
  // A screen reader reads names, not symbols.
  in->setAccessibleName(m.msg(5290));
  out->setAccessibleName(m.msg(5291));
  auto *whole = new QPushButton(m.msg(5278), this);
  auto *png = new QPushButton(m.msg(5279), this);
  auto *csv = new QPushButton(m.msg(5280), this);
  for (QPushButton *b : {pause, in, out, whole, png, csv})
    row->addWidget(b);
  row->addStretch();
  l->addLayout(row);
  chart_ = new TraceChart(p_.io.history(), this);
  chart_->setAccessibleName(m.msg(5276));
  chart_->stoppedText = m.msg(5325);
  chart_->lostText = m.msg(5326);
  chart_->axisUnit = m.msg(5327);
  l->addWidget(chart_, 1);
  readout_ = new QLabel(this);
  readout_->setObjectName(QStringLiteral("readout"));
  markers_ = new QLabel(this);
  markers_->setObjectName(QStringLiteral("markers"));
  dropped_ = new QLabel(this);
  dropped_->setObjectName(QStringLiteral("dropped"));
  auto *hint = new QLabel(m.msg(5286), this);
  hint->setEnabled(false);
  auto *poll = new QLabel(m.msg(5328), this);
  poll->setObjectName(QStringLiteral("poll"));
  poll->setWordWrap(true);
  for (QLabel *label : {readout_, markers_, dropped_, hint, poll})
    l->addWidget(label);
  resize(760, 380);

  connect(pause, &QPushButton::toggled, this, [this](bool paused) {
    chart_->view.following = !paused;
    refresh();
  });
  auto zoom = [this](double factor) {
    const double w = chart_->plotArea().width();
    chart_->view.zoom(factor, w / 2, w);
    refresh();
  };
  connect(in, &QPushButton::clicked, this, [zoom] { zoom(0.5); });
  connect(out, &QPushButton::clicked, this, [zoom] { zoom(2.0); });
  connect(whole, &QPushButton::clicked, this, [this, pause] {
    const IoHistory &h = p_.io.history();
    chart_->view.showAll(h.firstMs(), std::max(h.lastMs(), chart_->now));
    const QSignalBlocker quiet(pause);
    pause->setChecked(true);
    refresh();
  });
  connect(png, &QPushButton::clicked, this, [this] { savePng(chart_, p_); });
  connect(csv, &QPushButton::clicked, this, [this] { p_.io.saveHistory(); });
  connect(chart_, &TraceChart::viewChanged, this, &TimelineWindow::refresh);
  connect(&p_.io, &IoMonitor::ticked, this, [this] {
    if (isVisible())
      refresh();
  });
  refresh();
}

void TimelineWindow::showEvent(QShowEvent *e) {
  refresh(); // the monitor may have run while the window was hidden
  QWidget::showEvent(e);
}

void TimelineWindow::keyPressEvent(QKeyEvent *e) {
  if (e->key() == Qt::Key_Escape)
    close();
  else
    QWidget::keyPressEvent(e);
}

void TimelineWindow::refresh() {
  const IoHistory &h = p_.io.history();
  PlotView &view = chart_->view;
  chart_->now = p_.io.IoMonitoring ? p_.io.runMs() : h.lastMs();
  view.follow(chart_->now);
  if (const auto at = chart_->cursor()) {
    QStringList states;
    for (int row = 0; row < IoHistory::Signals; ++row)
      states << IoSignalName(row) + u'=' + (h.stateAt(row, *at) ? u'1' : u'0');
    readout_->setText(p_.m.msg(5281).arg(seconds(*at), states.join(u' ')));
  } else {
    readout_->clear();
  }
  const auto apart = view.markerDifference();
  markers_->setText(apart ? p_.m.msg(5282).arg(seconds(*apart)) : QString());
  dropped_->setText(h.dropped() > 0 ? p_.m.msg(5283).arg(h.dropped()) : QString());
  dropped_->setVisible(h.dropped() > 0);
  chart_->update();
}

MoveStatsWindow::MoveStatsWindow(Program &program, QWidget *owner) : QWidget(owner, Qt::Window), p_(program) {
  setObjectName(QStringLiteral("moveStats"));
  const Module1 &m = p_.m;
  setWindowTitle(m.msg(5284));
  auto *l = new QVBoxLayout(this);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("summary"));
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  l->addWidget(summary_);
  l->addWidget(new QLabel(m.msg(5285), this));
  chart_ = new RunChart(p_.moveStats, this);
  chart_->setAccessibleName(m.msg(5285));
  l->addWidget(chart_, 1);
  auto *row = new QHBoxLayout;
  csv_ = new QPushButton(m.msg(5280), this);
  row->addWidget(csv_);
  row->addStretch();
  l->addLayout(row);
  resize(560, 320);
  connect(csv_, &QPushButton::clicked, this, [this] {
    movestats::SaveCsv(p_.dialogs, p_.m.messages(), 5289, QStringLiteral("moves.csv"), p_.moveStats.csv());
  });
  connect(&p_.moveStats, &MoveStats::changed, this, &MoveStatsWindow::refresh);
  refresh();
}

void MoveStatsWindow::refresh() {
  const bool any = !p_.moveStats.moves().isEmpty();
  summary_->setText(any ? p_.moveStats.summaryText(p_.m.messages()).trimmed() : p_.m.msg(5292));
  csv_->setEnabled(any);
  chart_->update();
}

// Esc closes the window, as it closes Compare.
void MoveStatsWindow::keyPressEvent(QKeyEvent *e) {
  if (e->key() == Qt::Key_Escape)
    close();
  else
    QWidget::keyPressEvent(e);
}
