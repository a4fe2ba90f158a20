#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The plant's memory: the register of named lines and every set read from or
// written to a controller, with its result, in a database. An embedded
// SQLite file by default; a PostgreSQL server when several PCs share one
// plant's history. One entry is one statement: a writer killed mid-entry
// leaves every finished entry and no partial one.
class HistoryDb {
public:
  struct Line {
    QString name;
    QString address; // a port number, a device path, tcp:// or rfc2217://
    QString note;
    bool operator==(const Line &) const = default;
  };

  struct Entry {
    qint64 id = 0;
    QDateTime time; // UTC
    QString line;   // the line's name, or its address when it has none
    QString address;
    QString version; // the controller's, when known
    QString command; // "params read", "index write", "check", "alarm", ...
    QString result;  // "OK", "NG", "failed", "cancelled", or "event"
    QString message; // what the operator was told
    QByteArray params; // the parameter set as a .pmt file holds it; empty when none
    QByteArray posi;   // the index data as a .ztd file holds it; empty when none
    QString differences; // JSON: [{"group","name","a","b"}]
    bool approved = false;
  };

  struct Filter {
    QString line; // empty: every line
    QDateTime since;
    QString command, result; // empty: any
    qint64 beforeId = 0;     // 0: from the newest
    int limit = 0;           // 0: all
  };

  // Where the history is kept, as the "HistoryDatabase" setting gives it:
  // empty for the user's data folder, a file path, or a PostgreSQL address
  // "postgresql://USER@HOST:PORT/DB" (HOST may be given as ?host=/socket/dir).
  // A password is never part of it: libpq reads ~/.pgpass or PGPASSWORD.
  explicit HistoryDb(QString address = {});
  ~HistoryDb();
  HistoryDb(const HistoryDb &) = delete;
  HistoryDb &operator=(const HistoryDb &) = delete;

  static QString defaultFile();
  static constexpr int SchemaVersion = 1;

  // Opens (once), creates or migrates the schema; false with problem() said
  // in the operator's words. A damaged SQLite file is moved aside (its new
  // name in setAside()) and a fresh one started.
  bool open();
  bool isPostgres() const { return postgres_; }
  QString address() const { return address_; }
  // A password written into the address ("postgresql://USER:PASSWORD@…" or
  // "?password="), which is never to be stored.
  static bool holdsPassword(const QString &address);
  // The address without anything secret, for the operator.
  QString shownAddress() const;
  QString problem() const { return problem_; }
  QString setAside() const { return setAside_; }

  QList<Line> lines();
  std::optional<Line> line(const QString &name);
  // False when the name is taken (add) or unknown (update, remove), or the
  // database failed: problem() says which.
  bool addLine(const Line &line);
  bool updateLine(const QString &name, const Line &line);
  bool removeLine(const QString &name);

  // The new entry's number; 0 when it could not be kept.
  qint64 add(const Entry &entry);
  std::optional<Entry> entry(qint64 id);
  // Newest first, without the sets (params, posi), which entry() gives.
  QList<Entry> entries(const Filter &filter);
  qint64 count(const Filter &filter);
  bool approve(qint64 id);
  // The reference of a drift check: the newest approved entry holding that
  // kind of set (params or posi), else the newest OK write or restore.
  std::optional<Entry> reference(const QString &line, bool params);

private:
  bool fail(const QString &what, const QString &why);
  bool prepareSqlite();
  bool migrate();
  bool exec(const QString &sql);

  QString address_;
  QString connection_;
  bool postgres_ = false;
  bool opened_ = false;
  QString problem_, setAside_;
};

// The result an entry keeps for a command's exit: 0 OK, 1 NG, 3 failed.
QString HistoryResult(int exit);
