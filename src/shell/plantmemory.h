#pragma once
#include "dialogs.h"
#include "historydb.h"
#include "parametaset.h"
#include "posirecord.h"

#include <memory>
#include <optional>

class Program;

// What the program remembers of the plant: the named line in use, every set
// read from or written to a controller (kept after each command, from its
// outcome), alarms, the drift check, restores and the safe write. A history
// that cannot be kept is told and changes nothing of the command it records.
class PlantMemory {
public:
  explicit PlantMemory(Program &p);

  // The database the "HistoryDatabase" setting names, opened on first use.
  HistoryDb &db();

  // The named line in use; empty when the line is only a port or device.
  QString lineName;
  // How entries name the line in use: its name, else its address.
  QString lineLabel() const;
  QString address() const;
  // Makes the line of that name the one in use (its port number, or its
  // device on the port number in use); false and told when there is none.
  bool useLine(const QString &name);
  // The window's choice: the line used, kept as the setting "Line" for the
  // next start, and named in the status bar; false and told when there is none.
  bool chooseLine(const QString &name);
  // No named line in use any more (the operator chose a port instead).
  void forgetLine();
  // At start: the line chosen last time, used again if it is still registered.
  void resumeLine();
  // What a line's address may be: a port number 1 to 32, a device path, or
  // tcp://HOST:PORT or rfc2217://HOST:PORT.
  static bool isLineAddress(const QString &address);

  // Off, nothing is kept (a run that only warms the program's paths).
  bool keeping = true;

  // A backup before each write and a read-back after it ("SafeWrite").
  bool safe() const;
  std::optional<bool> safeOverride; // kov-t6-cli --safe

  // Keeps what the command that just ended did, from its outcome; the sets
  // as the page and the data fields now hold them. The entry's number, or 0
  // when it was not kept (told, the command's result unchanged).
  qint64 keep(const QString &command, const Outcome &o);
  // An alarm the controller reported: its key and the error list's text.
  void alarm(const QString &key, const QString &text);

  // The drift check: the controller's parameters and index data now against
  // the line's reference. 0 the same, 1 drifted (the differences in the
  // outcome), -1 no answer or nothing to check against (told).
  qint16 check();
  // Writes an entry's set back to the controller after asking, as a safe
  // write: 0 written and read back the same.
  qint16 restore(qint64 id);

  // The parameter set and index data an entry's bytes hold.
  static std::optional<ParametaRecord> paramsOf(const QByteArray &pmt);
  static std::optional<PosiRow> posiOf(const QByteArray &ztd);
  // The index data's values an entry or a drift shows: the column of the
  // position row and the message naming it.
  static constexpr std::pair<int, int> PosiColumns[] = {{1, 3002}, {2, 3003}, {6, 3004}, {7, 3005}, {5, 3008}};
  // "GROUP NAME: A → B" a difference, each line ended by `end`.
  static QString differenceLines(const QList<Outcome::Difference> &list, const QString &end);
  // The differences between two sets as the controller would receive them.
  QList<Outcome::Difference> differences(const HistoryDb::Entry &a, const HistoryDb::Entry &b) const;
  // The parameter set an entry holds, for a comparison; nullopt when it has
  // none or the history failed (told).
  std::optional<ParametaRecord> entryParams(qint64 id);

private:
  bool backupParams();
  bool backupPosi();
  bool keepBackup(const QString &command, const QByteArray &set, QByteArray HistoryDb::Entry::*field);
  qint16 readBack(bool params);
  bool tell(qint64 kept);
  std::optional<ParametaRecord> readParams();
  std::optional<PosiRow> readPosi();
  HistoryDb::Entry entryNow(const QString &command) const;

  Program &p_;
  struct Sets {
    QByteArray params, posi;
  } lastSets_; // what the last check read, or the last restore wrote
  qint64 before_ = 0; // the safe write's backup entry
};
