#pragma once
#include "programrig.h"

// The standard parameters of a size-28 actuator, as the simulator starts.
inline ParametaRecord standard28() {
  ParametaRecord p;
  p.HomeOffset = 30; p.Aux02 = 30; p.HomeVel = 10; p.HomeOfsVel = 10; p.Aux05 = 10;
  p.Aux06 = 65535; p.Aux07 = 2; p.AxisPulse = 400; p.Aux10 = 20; p.AxisKind = 2;
  p.ActCode = "28L100"; p.PgAlarm = 100; p.InpLimit = 10; p.Aux20 = 10; p.PgCheckTimer = 125;
  p.EmgLogic = 1; p.ActSize = "28"; p.ActType = "L"; p.ActModelNo = 100;
  return p;
}

using Lines = QList<QByteArray>;

// The program on the simulator, its parameter page showing the standard
// set; `lists`: the folder of its list files (empty: the shipped ones).
struct ParamRig : ProgramRig<> {
  FrmMain &f = p.frmMain;
  ParameterPage &page = p.params;

  explicit ParamRig(const QString &lists = {}) : ProgramRig(2, false) {
    page.listFolder = lists.isEmpty() ? page.listFolder : lists;
    start();
    show(standard28());
  }
  void show(const ParametaRecord &r) {
    page.ParametaSet = r;
    page.ParametaHyoji();
  }
  ControllerSim &sim() { return *line.sim(); }
  Lines wire() { return sim().receivedLines(); }
  // "name=text" for each box and list; edit() sets them.
  QStringList texts() {
    QStringList out;
    for (Control *c : f.controls())
      if (c->kind() == Control::Kind::Text || c->kind() == Control::Kind::Combo)
        out << c->name() + u'=' + c->text();
    return out;
  }
  void edit(const QStringList &edits) {
    for (const QString &e : edits)
      f.find(e.section(u'=', 0, 0))->setText(e.section(u'=', 1));
  }
  // What every command leaves behind, whatever its outcome.
  bool settled() {
    return f.cmdParaRead.isEnabled() && f.cmdConpareFile.isEnabled() && f.cmdLoadtoCt.isEnabled() &&
           f.SSTab1.isTabEnabled(0) && f.mnuCont.isEnabled() && !f.ProgressBar1.isVisible() &&
           !p.frmTrance.form.isVisible() && dialogs.busyDepth == 0 && !line.isOpen();
  }
};
