#pragma once
#include "paramdiff.h"

#include <QDateTime>
#include <QObject>
#include <functional>
#include <optional>

class Dialogs;
class FrmMain;
class Link;
class ParameterFile;
class ParameterPage;
class ParameterTransfer;
struct Module1;

// Compare Parameter Files: a parameter file against a second file, the
// screen, the controller or a standard set, parameter by parameter as each
// would be written. Nothing on the page, in the files or in the controller
// changes.
class ParamCompare : public QObject {
  Q_OBJECT
public:
  enum class Source { File, Screen, Controller, Standard, Entry };
  struct Side {
    Source source = Source::File;
    QString path;         // a file; a history entry: its time and line
    QString size;         // a standard set: its actuator size
    bool encoder = false; // ... and whether an encoder is fitted
    qint64 entry = 0;     // a history entry's number

    static Side file(const QString &path) { return {Source::File, path, {}, false}; }
    static Side of(Source source) { return {source, {}, {}, false}; }
    static Side standard(const QString &size, bool encoder) { return {Source::Standard, {}, size, encoder}; }
    static Side historyEntry(qint64 id, const QString &when) { return {Source::Entry, when, {}, false, id}; }
  };
  struct Report {
    QString titleA, titleB;   // short, for the table's columns
    QString sourceA, sourceB; // in full: a file with its folder
    QDateTime when;
    QList<paramdiff::Row> rows;
  };

  ParamCompare(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, Link &link, ParameterPage &page,
               ParameterTransfer &transfer, ParameterFile &file);

  // What the window has chosen.
  Side a, b = Side::of(Source::Screen);
  bool differencesOnly = false;
  // Whether another command holds the line (the I/O monitor); the
  // controller is then not read.
  std::function<bool()> lineInUse;
  // The parameter set of a history entry; nullopt when there is none (told).
  std::function<std::optional<ParametaRecord>(qint64 id)> entrySet;

  // A file for side 0 (A) or 1 (B) from the open dialog; false when cancelled.
  // A new side ends the comparison shown, which no longer describes it.
  bool chooseFile(int side);
  void chooseSourceB(Source source);
  // Compares a with b: 0 equal, 1 different, -1 not compared (reported,
  // and no comparison is left on show).
  qint16 run();
  qint16 compare(const Side &sideA, const Side &sideB);
  void clear();

  // The last comparison, every parameter.
  const Report &report() const { return report_; }
  // The rows the window shows: all, or the differing ones.
  Report shown() const;
  int differences() const { return paramdiff::Differences(report_.rows); }
  QString countsText() const;
  // The rows shown, tab-separated with a heading line, for the clipboard.
  QString text() const;
  // The same, said in the status line as copied.
  QString copyText();

  // A side's parameters as written; nullopt when it cannot be had (said).
  std::optional<ParametaRecord> load(const Side &side);
  QString title(const Side &side) const;
  QString source(const Side &side) const;

Q_SIGNALS:
  // A comparison was made, failed or ended: report() changed.
  void reportChanged();

private:
  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  Link &link_;
  ParameterPage &page_;
  ParameterTransfer &transfer_;
  ParameterFile &file_;
  Report report_;
};
