#include "parameterfile.h"
#include "basic.h"
#include "commandlock.h"
#include "dialogs.h"
#include "frmmain.h"
#include "hexpad.h"
#include "module1.h"
#include "parameterpage.h"
#include "sequentialfile.h"
#include "wholefile.h"

#include <QLocale>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace parafile {

namespace {

struct Group {
  const char *name;
  int count;
};
constexpr Group Groups[] = {{"HOME", 5},    {"AXIS", 7},    {"PG", 2},
                            {"ETC", 8},     {"SPECIAL", 6}, {"RESERVED", 7}};
constexpr int GroupCount = 6;
constexpr int ActCodeNo = 12;
constexpr int LastEntry = 40;

QByteArray number(double v) {
  if (std::abs(v) < 1e15 && v == std::trunc(v))
    return QByteArray::number(qint64(v));
  // The shortest text that reads back as the same number.
  return QByteArray::number(v, 'g', QLocale::FloatingPointShortest);
}

// Fields 1..35 in file order.
QList<QByteArray> values(const ParametaRecord &p) {
  QList<QByteArray> v{number(p.HomeOffset), number(p.Aux02),      number(p.HomeVel),
                      number(p.HomeOfsVel), number(p.Aux05),      number(p.Aux06),
                      number(p.Aux07),      number(p.AxisPulse),  number(p.AxisAutoDrv),
                      number(p.Aux10),      number(p.AxisKind),   '"' + p.ActCode.toUtf8() + '"',
                      number(p.PgFunc),     number(p.PgAlarm),    number(p.HomeOut),
                      number(p.Aux16),      number(p.Aux17),      number(p.Aux18),
                      number(p.InpLimit),   number(p.Aux20),      number(p.Aux21),
                      number(p.Aux22),      number(p.PgCheckTimer), number(p.AutoHome),
                      number(p.LsSerchTimer), number(p.EmgLogic), number(p.AlarmAutoClear),
                      number(p.Aux28)};
  for (qint16 r : p.Reserved)
    v << number(r);
  return v;
}

std::optional<qint64> wholeIn(const QVariant &v, qint64 lo, qint64 hi) {
  const auto n = NumberIn(v);
  if (!n)
    return std::nullopt;
  const double r = RoundHalfEven(*n);
  if (r < double(lo) || r > double(hi))
    return std::nullopt;
  return qint64(r);
}

} // namespace

QByteArray Format(const ParametaRecord &p) {
  const QList<QByteArray> v = values(p);
  QByteArray out = "\"ZT-KOV\",\"PRM\"\r\n" + QByteArray::number(GroupCount) + "\r\n";
  qsizetype next = 0;
  for (const Group &g : Groups) {
    out += '"' + QByteArray(g.name) + "\"," + QByteArray::number(g.count) + ",1\r\n";
    for (int k = 0; k < g.count; ++k)
      out += v[next++] + "\r\n";
  }
  return out;
}

std::optional<double> NumberIn(const QVariant &v) {
  bool ok = false;
  const double d = v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok)
                                                    : v.toDouble(&ok);
  if (!ok || !std::isfinite(d))
    return std::nullopt;
  return d;
}

Parsed Parse(const QString &text) {
  SequentialFields fields(text);
  Parsed out;
  auto fault = [&](Fault f) {
    out.fault = f;
    out.faultLine = fields.line();
    return out;
  };
  QString model, kind, groups;
  if (!fields.read(&model) || !fields.read(&kind) || !fields.read(&groups))
    return fault(Fault::Truncated);
  if (model != u"ZT-KOV" || kind != u"PRM") {
    out.result = ReadResult::NotOurs;
    return out;
  }
  const auto groupCount = NumberIn(groups);
  if (!groupCount)
    return fault(Fault::NotANumber);
  if (*groupCount < 0 || *groupCount > 1000)
    return fault(Fault::Layout);
  ParametaList list;
  list.fill(QString());
  const int last = params::CInt(*groupCount - 1);
  int n = 1;
  for (int g = 0; g <= last; ++g) {
    const Group &expected = Groups[std::min(g, GroupCount - 1)];
    QString name, count, unused;
    if (!fields.read(&name) || !fields.read(&count) || !fields.read(&unused))
      return fault(Fault::Truncated);
    if (name != QLatin1String(expected.name) || NumberIn(count) != double(expected.count))
      return fault(Fault::Layout);
    for (int k = 0; k < expected.count; ++k) {
      QString value;
      if (n > LastEntry)
        return fault(Fault::Layout);
      if (!fields.read(&value))
        return fault(Fault::Truncated);
      // A value with a quotation mark: a damaged field, never one the program wrote.
      if (value.contains(u'"'))
        return fault(Fault::Layout);
      out.lines[std::size_t(n)] = fields.line();
      list[std::size_t(n++)] = value;
    }
  }
  out.result = ReadResult::Read;
  out.list = list;
  return out;
}

