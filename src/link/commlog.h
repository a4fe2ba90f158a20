#pragma once
#include "link.h"
#include "messagetable.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

class Dialogs;

// The communication log: every line over the wire with its time since the
// log opened and its direction, and the outcomes that spoiled an exchange.
// It listens to the link only while recording, and never changes what is
// sent or when.
class CommLog : public QObject {
  Q_OBJECT
public:
  static constexpr int MaxLines = 10000;

  CommLog(Link &link, const Messages &msg);

  struct Entry {
    qint64 ms;
    Link::Traffic kind;
    QByteArray line;
    bool polling;
  };

  void setRecording(bool on);
  bool isRecording() const { return recording_; }
  // While paused nothing new is kept.
  bool paused = false;
  void setHidePolling(bool hide);
  bool hidesPolling() const { return hidePolling_; }

  void clear();
  // The lines shown (polling hidden when asked), and how many it hides.
  QStringList lines() const;
  int hidden() const;
  // Entries that dropped off the front to keep the last MaxLines.
  qint64 dropped() const { return dropped_; }
  QString format(const Entry &e) const;
  // Saves the lines shown as text where the operator chooses.
  void saveAs(Dialogs &dialogs) const;

Q_SIGNALS:
  // A line to show at the end; or everything to show again.
  void appended(const QString &line);
  void reset();
  // A line was kept that the lines shown hide.
  void hiddenNoted();

private:
  void note(Link::Traffic kind, const QByteArray &line, bool polling);

  Link &link_;
  Messages msg_;
  bool recording_ = false;
  bool hidePolling_ = true;
  QElapsedTimer clock_;
  QList<Entry> entries_;
  qint64 dropped_ = 0;
  QMetaObject::Connection connection_;
};
