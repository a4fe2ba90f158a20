#pragma once
#include "historydb.h"

#include <QAbstractTableModel>
#include <functional>

class Messages;

// The history's entries, newest first, a page at a time as the view comes
// to them: a history of any length opens at once.
class HistoryModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum Column { Number, Time, Line, Command, Result, Version, Message, Columns };

  // `db` gives the database in use each time, since the options may change it.
  HistoryModel(std::function<HistoryDb &()> db, const Messages &msg, QObject *parent = nullptr);

  // Which entries: the line, command and result (empty: any).
  HistoryDb::Filter filter;
  int pageSize = 200;

  // From the newest entry again: the first page. False when the history
  // cannot be opened; problem() then says why, in the operator's words.
  bool reload();
  QString problem() const { return problem_; }
  const HistoryDb::Entry &entry(int row) const { return rows_.at(row); }

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool canFetchMore(const QModelIndex &parent) const override;
  void fetchMore(const QModelIndex &parent) override;

private:
  QList<HistoryDb::Entry> page();
  QString cell(const HistoryDb::Entry &e, int column) const;

  std::function<HistoryDb &()> db_;
  QString approved_;     // "%1, approved"
  QStringList headers_;
  QList<HistoryDb::Entry> rows_;
  bool more_ = false;
  QString problem_;
  QString cannotOpen_;   // 5351
};
