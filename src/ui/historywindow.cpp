#include "historywindow.h"
#include "historymodel.h"
#include "program.h"
#include "wholefile.h"
#include "widgets.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The commands and results the history keeps, as it keeps them.
const char *const Commands[] = {"params read",   "params write", "params verify", "params diff",
                                "params backup", "index read",   "index write",   "index backup",
                                "check",         "restore",      "alarm"};
const char *const Results[] = {"OK", "NG", "failed", "cancelled", "event"};

QString describe(const HistoryDb::Entry &e) {
  return e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(", ") + e.line;
}

} // namespace

HistoryWindow::HistoryWindow(Program &program, std::function<void()> showCompare, QWidget *owner)
    : QDialog(owner), p_(program), showCompare_(std::move(showCompare)) {
  setObjectName(QStringLiteral("history"));
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(windowTitleOf(p_.m.msg(5371)));
  model_ = new HistoryModel([this]() -> HistoryDb & { return p_.memory.db(); }, p_.m.messages(), this);
  auto *l = new QVBoxLayout(this);
  l->addLayout(buildFilters());
  problem_ = new QLabel(this);
  problem_->setObjectName(QStringLiteral("problem"));
  problem_->setWordWrap(true);
  l->addWidget(problem_);
  view_ = new QTableView(this);
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->verticalHeader()->setVisible(false);
  view_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  view_->horizontalHeader()->setStretchLastSection(true);
  l->addWidget(view_, 1);
  l->addLayout(buildActions());
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryWindow::showSelection);
  connect(model_, &QAbstractItemModel::modelReset, this, &HistoryWindow::showSelection);
  // What a command just kept shows at once.
  connect(&p_.frmMain, &FrmMain::commandEnded, this, [this] {
    if (isVisible())
      reload();
  });
  resize(900, 520);
}

QHBoxLayout *HistoryWindow::buildFilters() {
  const QStringList headers = p_.m.msg(5382).split(u'|');
  auto *row = new QHBoxLayout;
  auto choice = [this, row](const QString &caption, const char *name) {
    row->addWidget(new QLabel(caption, this));
    auto *box = new QComboBox(this);
    box->setObjectName(QLatin1String(name));
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    row->addWidget(box);
    return box;
  };
  line_ = choice(headers.value(HistoryModel::Line), "line");
  command_ = choice(headers.value(HistoryModel::Command), "command");
  result_ = choice(headers.value(HistoryModel::Result), "result");
  row->addStretch();
  for (QComboBox *box : {command_, result_})
    box->addItem(p_.m.msg(5384), QString());
  for (const char *c : Commands)
    command_->addItem(QLatin1String(c), QLatin1String(c));
  for (const char *r : Results)
    result_->addItem(QLatin1String(r), QLatin1String(r));
  for (QComboBox *box : {line_, command_, result_})
    connect(box, &QComboBox::activated, this, &HistoryWindow::reload);
  return row;
}

QHBoxLayout *HistoryWindow::buildActions() {
  auto *row = new QHBoxLayout;
  auto button = [this, row](int caption, void (HistoryWindow::*run)()) {
    auto *b = new QPushButton(p_.m.msg(caption), this);
    b->setAutoDefault(false);
    row->addWidget(b);
    connect(b, &QPushButton::clicked, this, run);
    return b;
  };
  compare_ = button(5252, &HistoryWindow::compareEntries);
  restore_ = button(5385, &HistoryWindow::restoreEntry);
  export_ = button(5386, &HistoryWindow::exportEntry);
  approve_ = button(5387, &HistoryWindow::approveEntry);
  row->addStretch();
  auto *close = new QPushButton(p_.m.msg(2202), this);
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  row->addWidget(close);
  return row;
}

// The line in use first, then every line, then the other registered lines.
void HistoryWindow::chooseLines() {
  line_->clear();
  const QString inUse = p_.memory.lineLabel();
  line_->addItem(inUse, inUse);
  line_->addItem(p_.m.msg(5383), QString());
  if (!p_.memory.db().open())
    return;
  for (const HistoryDb::Line &l : p_.memory.db().lines())
    if (l.name != inUse)
      line_->addItem(l.name, l.name);
}

void HistoryWindow::showEvent(QShowEvent *e) {
  chooseLines();
  reload();
  QDialog::showEvent(e);
}

