#pragma once
#include "historydb.h"

#include <QDialog>
#include <functional>

class HistoryModel;
class Program;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableView;

// Controller > History: the entries of the line in use (or of every line),
// newest first, filtered by command and result; two entries compared, one
// restored to the controller, exported as a file or approved as the line's
// reference.
class HistoryWindow : public QDialog {
  Q_OBJECT
public:
  // `showCompare` brings up the comparison window.
  HistoryWindow(Program &program, std::function<void()> showCompare, QWidget *owner);

  HistoryModel *model() const { return model_; }
  QTableView *view() const { return view_; }
  // The entries afresh, as the choices above the list say.
  void reload();

protected:
  void showEvent(QShowEvent *e) override;

private:
  QHBoxLayout *buildFilters();
  QHBoxLayout *buildActions();
  void chooseLines();
  QList<HistoryDb::Entry> selection() const;
  void showSelection();
  void compareEntries();
  void restoreEntry();
  void exportEntry();
  void approveEntry();
  bool failed();

  Program &p_;
  std::function<void()> showCompare_;
  HistoryModel *model_;
  QTableView *view_;
  QComboBox *line_, *command_, *result_;
  QLabel *problem_;
  QPushButton *compare_, *restore_, *export_, *approve_;
};
