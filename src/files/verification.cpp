#include "verification.h"
#include "commandlock.h"
#include "dialogs.h"
#include "frmmain.h"
#include "module1.h"
#include "parameterfile.h"
#include "parameterpage.h"
#include "paramblocks.h"
#include "paramdiff.h"
#include "parametertransfer.h"

#include <QFileInfo>
#include <cmath>

namespace verify {

namespace {

constexpr int ReservedGroup = 5;
// Titles of groups 0..5; the reserved group has a title of its own.
constexpr int Titles[] = {673, 675, 676, 677, 678, 3012};

QString shown(double v) {
  if (std::abs(v) < 1e15 && v == std::trunc(v))
    return QString::number(qint64(v));
  return QString::number(v, 'g', 15);
}

} // namespace

std::optional<Comparison> CompareParaArray(const ParametaRecord &p, const ParametaList &a) {
  Comparison c;
  bool comparable = true;
  auto note = [&c](int group, const QString &name, const QString &screen, const QString &ref) {
    c.DiffList[std::size_t(group)] += name;
    QString bare = name;
    if (bare.endsWith(u','))
      bare.chop(1);
    c.differences << Difference{group, bare, screen, ref};
  };
  auto number = [&](int group, const QString &name, double screen, int entry) {
    const auto ref = parafile::NumberIn(a[std::size_t(entry)]);
    if (!ref)
      comparable = false;
    else if (screen != *ref)
      note(group, name, shown(screen), shown(*ref));
  };
  number(0, "OFFSET,", p.HomeOffset, 1);
  number(0, "VEL,", p.HomeVel, 3);
  number(0, "OFSVEL,", p.HomeOfsVel, 4);
  number(1, "PULSE,", p.AxisPulse, 8);
  number(1, "AUTODRIVE,", p.AxisAutoDrv, 9);
  // Size and type letter only: the model number is not compared.
  const QString screenMotor = p.ActCode.left(3), refMotor = a[12].toString().left(3);
  if (screenMotor != refMotor)
    note(1, QStringLiteral("MOTOR"), screenMotor, refMotor);
  number(2, "FUNCTION,", p.PgFunc, 13);
  number(2, "ALM,", p.PgAlarm, 14);
  number(3, "HOME OUT,", p.HomeOut, 15);
  number(3, "IN-P WID,", p.InpLimit, 19);
  number(4, "PG TIMER,", p.PgCheckTimer, 23);
  number(4, "AUTO HOME,", p.AutoHome, 24);
  number(4, "LS TIMER,", p.LsSerchTimer, 25);
  number(4, "EMG LOGIC,", p.EmgLogic, 26);
  number(4, "ALM1 CLEAR,", p.AlarmAutoClear, 27);
  for (int w = 0; w < 7; ++w)
    number(ReservedGroup, QStringLiteral("Reserved%1,").arg(w), p.Reserved[std::size_t(w)], 29 + w);
  if (!comparable)
    return std::nullopt;
  return c;
}

Told NgReport(const Groups &DiffList, const Messages &msg) {
  Told text = msg.told(823) + QStringLiteral("\r\n");
  for (int g = 0; g <= ReservedGroup; ++g)
    if (!DiffList[std::size_t(g)].isEmpty())
      text += u'<' + msg.text(Titles[g]) + QStringLiteral("> :") + DiffList[std::size_t(g)] +
              QStringLiteral("\r\n");
  return text;
}

QString Details(const QList<Difference> &differences, const Messages &msg) {
  QString text;
  int group = -1;
  for (const Difference &d : differences) {
    if (d.group != group) {
      group = d.group;
      text += u'<' + msg.text(Titles[group]) + QStringLiteral(">\r\n");
    }
    text += d.name + QStringLiteral(": ") + d.screen + QStringLiteral(" / ") + d.reference +
            QStringLiteral("\r\n");
  }
  return text;
}

} // namespace verify

