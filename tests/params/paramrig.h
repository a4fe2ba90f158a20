#pragma once
#include "fakedialogs.h"
#include "frmdevice.h"
#include "frmmain.h"
#include "module1.h"
#include "parameterpage.h"

// The standard parameters of a size-28 actuator, as the simulator starts.
inline ParametaRecord standard28() {
  ParametaRecord p;
  p.HomeOffset = 30; p.Aux02 = 30; p.HomeVel = 10; p.HomeOfsVel = 10; p.Aux05 = 10;
  p.Aux06 = 65535; p.Aux07 = 2; p.AxisPulse = 400; p.Aux10 = 20; p.AxisKind = 2;
  p.ActCode = "28L100"; p.PgAlarm = 100; p.InpLimit = 10; p.Aux20 = 10; p.PgCheckTimer = 125;
  p.EmgLogic = 1; p.ActSize = "28"; p.ActType = "L"; p.ActModelNo = 100;
  return p;
}

// The parameter page in English, not yet loaded.
struct PageRig {
  FakeDialogs dialogs;
  Module1 m;
  FrmMain f;
  FrmDevice d;
  ParameterPage page{m, f, d, dialogs};

  PageRig() {
    m.Languege = 2;
    m.LangBase = 10000;
  }
  void show(const ParametaRecord &p) {
    page.ParametaSet = p;
    page.ParametaHyoji();
  }
  // "name=text" for each box or list.
  QStringList pageTexts() {
    QStringList out;
    for (Control *c : f.controls())
      if (c->kind() == Control::Kind::Text || c->kind() == Control::Kind::Combo)
        out << c->name() + u'=' + c->text();
    return out;
  }
};

#ifndef PARAMRIG_PAGE_ONLY // the rest needs the simulator
#include "frmtrance.h"
#include "link.h"
#include "parametertransfer.h"
#include "settingsstore.h"
#include "simportdevice.h"

using Lines = QList<QByteArray>;

inline const QString WrongData = u"Communication error occurs!\r\ntransmit data is wrong"_qs;
inline const QString Timeout =
    u"Communication timeout error!\r\n\r\nCheck the followings;\r\n\r\n 1.Power ON for "
    "controller?\r\n\r\n 2.Communication cables are connected?"_qs;

// The simulator's line; it can cut two characters out of the reply to the
// shortNth "0RD1" (counted from 0; -1: none).
class TestLine : public SimPortDevice {
public:
  int shortNth = -1;
  QByteArray readAll() override {
    QByteArray bytes = SimPortDevice::readAll();
    if (shortNth >= 0 && bytes.startsWith("0RD1") && shortNth-- == 0)
      bytes.remove(4, 2);
    return bytes;
  }
};

// The loaded page showing the standard set, on the simulator.
struct ParamRig : PageRig {
  FrmTrance t;
  SettingsStore store;
  TestLine line;
  Link link{m, f, dialogs, store, &line};
  ParameterTransfer transfer{m, f, t, dialogs, link, page};

  ParamRig() {
    m.PortOccupy = false;
    link.Get_ErrorList();
    page.mainWindowLoad();
    show(standard28());
  }
  ControllerSim &sim() { return *line.sim(); }
  Lines wire() { return sim().receivedLines(); }
  // "name=text" for each box or list.
  void edit(const QStringList &edits) {
    for (const QString &e : edits)
      f.find(e.section(u'=', 0, 0))->setText(e.section(u'=', 1));
  }
  // What every command leaves behind, whatever its outcome.
  bool settled() {
    return f.cmdParaRead.isEnabled() && f.cmdConpareFile.isEnabled() && f.cmdLoadtoCt.isEnabled() &&
           f.SSTab1.isTabEnabled(0) && f.mnuCont.isEnabled() && !f.ProgressBar1.isVisible() &&
           !t.form.isVisible() && dialogs.busyDepth == 0 && !line.isOpen();
  }
};
#endif
