#pragma once
#include "parametaset.h"

#include <QObject>
#include <array>
#include <optional>

class CommandLock;
class Dialogs;
class FrmMain;
class ParameterPage;
struct Module1;

// The parameter file (".pmt"): parameters 1 to 35 in six named groups,
// 43 lines in the sequential-write convention.
namespace parafile {

// The file's bytes from the set, its ActCode as it stands.
QByteArray Format(const ParametaRecord &p);
// The same with ActCode composed from the size, type and model, as a save writes it.
QByteArray Compose(ParametaRecord p);

enum class ReadResult { Read, NotOurs, Damaged };
enum class Fault { None, Truncated, NotANumber, Layout };
struct Parsed {
  ReadResult result = ReadResult::Damaged;
  ParametaList list; // entries 1 onwards in file order, the others empty
  std::array<int, 41> lines{}; // the line of each entry
  Fault fault = Fault::None;   // why a file is Damaged, at `faultLine`
  int faultLine = 0;
};
// Damaged also covers group counts other than the layout's: values would
// land in the wrong parameters.
Parsed Parse(const QString &text);

// A number, or a text that is a number and nothing else; nullopt otherwise.
std::optional<double> NumberIn(const QVariant &v);

// Parameters 1 to 35 and the actuator (from ActCode) into a copy of `base`;
// nullopt when an entry is no number of its field's type (the first such
// entry in `badEntry`).
std::optional<ParametaRecord> CopyParaFileArray(const ParametaList &a, const ParametaRecord &base,
                                                int *badEntry = nullptr);

} // namespace parafile

// A parameter file as read: its entries, or why it was refused.
struct ParaFileRead {
  std::optional<ParametaList> list; // entry 0 the file's name; nullopt when refused
  // Shown under message 681: the path, then the reason when there is one.
  QString failure;
  std::array<int, 41> lines{}; // the line of each entry
};

// A parameter file's set, or why it cannot be used.
struct ParaRecordRead {
  std::optional<ParametaRecord> record;
  QString failure; // as ParaFileRead's
};

// The save and open commands of the parameter file.
class ParameterFile : public QObject {
  Q_OBJECT
public:
  ParameterFile(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, ParameterPage &page);

  // The last save failed; cleared before each save.
  bool SaveFailed = false;

  // The operator commands: 0 when the file was saved or opened and shown,
  // 1 otherwise (cancelled, or reported).
  qint16 cmdSaveParaFile_Click();
  qint16 cmdReadParaFile_Click();

  qint16 SaveParaFileProc();
  // Composes ActCode and writes the set whole or not at all: an existing
  // file stays until the new one is complete.
  void WriteParaFile(const QString &fileName);
  qint16 ReadParaFileProc();
  // The file's entries, or why not. Another kind of file is said so.
  ParaFileRead ReadParaFile(const QString &fileName);
  // The entries over `base`; nullopt when an entry could not be converted,
  // its line then added to `read.failure`.
  std::optional<ParametaRecord> CopyParaFileArray(ParaFileRead &read, const ParametaRecord &base);
  // A file's parameters, the set and the page left alone; no record when the
  // file is refused or damaged (message 681 is the caller's).
  ParaRecordRead readRecord(const QString &fileName);

private:
  CommandLock lock();

  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  ParameterPage &page_;
  QString saveError_;
};