Verification::Verification(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, ParameterPage &page,
                           ParameterTransfer &transfer, ParameterFile &file)
    : m_(m), f_(frmMain), dialogs_(dialogs), page_(page), transfer_(transfer), file_(file) {
  f_.cmdConpareCT.onClick([this] { Q_EMIT f_.commandEnded(QStringLiteral("params verify"), cmdConpareCT_Click()); });
  f_.cmdConpareFile.onClick([this] { cmdConpareFile_Click(); });
}

qint16 Verification::CompareParaArray(const ParametaList &a) {
  DiffList = {};
  differences_.clear();
  const auto c = verify::CompareParaArray(page_.ParametaSet, a);
  if (!c)
    return -1;
  DiffList = c->DiffList;
  differences_ = c->differences;
  return differences_.isEmpty() ? 0 : 1;
}

qint16 Verification::report(qint16 compared, const QString &fileName, const QString &failure) {
  const Messages msg = m_.messages();
  if (compared == -1) {
    dialogs_.message(msg.told(681), Dialogs::Buttons::Ok, Dialogs::Icon::None, failure);
  } else if (compared == 0) {
    dialogs_.message(msg.told(826));
    dialogs_.done(fileName.isEmpty() ? msg.told(5107) : msg.told(5108).arg(fileName));
  } else {
    dialogs_.outcome.differs = true;
    for (const verify::Difference &d : differences_)
      dialogs_.outcome.differences.append({paramdiff::GroupName(d.group), d.name, d.screen, d.reference});
    dialogs_.message(verify::NgReport(DiffList, msg), Dialogs::Buttons::Ok, Dialogs::Icon::None,
                     verify::Details(differences_, msg));
    dialogs_.done(msg.told(differences_.size() == 1 ? 5332 : 5109).arg(differences_.size()));
  }
  return compared;
}

bool Verification::screenChecked() {
  if (!page_.screenComplete())
    return false;
  page_.TorikomiParametaValue();
  if (!page_.valuesInRange()) {
    dialogs_.message(m_.told({1524, 1525}));
    return false;
  }
  return true;
}

qint16 Verification::cmdConpareCT_Click() {
  const CommandLock locked(f_, {CommandLock::Group::ParaCommand});
  return CompareWithCt();
}

qint16 Verification::CompareWithCt() {
  if (!screenChecked())
    return -1;
  const auto list = transfer_.ReadParaBlocks();
  if (!list)
    return -1;
  // Blocks always decode to numbers: the result is 0 or 1.
  qint16 compared = CompareParaArray(*list);
  // The current as it would be sent against the count the controller holds.
  if (page_.ParametaSet.ActSize == u"20") {
    const auto held = transfer_.ReadCurrentCount();
    if (!held)
      return -1;
    const int sent = paramblocks::CountOfCurrent(f_.txtDenryu.text()).value_or(-1);
    if (sent != *held) {
      DiffList[1] += QStringLiteral("CURRENT,");
      differences_ << verify::Difference{1, QStringLiteral("CURRENT"), f_.txtDenryu.text(),
                                         paramblocks::CurrentText(*held)};
      compared = 1;
    }
  }
  return report(compared);
}

qint16 Verification::cmdConpareFile_Click() {
  const CommandLock locked(f_, {CommandLock::Group::ParaCommand});
  return CompareWithFile();
}

qint16 Verification::CompareWithFile() {
  if (!screenChecked())
    return -1;
  if (dialogs_.message(m_.told(679), Dialogs::Buttons::OkCancel, Dialogs::Icon::Question) !=
      Dialogs::Answer::Ok)
    return -1;
  const QString path =
      dialogs_.openFileName({m_.msg(680), m_.msg(1827), QString(), QStringLiteral("pmt")});
  if (path.isEmpty())
    return -1;
  // A file refused or not comparable: 681.
  const ParaFileRead read = file_.ReadParaFile(path);
  return report(read.list ? CompareParaArray(*read.list) : qint16(-1), QFileInfo(path).fileName(),
                read.failure);
}
