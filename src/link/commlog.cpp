#include "commlog.h"
#include "dialogs.h"
#include "wholefile.h"

#include <algorithm>

CommLog::CommLog(Link &link, const Messages &msg) : link_(link), msg_(msg) {}

void CommLog::setRecording(bool on) {
  if (on == recording_)
    return;
  recording_ = on;
  if (on) {
    if (!clock_.isValid())
      clock_.start();
    connection_ = connect(&link_, &Link::traffic, this, &CommLog::note);
  } else {
    disconnect(connection_);
  }
}

void CommLog::setHidePolling(bool hide) {
  hidePolling_ = hide;
  Q_EMIT reset();
}

void CommLog::clear() {
  entries_.clear();
  dropped_ = 0;
  Q_EMIT reset();
}

void CommLog::note(Link::Traffic kind, const QByteArray &line, bool polling) {
  if (paused)
    return;
  entries_.append({clock_.elapsed(), kind, line, polling});
  if (entries_.size() > MaxLines) {
    entries_.removeFirst();
    ++dropped_;
  }
  if (!(polling && hidePolling_))
    Q_EMIT appended(format(entries_.last()));
  else
    Q_EMIT hiddenNoted();
}

QString CommLog::format(const Entry &e) const {
  const QString time = QStringLiteral("%1.%2").arg(e.ms / 1000, 6).arg(e.ms % 1000, 3, 10, QChar(u'0'));
  switch (e.kind) {
  case Link::Traffic::Sent: return time + QStringLiteral("  -> ") + QString::fromLatin1(e.line);
  case Link::Traffic::Received: return time + QStringLiteral("  <- ") + QString::fromLatin1(e.line);
  case Link::Traffic::Timeout: return time + QStringLiteral("  !! ") + msg_.text(5179);
  case Link::Traffic::WrongLength: return time + QStringLiteral("  !! ") + msg_.text(5180);
  case Link::Traffic::WrongEcho: return time + QStringLiteral("  !! ") + msg_.text(5181);
  case Link::Traffic::ErrorReply: return time + QStringLiteral("  !! ") + msg_.text(5182);
  case Link::Traffic::Lost:
    return time + QStringLiteral("  !! ") + msg_.text(5326) +
           (e.line.isEmpty() ? QString() : QStringLiteral(": ") + QString::fromUtf8(e.line));
  case Link::Traffic::Reconnected: return time + QStringLiteral("  -- ") + msg_.text(5346).arg(QString::fromUtf8(e.line));
  }
  return time;
}

void CommLog::saveAs(Dialogs &dialogs) const {
  const QString path = dialogs.saveFileName(
      {msg_.text(5177), msg_.text(5178), QStringLiteral("kov-t6-log.txt"), QStringLiteral("txt")});
  if (path.isEmpty())
    return;
  QString reason;
  if (!wholefile::Save(path, lines().join(u'\n').toUtf8() + '\n', &reason))
    dialogs.message(msg_.told(5183) + QStringLiteral("\r\n") + path + QStringLiteral("\r\n") + reason,
                    Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
}

QStringList CommLog::lines() const {
  QStringList out;
  for (const Entry &e : entries_)
    if (!(e.polling && hidePolling_))
      out << format(e);
  return out;
}

int CommLog::hidden() const {
  if (!hidePolling_)
    return 0;
  return int(std::count_if(entries_.begin(), entries_.end(), [](const Entry &e) { return e.polling; }));
}
