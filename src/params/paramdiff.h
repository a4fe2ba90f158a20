#pragma once
#include "parametaset.h"

#include <QList>
#include <QString>

class Messages;

// Two parameter sets side by side, as the controller would receive them:
// the same rounding and entry rules, so sets that write the same state are
// equal however their files spell the values.
namespace paramdiff {

// HOME, AXIS, PG, ETC, SPECIAL, RESERVED: the groups of the parameter file.
constexpr int GroupCount = 6;
QString GroupName(int group);

struct Row {
  int group;
  int number; // the parameter number, 1 to 35
  QString name;
  QString a, b; // as written, a list value by its text
  bool differs;
};

// Parameters 1 to 35 of two sets as the controller would receive them (a
// file or standard set through PageFixedValues first), in file order; 12 is
// the actuator code as its bytes carry it ("20L100" for size SP).
QList<Row> Compare(const ParametaRecord &a, const ParametaRecord &b, const Messages &msg);
int Differences(const QList<Row> &rows);

// "GROUP NAME: A → B" a differing row; with `all` also "GROUP NAME: A" for
// each equal one.
QString Lines(const QList<Row> &rows, bool all);

} // namespace paramdiff
