#include "positionfile.h"
#include "commandlock.h"
#include "frmmain.h"
#include "indexdata.h"
#include "indexrules.h"
#include "module1.h"
#include "sequentialfile.h"
#include "wholefile.h"

#include <QFileInfo>
#include <array>
#include <tuple>

namespace positionfile {

QByteArray Format(const PosiRow &row) {
  QByteArray record = "0";
  for (int col = 1; col <= 8; ++col)
    record += ",\"" + row[col].toString().trimmed().toUtf8() + "\"";
  return "\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n" + record + "\r\n";
}

namespace {
// The record's fields into a fresh row: index, velocity, acceleration, two
// controller fields, direction, division, gear ratio, the empty column.
// A field that is not a number leaves its line in `badLine`.
std::optional<PosiRow> readRecord(SequentialFields &fields, const QString &first, int *badLine) {
  QString index = first, vel, acc, c3, c4, dir, div, gear, last;
  const int firstLine = fields.line();
  std::array<int, 9> lines{firstLine};
  int k = 1;
  for (QString *f : {&vel, &acc, &c3, &c4, &dir, &div, &gear, &last}) {
    if (!fields.read(f))
      return std::nullopt;
    lines[std::size_t(k++)] = fields.line();
  }
  const auto v = ToInt16(vel), a = ToInt16(acc), d = ToInt16(dir);
  const auto n = ToInt32(div), g = ToInt32(gear);
  const std::pair<bool, int> checks[] = {{IsNumeric(index), 0}, {bool(v), 1}, {bool(a), 2},
                                         {bool(d), 5},          {bool(n), 6}, {bool(g), 7}};
  for (const auto &[ok, field] : checks)
    if (!ok) {
      *badLine = lines[std::size_t(field)];
      return std::nullopt;
    }
  PosiRow row;
  row[1] = int(*v);
  row[2] = int(*a);
  row[5] = int(*d);
  row[6] = int(*n);
  row[7] = int(*g);
  return row;
}
} // namespace

qint16 ReadPosiDataFile(const QString &path, PosiRow &recv, Dialogs &dialogs, const Module1 &m) {
  const Messages msg = m.messages();
  auto damaged = [&](const QString &reason) {
    dialogs.message(msg.told(3009), Dialogs::Buttons::Ok, Dialogs::Icon::None,
                    path + QStringLiteral("\r\n") + reason);
    return qint16(1);
  };
  auto refuse = [&] {
    dialogs.message(msg.told(21) + QStringLiteral("\r\n\r\n") + msg.told(20),
                    Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
    return qint16(1);
  };
  const wholefile::Read file = wholefile::ReadFile(path);
  if (!file.ok())
    return damaged(wholefile::Reason(file, msg));
  SequentialFields fields(wholefile::Text(file.bytes));
  const QString truncated = msg.text(5002);
  QString model, kind, header, keyword;
  if (!fields.read(&model) || !fields.read(&kind) || model != QLatin1String("ZT-M5") ||
      kind != QLatin1String("Position"))
    return refuse();
  if (!fields.read(&header))
    return damaged(truncated);
  if (header.size() > 5)
    return refuse();
  // Older files have no keyword: the record follows the header field.
  if (!fields.read(&keyword))
    return damaged(truncated);
  QString first = keyword;
  if ((keyword == QLatin1String("NEW") || keyword == QLatin1String("OLD")) && !fields.read(&first))
    return damaged(truncated);
  // A damaged file is said so, and changes nothing.
  int badLine = 0;
  const auto row = readRecord(fields, first, &badLine);
  if (!row)
    return damaged(badLine ? msg.text(5003).arg(badLine) : truncated);
  for (int col : {1, 2, 5, 6, 7})
    recv[col] = (*row)[col];
  return 0;
}

} // namespace positionfile

PositionFile::PositionFile(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, IndexData &data)
    : m_(m), f_(frmMain), dialogs_(dialogs), data_(data) {
  f_.cmdSaveFile.onClick([this] { cmdSaveFile_Click(); });
  f_.mnuFileSaveAs.onClick([this] { mnuFileSaveAs_Click(); });
  f_.cmdFileOpen.onClick([this] { FileOpenProc(); });
  f_.mnuFileOpen.onClick([this] { FileOpenProc(); });
  data_.saveAs = [this] { return SaveFileProc(); };
}

Dialogs::FileDialog PositionFile::fileDialog(int title) const {
  return {m_.msg(title), m_.msg(351), title == 406 ? m_.msg(3006) : QString(), m_.msg(51)};
}

void PositionFile::cmdSaveFile_Click() {
  const CommandLock locked(f_, {CommandLock::Group::DataCommand});
  mnuFileSaveAs_Click();
}

void PositionFile::mnuFileSaveAs_Click() {
  const CommandLock locked(f_, {CommandLock::Group::Commands, CommandLock::Group::Menus});
  SaveFileProc();
}

bool PositionFile::SaveFileProc() {
  if (data_.PosiDataCheckAndTorikomi() == 1)
    return false;
  const QString path = dialogs_.saveFileName(fileDialog(406));
  if (path.isEmpty())
    return false;
  return SaveFileAs(path);
}

bool PositionFile::SaveFileAs(const QString &path) {
  dialogs_.setBusy(true);
  QString reason;
  const bool saved = wholefile::Save(path, positionfile::Format(data_.PosiData), &reason);
  dialogs_.setBusy(false);
  if (!saved) {
    dialogs_.message(m_.told(3011) + QStringLiteral("\r\n") + path + QStringLiteral("\r\n") + reason,
                     Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
    return false;
  }
  data_.document.setPath(path);
  dialogs_.done(m_.told(5103).arg(QFileInfo(path).fileName()));
  return true;
}

qint16 PositionFile::FileOpenProc() {
  data_.SuppressVelCalc = true;
  CommandLock locked(f_, {CommandLock::Group::DataCommand});
  const qint16 opened = OpenFileData();
  locked.release();
  // The fields stay filled for the operator to judge, but the open did not
  // succeed: a command line must not write what it could not show.
  qint16 result = opened;
  if (opened == 0 && !data_.setListsFromScreen(ListRule::AfterOpen)) {
    dialogs_.message(m_.told(3009));
    result = 1;
  }
  if (result == 0)
    result = ValueRemovedOnOpen();
  if (result == 0)
    dialogs_.done(m_.told(5102).arg(QFileInfo(data_.document.path()).fileName()));
  data_.SuppressVelCalc = false;
  return result;
}

qint16 PositionFile::ValueRemovedOnOpen() {
  // A value the fields do not take was removed by their entry rules: say
  // which, and do not count the file as opened.
  for (const auto &[name, box, col] :
       {std::tuple{3004, &f_.txtDIVISION, 6}, std::tuple{3005, &f_.txtGEAR, 7}})
    if (box->text().isEmpty()) {
      dialogs_.status(m_.told(5007).arg(m_.msg(name), data_.PosiData[col].toString(),
                                       QStringLiteral("0"), QString::number(IndexEntryLimit)));
      return 1;
    }
  return 0;
}

qint16 PositionFile::OpenFileData() {
  if (!data_.askBeforeReplacing())
    return 1;
  const QString path = dialogs_.openFileName(fileDialog(364));
  if (path.isEmpty())
    return 1;
  if (positionfile::ReadPosiDataFile(path, data_.PosiDataRecv, dialogs_, m_) == 1)
    return 1;
  data_.PosiDataCopy();
  data_.showPosiData();
  data_.document.setPath(path);
  return 0;
}
