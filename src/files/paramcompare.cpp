#include "paramcompare.h"
#include "commandlock.h"
#include "dialogs.h"
#include "frmmain.h"
#include "link.h"
#include "module1.h"
#include "parameterfile.h"
#include "parameterpage.h"
#include "parametertransfer.h"

#include <QDir>
#include <QFileInfo>

ParamCompare::ParamCompare(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, Link &link, ParameterPage &page,
                           ParameterTransfer &transfer, ParameterFile &file)
    : m_(m), f_(frmMain), dialogs_(dialogs), link_(link), page_(page), transfer_(transfer), file_(file) {}

bool ParamCompare::chooseFile(int side) {
  const QString path =
      dialogs_.openFileName({m_.msg(5263), m_.msg(1827), QString(), QStringLiteral("pmt")});
  if (path.isEmpty())
    return false;
  (side == 0 ? a : b).path = path;
  if (side == 0)
    a.source = Source::File; // in place of a history entry
  clear();
  return true;
}

void ParamCompare::chooseSourceB(Source source) {
  if (b.source == source)
    return;
  b.source = source;
  clear();
}

void ParamCompare::clear() {
  report_ = {};
  Q_EMIT reportChanged();
}

qint16 ParamCompare::run() {
  if (a.source == Source::File && a.path.isEmpty()) {
    dialogs_.message(m_.told(5266));
    return -1;
  }
  const qint16 result = compare(a, b);
  // Against the controller, the comparison is part of the line's history.
  if (a.source == Source::Controller || b.source == Source::Controller)
    Q_EMIT f_.commandEnded(QStringLiteral("params diff"), result == 0 ? 0 : 1);
  return result;
}

qint16 ParamCompare::compare(const Side &sideA, const Side &sideB) {
  const bool controller = sideA.source == Source::Controller || sideB.source == Source::Controller;
  std::optional<ParametaRecord> pa, pb;
  if (controller && lineInUse && lineInUse())
    dialogs_.message(m_.told(5329));
  else if ((pa = load(sideA)))
    pb = load(sideB);
  if (!pa || !pb) {
    clear();
    return -1;
  }
  report_ = {title(sideA), title(sideB), source(sideA), source(sideB), QDateTime::currentDateTime(),
             paramdiff::Compare(*pa, *pb, m_.messages())};
  const int n = differences();
  for (const paramdiff::Row &row : report_.rows)
    if (row.differs)
      dialogs_.outcome.differences.append({paramdiff::GroupName(row.group), row.name, row.a, row.b});
  dialogs_.outcome.differs = n > 0;
  dialogs_.done(n == 0 ? m_.told(5268) : m_.told(n == 1 ? 5321 : 5267).arg(n));
  Q_EMIT reportChanged();
  return n == 0 ? 0 : 1;
}

std::optional<ParametaRecord> ParamCompare::load(const Side &side) {
  switch (side.source) {
  case Source::File: {
    // As the page would write it, the special group as the file has it.
    const ParaRecordRead read = file_.readRecord(side.path);
    if (!read.record) {
      dialogs_.message(m_.told(681), Dialogs::Buttons::Ok, Dialogs::Icon::None, read.failure);
      return std::nullopt;
    }
    return PageFixedValues(*read.record, true);
  }
  case Source::Screen:
    // An empty box has no value to compare.
    if (page_.BlankParaCheck() == 1) {
      dialogs_.message(m_.told({7, 8}));
      return std::nullopt;
    }
    return page_.screenRecord();
  case Source::Controller: {
    CommandLock locked(f_, {CommandLock::Group::ParaCommand});
    const auto list = transfer_.ReadParaBlocks();
    locked.release();
    if (!list)
      return std::nullopt; // the link has said why
    ParametaRecord p;
    bool encoder = false, editable = false;
    ::CopyParaArray(*list, p, encoder, editable);
    return p;
  }
  case Source::Standard: {
    const auto p = page_.standardSet(side.size, side.encoder);
    if (!p) {
      dialogs_.message(m_.told({28, 29}));
      return std::nullopt;
    }
    return PageFixedValues(*p, true);
  }
  case Source::Entry:
    return entrySet ? entrySet(side.entry) : std::nullopt;
  }
  return std::nullopt;
}

QString ParamCompare::title(const Side &side) const {
  switch (side.source) {
  case Source::File: return QFileInfo(side.path).fileName();
  case Source::Screen: return m_.msg(5249);
  case Source::Controller: return m_.msg(5250) + QStringLiteral(" (") + link_.portLabel(m_.PortNo, false) + u')';
  case Source::Standard: return m_.msg(side.encoder ? 5262 : 5261).arg(side.size);
  case Source::Entry: return m_.msg(5390).arg(side.entry).arg(side.path);
  }
  return {};
}

QString ParamCompare::source(const Side &side) const {
  if (side.source == Source::File)
    return QDir::toNativeSeparators(QFileInfo(side.path).absoluteFilePath());
  return title(side);
}

ParamCompare::Report ParamCompare::shown() const {
  Report r = report_;
  if (differencesOnly)
    r.rows.removeIf([](const paramdiff::Row &row) { return !row.differs; });
  return r;
}

QString ParamCompare::countsText() const {
  const int n = differences();
  return m_.msg(n == 1 ? 5320 : 5254).arg(n).arg(report_.rows.size());
}

QString ParamCompare::text() const {
  const Report r = shown();
  QString out = m_.msg(5259) + u'\t' + m_.msg(5260) + u'\t' + r.titleA + u'\t' + r.titleB + u'\n';
  for (const paramdiff::Row &row : r.rows)
    out += paramdiff::GroupName(row.group) + u'\t' + row.name + u'\t' + row.a + u'\t' + row.b +
           (row.differs ? QStringLiteral("\t*\n") : QStringLiteral("\n"));
  return out;
}

QString ParamCompare::copyText() {
  dialogs_.done(m_.told(5324).arg(shown().rows.size()).arg(report_.rows.size()));
  return text();
}
