#include "historymodel.h"
#include "messagetable.h"

#include <QFont>

HistoryModel::HistoryModel(std::function<HistoryDb &()> db, const Messages &msg, QObject *parent)
    : QAbstractTableModel(parent), db_(std::move(db)), approved_(msg.text(5388)),
      headers_(msg.text(5382).split(u'|')), cannotOpen_(msg.text(5351)) {}

QList<HistoryDb::Entry> HistoryModel::page() {
  HistoryDb::Filter f = filter;
  f.beforeId = rows_.isEmpty() ? 0 : rows_.last().id;
  f.limit = pageSize;
  const QList<HistoryDb::Entry> found = db_().entries(f);
  // A short page is the last; so is one that failed.
  more_ = found.size() == pageSize;
  return found;
}

bool HistoryModel::reload() {
  beginResetModel();
  rows_.clear();
  more_ = false;
  HistoryDb &db = db_();
  const bool opened = db.open();
  problem_ = opened ? QString() : cannotOpen_.arg(db.shownAddress(), db.problem());
  if (opened)
    rows_ = page();
  endResetModel();
  return opened;
}

int HistoryModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int HistoryModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : Columns; }

bool HistoryModel::canFetchMore(const QModelIndex &parent) const { return !parent.isValid() && more_; }

void HistoryModel::fetchMore(const QModelIndex &parent) {
  if (!canFetchMore(parent))
    return;
  const QList<HistoryDb::Entry> next = page();
  if (next.isEmpty())
    return;
  beginInsertRows({}, int(rows_.size()), int(rows_.size() + next.size() - 1));
  rows_ += next;
  endInsertRows();
}

QString HistoryModel::cell(const HistoryDb::Entry &e, int column) const {
  switch (column) {
  case Number: return QString::number(e.id);
  case Time: return e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  case Line: return e.line;
  case Command: return e.command;
  case Result: return e.approved ? approved_.arg(e.result) : e.result;
  case Version: return e.version;
  case Message: return e.message.section(u'\n', 0, 0);
  default: return {};
  }
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size())
    return {};
  const HistoryDb::Entry &e = rows_.at(index.row());
  switch (role) {
  case Qt::DisplayRole: return cell(e, index.column());
  case Qt::ToolTipRole: return index.column() == Message && !e.message.isEmpty() ? QVariant(e.message) : QVariant();
  case Qt::TextAlignmentRole:
    return index.column() == Number ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
  case Qt::FontRole: {
    if (!e.approved) // the line's reference stands out
      return {};
    QFont bold;
    bold.setBold(true);
    return bold;
  }
  default: return {};
  }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return {};
  return headers_.value(section);
}
