#pragma once
#include "historydb.h"

#include <QDialog>
#include <functional>
#include <optional>

class Program;
class QLabel;
class QPushButton;
class QTableWidget;

// Controller > Lines: the register of named lines, kept in the history's
// database; a line added, edited, removed, or made the line in use.
class LinesWindow : public QDialog {
  Q_OBJECT
public:
  LinesWindow(Program &program, QWidget *owner);

  QTableWidget *table() const { return table_; }
  // The register afresh, the line in use in bold.
  void refill();

protected:
  void showEvent(QShowEvent *e) override;

private:
  // The editor of one line, modal; it closes when cancelled or when `apply`
  // took what was typed, so that a refusal loses nothing.
  void editLine(const HistoryDb::Line &start, const std::function<bool(const HistoryDb::Line &)> &apply);
  bool refused(const HistoryDb::Line &line);
  bool failed();
  std::optional<HistoryDb::Line> selected() const;
  void addLine();
  void changeLine();
  void removeLine();
  void useLine();
  void showSelection();

  Program &p_;
  QTableWidget *table_;
  QLabel *problem_;
  QList<QPushButton *> forOne_; // Edit, Remove, Use: a line chosen
  QList<HistoryDb::Line> lines_;
};
