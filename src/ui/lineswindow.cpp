#include "lineswindow.h"
#include "program.h"
#include "widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

LinesWindow::LinesWindow(Program &program, QWidget *owner) : QDialog(owner), p_(program) {
  setObjectName(QStringLiteral("lines"));
  setWindowModality(Qt::ApplicationModal);
  const Module1 &m = p_.m;
  setWindowTitle(windowTitleOf(m.msg(5370)));
  auto *l = new QVBoxLayout(this);
  problem_ = new QLabel(this);
  problem_->setObjectName(QStringLiteral("problem"));
  problem_->setWordWrap(true);
  l->addWidget(problem_);
  table_ = new QTableWidget(0, 3, this);
  table_->setHorizontalHeaderLabels(m.msg(5373).split(u'|'));
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->setVisible(false);
  table_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch); // the note takes the room
  l->addWidget(table_, 1);

  auto *row = new QHBoxLayout;
  auto button = [this, row](int caption, void (LinesWindow::*run)()) {
    auto *b = new QPushButton(p_.m.msg(caption), this);
    b->setAutoDefault(false);
    row->addWidget(b);
    connect(b, &QPushButton::clicked, this, run);
    return b;
  };
  button(5238, &LinesWindow::addLine);
  forOne_ = {button(5374, &LinesWindow::changeLine), button(5375, &LinesWindow::removeLine),
             button(5376, &LinesWindow::useLine)};
  row->addStretch();
  auto *close = new QPushButton(m.msg(2202), this);
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  row->addWidget(close);
  l->addLayout(row);
  connect(table_, &QTableWidget::itemSelectionChanged, this, &LinesWindow::showSelection);
  connect(table_, &QTableWidget::cellDoubleClicked, this, &LinesWindow::changeLine);
  resize(560, 360);
}

void LinesWindow::showEvent(QShowEvent *e) {
  refill();
  QDialog::showEvent(e);
}

void LinesWindow::refill() {
  HistoryDb &db = p_.memory.db();
  const bool opened = db.open();
  problem_->setText(opened ? QString() : p_.m.msg(5351).arg(db.shownAddress(), db.problem()));
  problem_->setVisible(!opened);
  lines_ = opened ? db.lines() : QList<HistoryDb::Line>();
  table_->setRowCount(int(lines_.size()));
  for (int i = 0; i < lines_.size(); ++i) {
    const HistoryDb::Line &line = lines_[i];
    const bool inUse = line.name == p_.memory.lineName;
    const QString cells[] = {line.name, line.address, line.note};
    for (int col = 0; col < 3; ++col) {
      auto *item = new QTableWidgetItem(cells[col]);
      QFont font = item->font();
      font.setBold(inUse);
      item->setFont(font);
      table_->setItem(i, col, item);
    }
  }
  // The note keeps the room the header stretches it to.
  table_->resizeColumnToContents(0);
  table_->resizeColumnToContents(1);
  showSelection();
}

void LinesWindow::showSelection() {
  const bool one = selected().has_value();
  for (QPushButton *b : std::as_const(forOne_))
    b->setEnabled(one);
}

std::optional<HistoryDb::Line> LinesWindow::selected() const {
  const QList<QTableWidgetSelectionRange> ranges = table_->selectedRanges();
  if (ranges.size() != 1 || ranges[0].rowCount() != 1)
    return std::nullopt;
  return lines_.value(ranges[0].topRow());
}

bool LinesWindow::refused(const HistoryDb::Line &line) {
  if (line.name.isEmpty())
    p_.dialogs.message(p_.m.told(5378), Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
  else if (!PlantMemory::isLineAddress(line.address))
    p_.dialogs.message(p_.m.told(5379).arg(line.address), Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
  else
    return false;
  return true;
}

bool LinesWindow::failed() {
  HistoryDb &db = p_.memory.db();
  p_.dialogs.message(p_.m.told(5351).arg(db.shownAddress(), db.problem()), Dialogs::Buttons::Ok,
                     Dialogs::Icon::Exclamation);
  return false;
}

void LinesWindow::editLine(const HistoryDb::Line &start,
                           const std::function<bool(const HistoryDb::Line &)> &apply) {
  QDialog editor(this);
  editor.setObjectName(QStringLiteral("lineEditor"));
  editor.setWindowTitle(p_.m.msg(5293));
  auto *g = new QGridLayout(&editor);
  const QStringList captions = p_.m.msg(5373).split(u'|');
  const QString texts[] = {start.name, start.address, start.note};
  const char *names[] = {"name", "address", "note"};
  QLineEdit *fields[3];
  for (int i = 0; i < 3; ++i) {
    g->addWidget(new QLabel(captions.value(i), &editor), i, 0);
    fields[i] = new QLineEdit(texts[i], &editor);
    fields[i]->setObjectName(QLatin1String(names[i]));
    g->addWidget(fields[i], i, 1);
  }
  fields[0]->setMinimumWidth(320);
  fields[1]->setPlaceholderText(QStringLiteral("3, /dev/ttyUSB0, tcp://HOST:PORT, rfc2217://HOST:PORT"));
  auto *row = new QHBoxLayout;
  row->addStretch();
  auto *ok = new QPushButton(p_.m.msg(1403), &editor);
  auto *cancel = new QPushButton(p_.m.msg(1404), &editor);
  ok->setDefault(true);
  row->addWidget(ok);
  row->addWidget(cancel);
  g->addLayout(row, 3, 0, 1, 2);
  connect(cancel, &QPushButton::clicked, &editor, &QDialog::reject);
  connect(ok, &QPushButton::clicked, &editor, [&] {
    const HistoryDb::Line line{fields[0]->text().trimmed(), fields[1]->text().trimmed(), fields[2]->text().trimmed()};
    if (!refused(line) && apply(line))
      editor.accept();
  });
  editor.exec();
  refill();
}

void LinesWindow::addLine() {
  editLine({}, [this](const HistoryDb::Line &line) { return p_.memory.db().addLine(line) || failed(); });
}

void LinesWindow::changeLine() {
  const std::optional<HistoryDb::Line> was = selected();
  if (!was)
    return;
  editLine(*was, [this, was](const HistoryDb::Line &line) {
    if (!p_.memory.db().updateLine(was->name, line))
      return failed();
    // The line in use follows its new name and address.
    if (was->name == p_.memory.lineName)
      p_.memory.chooseLine(line.name);
    return true;
  });
}

void LinesWindow::removeLine() {
  const std::optional<HistoryDb::Line> line = selected();
  if (!line || p_.dialogs.message(p_.m.told(5377).arg(line->name), Dialogs::Buttons::YesNo,
                                  Dialogs::Icon::Question) != Dialogs::Answer::Yes)
    return;
  if (!p_.memory.db().removeLine(line->name))
    failed();
  else if (line->name == p_.memory.lineName)
    p_.memory.forgetLine();
  refill();
}

void LinesWindow::useLine() {
  if (const std::optional<HistoryDb::Line> line = selected())
    p_.memory.chooseLine(line->name);
  refill();
}
