#pragma once
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class PortDevice;

// Which port numbers reach something, every number tried at once: a serial
// device opens and closes at once; a network line connects on a line of its
// own and counts as reaching a controller only when the controller answers
// the link check ("0CM6"). The number open on the line in use is left alone.
class PortProbe : public QObject {
  Q_OBJECT
public:
  enum class Found {
    None,         // no device has the number
    Checking,     // a network line, not yet ended
    Opens,        // a serial device opens (or the number is in use)
    Controller,   // a network line whose controller answered the link check
    NoController, // a network line that connected, but no controller answered
    Refused,      // a device that is there but did not open; `reason` says why
  };
  struct Result {
    Found found = Found::None;
    QString reason;
  };

  // `texts` gives the messages in the program's language.
  PortProbe(PortDevice &line, std::function<QString(int)> texts, QObject *parent = nullptr);
  ~PortProbe() override;

  // Tries numbers 1 to 32; `inUse` (0: none) is open on `line` and opens.
  // Serial devices are known on return; network lines end in portEnded.
  void start(int inUse);
  const Result &result(int n) const { return results_[std::size_t(n)]; }
  bool running() const;
  // Every line still checking is closed now; nothing more is told.
  void stop();
  // What result `n` says, for the operator ("opens", "a controller answered", ...).
  QString describe(int n) const;

  // The link check's wait, as CommCheck's (scaled as the link's timeouts are).
  static constexpr int ReplyTimeoutMs = 2000;

Q_SIGNALS:
  void portEnded(int n);
  // The last network line has ended.
  void finished();

private:
  struct Check;
  void check(int n, const QString &url);
  void end(int n, Found found, const QString &reason = {});

  PortDevice &line_;
  std::function<QString(int)> texts_;
  std::array<Result, 33> results_{};
  std::array<std::unique_ptr<Check>, 33> checks_;
  bool starting_ = false;
  bool stopped_ = false;
};