void HistoryWindow::reload() {
  model_->filter.line = line_->currentData().toString();
  model_->filter.command = command_->currentData().toString();
  model_->filter.result = result_->currentData().toString();
  const bool opened = model_->reload();
  problem_->setText(model_->problem());
  problem_->setVisible(!opened);
  // The message keeps the room the header stretches it to.
  for (int column = 0; column < HistoryModel::Message; ++column)
    view_->resizeColumnToContents(column);
}

QList<HistoryDb::Entry> HistoryWindow::selection() const {
  QList<HistoryDb::Entry> chosen;
  for (const QModelIndex &index : view_->selectionModel()->selectedRows())
    chosen << model_->entry(index.row());
  std::sort(chosen.begin(), chosen.end(), [](const auto &a, const auto &b) { return a.id < b.id; });
  return chosen;
}

void HistoryWindow::showSelection() {
  const qsizetype n = view_->selectionModel()->selectedRows().size();
  compare_->setEnabled(n == 2);
  for (QPushButton *b : {restore_, export_, approve_})
    b->setEnabled(n == 1);
}

bool HistoryWindow::failed() {
  HistoryDb &db = p_.memory.db();
  p_.dialogs.message(p_.m.told(5351).arg(db.shownAddress(), db.problem()), Dialogs::Buttons::Ok,
                     Dialogs::Icon::Exclamation);
  return false;
}

// The older entry as A, the newer as B, in the comparison window.
void HistoryWindow::compareEntries() {
  const QList<HistoryDb::Entry> two = selection();
  if (two.size() != 2)
    return;
  p_.compare.a = ParamCompare::Side::historyEntry(two[0].id, describe(two[0]));
  p_.compare.b = ParamCompare::Side::historyEntry(two[1].id, describe(two[1]));
  if (p_.compare.run() >= 0)
    showCompare_();
}

void HistoryWindow::restoreEntry() {
  const QList<HistoryDb::Entry> one = selection();
  if (one.size() != 1)
    return;
  // The window waits with the rest of the program while the controller answers.
  setEnabled(false);
  p_.dialogs.startOutcome();
  const qint16 result = p_.memory.restore(one[0].id);
  Q_EMIT p_.frmMain.commandEnded(QStringLiteral("restore"), result);
  setEnabled(true);
}

void HistoryWindow::exportEntry() {
  const QList<HistoryDb::Entry> one = selection();
  const std::optional<HistoryDb::Entry> e = one.size() == 1 ? p_.memory.db().entry(one[0].id) : std::nullopt;
  if (!e) {
    if (one.size() == 1)
      failed();
    return;
  }
  // The kinds of set the entry holds, its parameters first.
  QStringList filters;
  if (!e->params.isEmpty())
    filters << p_.m.msg(1827).section(u'|', 0, 1);
  if (!e->posi.isEmpty())
    filters << p_.m.msg(351).section(u'|', 0, 1);
  const bool params = !e->params.isEmpty() || e->posi.isEmpty();
  const QString path = p_.dialogs.saveFileName({windowTitleOf(p_.m.msg(5386)), filters.join(u'|'),
                                                QStringLiteral("history-%1").arg(e->id),
                                                params ? QStringLiteral("pmt") : QStringLiteral("ztd")});
  if (path.isEmpty())
    return;
  const bool index = path.endsWith(u".ztd"_qs, Qt::CaseInsensitive);
  const QByteArray &bytes = index ? e->posi : e->params;
  if (bytes.isEmpty()) {
    p_.dialogs.message(p_.m.told(5392).arg(e->id).arg(QFileInfo(path).fileName()));
    return;
  }
  QString reason;
  if (wholefile::Save(path, bytes, &reason))
    p_.dialogs.done(p_.m.told(5103).arg(QFileInfo(path).fileName()));
  else
    p_.dialogs.message(p_.m.told(5270).arg(QFileInfo(path).fileName()), Dialogs::Buttons::Ok,
                       Dialogs::Icon::Exclamation, reason);
}

void HistoryWindow::approveEntry() {
  const QList<HistoryDb::Entry> one = selection();
  if (one.size() != 1)
    return;
  if (!p_.memory.db().approve(one[0].id)) {
    failed();
    return;
  }
  p_.dialogs.done(p_.m.told(5389).arg(one[0].id));
  reload();
}
