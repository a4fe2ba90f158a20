#include "commlogwindow.h"
#include "commlog.h"
#include "dialogs.h"
#include "module1.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QVBoxLayout>

CommLogWindow::CommLogWindow(CommLog &log, const Module1 &m, Dialogs &dialogs, QWidget *owner)
    : QWidget(owner, Qt::Window), log_(log), m_(m), dialogs_(dialogs) {
  setObjectName(QStringLiteral("commLog"));
  // The menu's caption without its mnemonic: "(&L)" as a whole, or the "&".
  setWindowTitle(QString(m_.msg(5170)).remove(QRegularExpression(QStringLiteral("\\(&.\\)|&"))));
  auto *l = new QVBoxLayout(this);
  view_ = new QPlainTextEdit(this);
  view_->setReadOnly(true);
  view_->setMaximumBlockCount(CommLog::MaxLines);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  l->addWidget(view_);
  auto *row = new QHBoxLayout;
  auto *pause = new QPushButton(m_.msg(5171), this);
  pause->setCheckable(true);
  auto *clear = new QPushButton(m_.msg(5172), this);
  auto *copy = new QPushButton(m_.msg(5173), this);
  auto *saveButton = new QPushButton(m_.msg(5174), this);
  hidePolling_ = new QCheckBox(m_.msg(5175), this);
  hidePolling_->setChecked(log_.hidesPolling());
  for (QWidget *w : std::initializer_list<QWidget *>{pause, clear, copy, saveButton, hidePolling_})
    row->addWidget(w);
  row->addStretch();
  l->addLayout(row);
  counts_ = new QLabel(this);
  counts_->setObjectName(QStringLiteral("counts"));
  l->addWidget(counts_);
  resize(640, 420);

  connect(pause, &QPushButton::toggled, this, [this](bool on) { log_.paused = on; });
  connect(clear, &QPushButton::clicked, &log_, &CommLog::clear);
  connect(copy, &QPushButton::clicked, this, [this] { QGuiApplication::clipboard()->setText(text()); });
  connect(saveButton, &QPushButton::clicked, this, [this] { log_.saveAs(dialogs_); });
  connect(hidePolling_, &QCheckBox::toggled, &log_, &CommLog::setHidePolling);
  connect(&log_, &CommLog::reset, this, &CommLogWindow::refill);
  connect(&log_, &CommLog::appended, this, [this](const QString &line) {
    // Following the end, unless the operator has scrolled up to read.
    QScrollBar *bar = view_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    const int kept = bar->value();
    view_->appendPlainText(line);
    bar->setValue(atEnd ? bar->maximum() : kept);
    showCounts();
  });
  // Hidden polling lines come three a second and more: counted at most
  // four times a second.
  countsDue_.setSingleShot(true);
  countsDue_.setInterval(250);
  connect(&countsDue_, &QTimer::timeout, this, &CommLogWindow::showCounts);
  connect(&log_, &CommLog::hiddenNoted, this, [this] {
    if (!countsDue_.isActive())
      countsDue_.start();
  });
  showCounts();
}

QString CommLogWindow::text() const { return view_->toPlainText(); }

void CommLogWindow::showEvent(QShowEvent *e) {
  log_.setRecording(true);
  refill();
  QWidget::showEvent(e);
}

void CommLogWindow::hideEvent(QHideEvent *e) {
  log_.setRecording(false);
  QWidget::hideEvent(e);
}

void CommLogWindow::refill() {
  view_->setPlainText(log_.lines().join(u'\n'));
  view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum());
  showCounts();
}

void CommLogWindow::showCounts() {
  counts_->setText(m_.msg(5176).arg(log_.hidden()).arg(log_.dropped()));
}
