#pragma once
#include "parametaset.h"

#include <QByteArray>
#include <QStringList>
#include <array>
#include <optional>

// The controller keeps the parameters in blocks of 16 bytes, sent and
// received as 32 upper-case hex digits, multi-byte values big-endian.
// Blocks 0..2 carry the parameter set; block 7 the special actuator's current.
namespace paramblocks {

constexpr int BlockBytes = 16;
// "0RD", the block digit, 32 digits, CR LF.
constexpr int ReplyLength = 38;

// The data of a "0WD" write: the block digit (0, 1 or 2) and 32 digits.
// Only meaningful when FieldsTooWide gives nothing.
QByteArray EncodeBlock(int block, const ParametaRecord &p);

// The fields whose value does not fit their bytes (negative or too large);
// one of them would make a block of the wrong length.
QStringList FieldsTooWide(const ParametaRecord &p);

// Parameter `param` (1..39, not 12) as its bytes carry it: whole numbers a
// half to even, the size as its number, the type as its character code.
qint64 WrittenValue(const ParametaRecord &p, int param);

// True when `reply` begins with "0RD", the block digit and 32 hex digits.
bool IsBlockReply(const QByteArray &reply, char blockDigit);

// The reply lines of blocks 0..2 as the parameter list: numbers by
// parameter number, 37 and 38 as text, 12 composed from 37..39; 0 and 40
// empty. Nullopt when a line is no block reply of its block.
std::optional<ParametaList> DecodeBlocks(const std::array<QByteArray, 3> &replies);

// Block 7: the motor current in bytes 7-8, 187.5 counts to the ampere.
std::optional<int> CurrentCount(const QByteArray &reply7);
QString CurrentText(int count);
// The count of a current box's text, a half to the even count; nothing when
// it does not fit the block's four hex digits.
std::optional<int> CountOfCurrent(const QString &text);
// New block-7 data from the 32 digits read: bytes 7-8 replaced by `count`,
// the others carried as they were.
QByteArray Block7WithCount(const QByteArray &block7Digits, int count);

} // namespace paramblocks