std::optional<ParametaRecord> CopyParaFileArray(const ParametaList &a, const ParametaRecord &base,
                                                int *badEntry) {
  ParametaRecord p = base;
  bool ok = true;
  auto bad = [&](int n) {
    if (ok && badEntry)
      *badEntry = n;
    ok = false;
  };
  auto real = [&](int n, double &field) {
    if (const auto v = NumberIn(a[std::size_t(n)]))
      field = *v;
    else
      bad(n);
  };
  auto whole = [&](int n, auto &field) {
    using T = std::remove_reference_t<decltype(field)>;
    if (const auto v = wholeIn(a[std::size_t(n)], std::numeric_limits<T>::min(),
                               std::numeric_limits<T>::max()))
      field = T(*v);
    else
      bad(n);
  };
  real(1, p.HomeOffset);
  whole(2, p.Aux02);
  whole(3, p.HomeVel);
  whole(4, p.HomeOfsVel);
  whole(5, p.Aux05);
  real(6, p.Aux06);
  whole(7, p.Aux07);
  whole(8, p.AxisPulse);
  whole(9, p.AxisAutoDrv);
  whole(10, p.Aux10);
  whole(11, p.AxisKind);
  p.ActCode = a[ActCodeNo].toString();
  whole(13, p.PgFunc);
  real(14, p.PgAlarm);
  whole(15, p.HomeOut);
  whole(16, p.Aux16);
  real(17, p.Aux17);
  real(18, p.Aux18);
  whole(19, p.InpLimit);
  whole(20, p.Aux20);
  whole(21, p.Aux21);
  whole(22, p.Aux22);
  whole(23, p.PgCheckTimer);
  whole(24, p.AutoHome);
  whole(25, p.LsSerchTimer);
  whole(26, p.EmgLogic);
  whole(27, p.AlarmAutoClear);
  whole(28, p.Aux28);
  for (int w = 0; w < 7; ++w)
    whole(29 + w, p.Reserved[std::size_t(w)]);
  // The actuator travels inside ActCode: size, type letter, model number.
  p.ActSize = p.ActCode.left(2);
  p.ActType = p.ActCode.mid(2, 1).trimmed();
  if (const auto model = wholeIn(p.ActCode.mid(3, 3), 0, std::numeric_limits<qint16>::max()))
    p.ActModelNo = qint16(*model);
  else
    bad(ActCodeNo);
  if (!ok)
    return std::nullopt;
  return p;
}

} // namespace parafile

ParameterFile::ParameterFile(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, ParameterPage &page)
    : m_(m), f_(frmMain), dialogs_(dialogs), page_(page) {
  f_.cmdSaveParaFile.onClick([this] { cmdSaveParaFile_Click(); });
  f_.cmdReadParaFile.onClick([this] { cmdReadParaFile_Click(); });
  page_.saveAs = [this] { return SaveParaFileProc() == 0; };
}

CommandLock ParameterFile::lock() {
  return CommandLock(f_, {CommandLock::Group::ParameterButtons, CommandLock::Group::Menus});
}

qint16 ParameterFile::cmdSaveParaFile_Click() {
  const CommandLock locked = lock();
  return SaveParaFileProc();
}

qint16 ParameterFile::cmdReadParaFile_Click() {
  const CommandLock locked = lock();
  return ReadParaFileProc();
}

