#pragma once
#include "parametaset.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <optional>

// The two lists shipped beside the program: the actuators that can be
// connected ("nztdevice.lst") and the factory values of the PG, ETC and
// SPECIAL groups ("rw3cmstpr.lst").
namespace stdlists {

inline constexpr char DevListFile[] = "nztdevice.lst";
inline constexpr char StdParaListFile[] = "rw3cmstpr.lst";

constexpr int MaxDevices = 70;
constexpr int MaxSizes = 6;
constexpr int StdRows = 21;
constexpr int StdColumns = 3;

// The sizes the size lists offer, item data being the position.
QStringList ActSizes();

// One actuator of the device list; the four further items are kept unread.
struct DevRecord {
  QString code;     // such as "28 L-100"
  QString sizePart; // characters 1..3
  QString typeLetter; // character 4
  qint16 modelNo = 0; // value of characters 6..8
  QStringList further;
};

struct DevListData {
  QList<DevRecord> records; // in file order
  QStringList sizes;        // distinct size parts in order of first appearance
};

// The device list from its text; nullopt when it cannot be used (a missing
// or unreadable item, no record, more than 70 records or 6 sizes).
std::optional<DevListData> ParseDevList(const QString &text);

// Standard value of row r in column 1, with an encoder in column 2.
using StdGroupTable = std::array<std::array<QVariant, StdColumns>, StdRows>;

enum class StdListError { None, WrongModel, Defective };

struct StdParaData {
  StdListError error = StdListError::None;
  StdGroupTable group;
};

// Rows the parameter set takes its standard values from (PG, ETC, SPECIAL).
constexpr int StdRowsUsed = 16;

// The standard list from its text. WrongModel: not a "ZT-M5" "ZT-CMNPRM"
// list. Defective: a section named out of order, a missing item, or records
// that do not fit the table or leave a row the parameter set needs empty.
StdParaData ParseStdParaList(const QString &text);

// The HOME and AXIS standard values, fixed in the program, with the ActCode
// of `size` ("28L100").
ParametaRecord StdCommonFor(const QString &size);

// The standard set of an actuator over `base`: `common` and the list's rows,
// the encoder column of rows 0 and 1 with `encoder`. Nullopt when the
// ActCode is not six characters long.
std::optional<ParametaRecord> StandardSet(const ParametaRecord &common, const StdGroupTable &group,
                                          bool encoder, ParametaRecord base = {});

} // namespace stdlists
