#pragma once
#include <QDialog>

class Program;
class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

// Compare Parameter Files: the sides chosen, the table of the last
// comparison, and its report. The comparison itself is Program::compare.
class CompareWindow : public QDialog {
  Q_OBJECT
public:
  CompareWindow(Program &program, QWidget *owner);

  QTableWidget *table() const { return table_; }

private:
  QGridLayout *buildSides();
  void showSides();
  void refill();
  void run();

  Program &p_;
  QLabel *fileA_, *fileB_, *counts_;
  QRadioButton *sources_[3];
  QPushButton *chooseB_;
  QCheckBox *only_;
  QTableWidget *table_;
  QList<QPushButton *> reportButtons_;
};