qint16 ParameterFile::SaveParaFileProc() {
  if (page_.BlankParaCheck() == 1) {
    dialogs_.message(m_.told({7, 8}));
    return 1;
  }
  page_.TorikomiParametaValue();
  if (!page_.valuesInRange()) {
    dialogs_.message(m_.told({9, 10}));
    return 1;
  }
  const QString path =
      dialogs_.saveFileName({m_.msg(11), m_.msg(1827), m_.msg(12), QStringLiteral("pmt")});
  if (path.isEmpty())
    return 1;
  SaveFailed = false;
  dialogs_.setBusy(true);
  WriteParaFile(path);
  dialogs_.setBusy(false);
  if (SaveFailed) {
    dialogs_.message(m_.told(13), Dialogs::Buttons::Ok, Dialogs::Icon::None,
                     path + QStringLiteral("\r\n") + saveError_);
    return 1;
  }
  dialogs_.message(m_.told(14));
  page_.document.setPath(path);
  dialogs_.done(m_.told(5103).arg(QFileInfo(path).fileName()));
  return 0;
}

QByteArray parafile::Compose(ParametaRecord p) {
  p.ActCode = p.ActSize + p.ActType + QString::fromLatin1(DecPad(p.ActModelNo, 3));
  return Format(p);
}

void ParameterFile::WriteParaFile(const QString &fileName) {
  ParametaRecord &p = page_.ParametaSet;
  p.ActCode = p.ActSize + p.ActType + QString::fromLatin1(DecPad(p.ActModelNo, 3));
  if (!wholefile::Save(fileName, parafile::Format(p), &saveError_))
    SaveFailed = true;
}

qint16 ParameterFile::ReadParaFileProc() {
  if (!page_.askBeforeReplacing())
    return 1;
  const QString path =
      dialogs_.openFileName({m_.msg(686), m_.msg(1827), QString(), QStringLiteral("pmt")});
  if (path.isEmpty())
    return 1;
  ParaFileRead read = ReadParaFile(path);
  const auto p = read.list ? CopyParaFileArray(read, page_.ParametaSet) : std::nullopt;
  if (!p) {
    dialogs_.message(m_.told(681), Dialogs::Buttons::Ok, Dialogs::Icon::None, read.failure);
    return 1;
  }
  page_.ParametaSet = *p;
  page_.ParametaHyoji();
  page_.document.setPath(path);
  dialogs_.done(m_.told(5102).arg(QFileInfo(path).fileName()));
  return 0;
}

ParaFileRead ParameterFile::ReadParaFile(const QString &fileName) {
  const Messages msg = m_.messages();
  ParaFileRead out;
  auto failed = [&](const QString &reason) {
    out.failure = fileName + QStringLiteral("\r\n") + reason;
    return out;
  };
  const wholefile::Read file = wholefile::ReadFile(fileName);
  if (!file.ok())
    return failed(wholefile::Reason(file, msg));
  const parafile::Parsed parsed = parafile::Parse(wholefile::Text(file.bytes));
  switch (parsed.result) {
  case parafile::ReadResult::NotOurs:
    dialogs_.message(msg.told({22, 20}));
    return failed(msg.text(22));
  case parafile::ReadResult::Damaged:
    switch (parsed.fault) {
    case parafile::Fault::NotANumber: return failed(msg.text(5003).arg(parsed.faultLine));
    case parafile::Fault::Layout: return failed(msg.text(5006).arg(parsed.faultLine));
    default: return failed(msg.text(5002));
    }
  case parafile::ReadResult::Read:
    break;
  }
  out.list = parsed.list;
  (*out.list)[0] = QFileInfo(fileName).fileName();
  out.lines = parsed.lines;
  out.failure = fileName;
  return out;
}

std::optional<ParametaRecord> ParameterFile::CopyParaFileArray(ParaFileRead &read,
                                                               const ParametaRecord &base) {
  int bad = 0;
  const auto p = parafile::CopyParaFileArray(*read.list, base, &bad);
  if (!p) {
    // An entry the file never reached has no line to name.
    const int line = read.lines[std::size_t(std::clamp(bad, 0, 40))];
    read.failure += QStringLiteral("\r\n") + (line > 0 ? m_.msg(5003).arg(line) : m_.msg(5002));
  }
  return p;
}

ParaRecordRead ParameterFile::readRecord(const QString &fileName) {
  ParaFileRead read = ReadParaFile(fileName);
  ParaRecordRead out;
  // Every field but MotorCode comes from the file, so no base is needed.
  if (read.list)
    out.record = CopyParaFileArray(read, ParametaRecord{});
  out.failure = read.failure;
  return out;
}
