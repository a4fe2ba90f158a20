#pragma once
#include "commands.h"
#include "consoledialogs.h"
#include "program.h"
#include "simportdevice.h"

#include <QJsonArray>
#include <QJsonObject>

namespace cli {

// One run of one command: the program with a console for its dialogs.
class Cli {
public:
  explicit Cli(ConsoleDialogs &d) : dialogs(d), program(d) {}

  // The command the words name, parsed, run and reported (text or JSON,
  // and the record line); the exit status.
  int run(QStringList words);

  int version(const Args &);
  int status(const Args &);
  int alarmReset(const Args &);
  int indexRead(const Args &);
  int indexWrite(const Args &);
  int paramsRead(const Args &);
  int paramsWrite(const Args &);
  int paramsVerify(const Args &);
  int paramsStandard(const Args &);
  int paramsDiff(const Args &);
  int home(const Args &);
  int move(const Args &);
  int io(const Args &);
  int ports(const Args &);
  int printIndex(const Args &);
  int printParams(const Args &);
  int printDiff(const Args &);
  int batch(const Args &);
  int check(const Args &);
  int restore(const Args &);
  int linesAdd(const Args &);
  int linesList(const Args &);
  int linesRemove(const Args &);
  int historyList(const Args &);
  int historyShow(const Args &);
  int historyDiff(const Args &);
  int historyExport(const Args &);
  int historyApprove(const Args &);

  ConsoleDialogs &dialogs;
  Program program;
  SimPortDevice simulated;
  bool json = false;     // one JSON object on standard output instead of text
  bool trace = false;    // every line over the wire to standard error
  QString record;        // --record: the commissioning record to append to
  QStringList passed;    // the options a batch gives each of its steps
  QString lineName;      // --line: the named line to use
  // A batch line's port, open from one step to the next: the run uses it in
  // place of the program's own, holds it open and leaves it open.
  SerialPortDevice *line = nullptr;
  static QString &ownFailure(); // the last line the tool itself said about a failure

  // A usage error said the tool's way.
  static int usage(const QString &problem);

private:
  void useLine();
  int failed(const QString &what);
  int finish(int code, const QString &what);
  // A value read: a "name: text" line, or under --json the value of `key`.
  void show(const QString &name, const QString &text, const QString &key = {}, bool number = true);
  void showValues(bool numbers = true);
  void showDifferences();
  // The history could not be read: said, exit 3.
  int historyFailed();
  // Whether the run named its line (--line, --device, --port).
  bool lineGiven() const;
  int printReport(const Args &args, bool index);
  int save(const QString &path, bool params);
  void unlockSpecial();
  bool openWithCurrent(const Args &args);
  QJsonObject jsonResult(const Command *command, const Args &args, int result, qint64 ms) const;
  bool writeRecord(const Command &command, const Args &args, int result);

  QJsonObject values; // --json: what a command shows beyond its outcome's values
};

// The text output, for every command of the run.
QTextStream &out();

} // namespace cli
