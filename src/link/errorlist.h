#pragma once
#include <QList>
#include <QString>

// The controller's error keys and their texts, from "errorjpn.lst" or
// "erroreng.lst": a count, then that many key/text pairs.
struct ErrorList {
  static constexpr int MaxEntries = 40;
  struct Entry {
    QString key;
    QString text;
  };

  QList<Entry> entries; // ErrList 1 to ErrListCount
  int ErrListCount = 0;
  bool ErrListMissing = false;

  // Reads the file; false on any failure (missing, unreadable or oversized
  // file, a count that is no whole number, a missing field, more than 40
  // entries). Entries read before a failure stay.
  bool load(const QString &path);
  // The same from the file's bytes.
  bool parse(const QByteArray &bytes);

  // The entry of an error key; a key that reads as a number matches by value.
  const Entry *find(const QString &key) const;

  // The code characters of an error reply, its line end left off.
  static QByteArray Code(const QByteArray &reply);
};
