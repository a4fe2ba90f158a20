#pragma once
#include "messagetable.h"
#include "parametaset.h"

#include <QObject>
#include <array>
#include <optional>

class Dialogs;
class FrmMain;

class ParameterFile;
class ParameterPage;
class ParameterTransfer;
struct Module1;

// The parameters on screen against the controller's or a file's.
namespace verify {

// One text per group, 0 HOME to 4 SP, 5 the reserved words; 6 stays empty.
using Groups = std::array<QString, 7>;

struct Difference {
  int group;
  QString name; // as in the report, without its comma
  QString screen;
  QString reference;
};

struct Comparison {
  Groups DiffList;
  QList<Difference> differences;
};

// The compared parameters of the set against the list; nullopt when a
// reference value is no number (a damaged file).
std::optional<Comparison> CompareParaArray(const ParametaRecord &p, const ParametaList &a);

// Message 823 and a line per group that differs.
Told NgReport(const Groups &DiffList, const Messages &msg);
// The values behind the report: per group, each name with the screen's value
// and the reference's.
QString Details(const QList<Difference> &differences, const Messages &msg);

} // namespace verify

// The two verify commands of the parameter page.
class Verification : public QObject {
  Q_OBJECT
public:
  Verification(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, ParameterPage &page,
               ParameterTransfer &transfer, ParameterFile &file);

  verify::Groups DiffList;

  // The screen's set against a read list: 0 equal, 1 different (DiffList
  // says where), -1 not comparable.
  qint16 CompareParaArray(const ParametaList &a);
  // The commands, as CompareParaArray; -1 also when no verification took
  // place (refused, cancelled, read failed; already reported).
  qint16 CompareWithCt();
  qint16 cmdConpareCT_Click();
  qint16 cmdConpareFile_Click();

private:
  // Blank and range checks of the screen, with their messages; true when passed.
  bool screenChecked();
  qint16 CompareWithFile();
  // `failure` goes under message 681 when the comparison did not take place.
  qint16 report(qint16 compared, const QString &fileName = {}, const QString &failure = {});

  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  ParameterPage &page_;
  ParameterTransfer &transfer_;
  ParameterFile &file_;
  QList<verify::Difference> differences_;

public:
  // The parameters that differed in the last comparison.
  const QList<verify::Difference> &differences() const { return differences_; }
};
