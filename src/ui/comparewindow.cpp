#include "comparewindow.h"
#include "binder.h"
#include "program.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>


// The two sides: file A, and B's source with its file.
QGridLayout *CompareWindow::buildSides() {
  const Module1 &m = p_.m;
  auto *sides = new QGridLayout;
  sides->addWidget(new QLabel(m.msg(5246), this), 0, 0);
  fileA_ = new QLabel(this);
  fileA_->setObjectName(QStringLiteral("fileA"));
  sides->addWidget(fileA_, 0, 1, 1, 3);
  auto *chooseA = new QPushButton(m.msg(5251), this);
  sides->addWidget(chooseA, 0, 4);
  sides->addWidget(new QLabel(m.msg(5247), this), 1, 0);
  auto *group = new QButtonGroup(this);
  const int captions[] = {5248, 5249, 5250};
  for (int i = 0; i < 3; ++i) {
    sources_[i] = new QRadioButton(m.msg(captions[i]), this);
    group->addButton(sources_[i], i);
    sides->addWidget(sources_[i], 1, 1 + i);
  }
  chooseB_ = new QPushButton(m.msg(5251), this);
  sides->addWidget(chooseB_, 1, 4);
  fileB_ = new QLabel(this);
  sides->addWidget(fileB_, 2, 1, 1, 3);
  sides->setColumnStretch(3, 1);
  connect(chooseA, &QPushButton::clicked, this, [this] {
    if (p_.compare.chooseFile(0))
      showSides();
  });
  connect(chooseB_, &QPushButton::clicked, this, [this] {
    if (p_.compare.chooseFile(1))
      showSides();
  });
  connect(group, &QButtonGroup::idClicked, this, [this](int id) {
    p_.compare.chooseSourceB(ParamCompare::Source(id));
    showSides();
  });
  return sides;
}

CompareWindow::CompareWindow(Program &program, QWidget *owner) : QDialog(owner), p_(program) {
  setObjectName(QStringLiteral("compare"));
  setWindowModality(Qt::ApplicationModal);
  const Module1 &m = p_.m;
  ParamCompare &c = p_.compare;
  setWindowTitle(m.msg(5245));
  auto *l = new QVBoxLayout(this);

  l->addLayout(buildSides());

  auto *run = new QPushButton(m.msg(5252), this);
  run->setDefault(true);
  only_ = new QCheckBox(m.msg(5253), this);
  counts_ = new QLabel(this);
  counts_->setObjectName(QStringLiteral("counts"));
  auto *runRow = new QHBoxLayout;
  runRow->addWidget(run);
  runRow->addWidget(only_);
  runRow->addStretch();
  runRow->addWidget(counts_);
  l->addLayout(runRow);

  table_ = new QTableWidget(0, 4, this);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->setVisible(false);
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);
  l->addWidget(table_, 1);

  auto *bottom = new QHBoxLayout;
  for (int n : {5255, 5256, 5257}) {
    auto *b = new QPushButton(m.msg(n), this);
    b->setAutoDefault(false);
    reportButtons_ << b;
    bottom->addWidget(b);
  }
  bottom->addStretch();
  auto *close = new QPushButton(m.msg(5258), this);
  close->setAutoDefault(false);
  bottom->addWidget(close);
  l->addLayout(bottom);
  resize(640, 700);

  connect(run, &QPushButton::clicked, this, &CompareWindow::run);
  connect(only_, &QCheckBox::toggled, this, [this](bool on) {
    p_.compare.differencesOnly = on;
    refill();
  });
  connect(reportButtons_[0], &QPushButton::clicked, this, [this] { p_.print.printComparison(p_.compare); });
  connect(reportButtons_[1], &QPushButton::clicked, this, [this] { p_.print.saveComparisonPdf(p_.compare); });
  connect(reportButtons_[2], &QPushButton::clicked, this,
          [this] { QGuiApplication::clipboard()->setText(p_.compare.copyText()); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(&c, &ParamCompare::reportChanged, this, &CompareWindow::refill);
  // The sides may be set from outside (the history's entries).
  connect(&c, &ParamCompare::reportChanged, this, &CompareWindow::showSides);
  only_->setChecked(c.differencesOnly);
  showSides();
  refill();
}

void CompareWindow::showSides() {
  const ParamCompare &c = p_.compare;
  using S = ParamCompare::Source;
  // A side that is a history entry is named as the comparison names it.
  auto name = [&c](const ParamCompare::Side &side) {
    if (side.source == S::Entry)
      return c.title(side);
    return side.path.isEmpty() ? QStringLiteral("—") : QFileInfo(side.path).fileName();
  };
  fileA_->setText(name(c.a));
  fileA_->setToolTip(c.a.source == S::Entry ? QString() : c.a.path);
  const bool entryB = c.b.source == S::Entry;
  const bool fileB = c.b.source == S::File;
  // An entry is none of the sources offered: no choice is shown checked.
  sources_[0]->group()->setExclusive(!entryB);
  for (int i = 0; i < 3; ++i)
    sources_[i]->setChecked(!entryB && i == std::min(int(c.b.source), 2));
  chooseB_->setEnabled(fileB);
  fileB_->setVisible(fileB || entryB);
  fileB_->setText(name(c.b));
  fileB_->setToolTip(fileB ? c.b.path : QString());
}

void CompareWindow::run() {
  // The window waits with the rest of the program while the controller answers.
  setEnabled(false);
  p_.compare.run();
  setEnabled(true);
}

void CompareWindow::refill() {
  const ParamCompare &c = p_.compare;
  const ParamCompare::Report r = c.shown();
  const bool any = !c.report().rows.isEmpty();
  for (QPushButton *b : std::as_const(reportButtons_))
    b->setEnabled(any);
  counts_->setText(any ? c.countsText() : QString());
  table_->setHorizontalHeaderLabels({p_.m.msg(5259), p_.m.msg(5260), any ? u"A: "_qs + r.titleA : u"A"_qs,
                                     any ? u"B: "_qs + r.titleB : u"B"_qs});
  table_->setRowCount(int(r.rows.size()));
  const QColor marked = binder::changedTint(table_);
  for (int i = 0; i < r.rows.size(); ++i) {
    const paramdiff::Row &row = r.rows[i];
    const QString cells[] = {paramdiff::GroupName(row.group), row.name, row.a, row.b};
    for (int col = 0; col < 4; ++col) {
      auto *item = new QTableWidgetItem(cells[col]);
      if (row.differs) {
        item->setBackground(marked);
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
      }
      table_->setItem(i, col, item);
    }
  }
  table_->resizeColumnsToContents();
}
