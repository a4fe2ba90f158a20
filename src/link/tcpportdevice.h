#pragma once
#include "portdevice.h"
#include "telnet.h"

#include <QTcpSocket>
#include <QTimer>
#include <functional>

// The controller's line at a serial device server: "tcp://HOST:PORT" gives
// the line's bytes as they are (ser2net's raw mode, a server's "TCP server"
// mode); "rfc2217://HOST:PORT" is Telnet with the COM-PORT-OPTION, which
// sets the server's line to 9600 baud, 8 data bits, no parity, 1 stop bit,
// no flow control before anything is sent.
class TcpPortDevice : public PortDevice {
  Q_OBJECT
public:
  explicit TcpPortDevice(QObject *parent = nullptr);
  ~TcpPortDevice() override;

  static bool isUrl(const QString &path);
  // Host and port of a "tcp://" or "rfc2217://" address; false if it is none.
  static bool parseUrl(const QString &url, QString *host, quint16 *port, bool *telnet);
  static bool isAddress(const QString &url);

  // The address `open` connects to, whatever the port number.
  void setUrl(const QString &url) { url_ = url; }
  // Texts of the reasons a connection failed, in the program's language.
  void setTexts(std::function<QString(int)> texts) { texts_ = std::move(texts); }
  // Waits at most ConnectTimeoutMs (scaled as the link's reply timeouts
  // are) for the connection and again for the line settings.
  bool open(int portNo, QString *reason) override;
  // The same without waiting: openEnded tells the outcome (at once when the
  // address is none).
  void startOpen();
  // While opening: the opening ends as failed.
  void close() override;
  bool isOpen() const override { return open_; }
  bool write(const QByteArray &data) override;
  qint64 bytesAvailable() const override { return rx_.size(); }
  QByteArray readAll() override { return std::exchange(rx_, {}); }
  QString dropReason() const override { return dropReason_; }

  static constexpr int ConnectTimeoutMs = 3000;

Q_SIGNALS:
  void openEnded(bool opened, const QString &reason);

private:
  void onReadyRead();
  void onDisconnected();
  void negotiate(const QList<telnet::Event> &events);
  void fail(const QString &reason);
  // The step reached, failed or timed out: on to the next step or the end.
  void settle();
  void armStep(int timeoutText);
  void finish();
  // A raw line whose server opens with Telnet negotiation: named, and dropped.
  bool speaksTelnet(const QByteArray &firstBytes);
  // The same address with the other scheme, for the operator to try.
  QString otherUrl() const;

  QTcpSocket socket_;
  QString url_;
  bool telnet_ = false;
  bool open_ = false;
  QByteArray rx_;
  telnet::Parser parser_;
  telnet::Options options_;
  // Opening: the connection, then (RFC 2217) the server's first Telnet
  // negotiation, before which nothing is sent, then the line settings.
  enum class Step { Connecting, Greeting, Settings } step_ = Step::Connecting;
  bool spoke_ = false;
  bool heardAny_ = false; // on this connection
  QString dropReason_;
  // While opening: the settings not yet confirmed, and why opening failed.
  QList<quint8> unconfirmed_;
  bool settingsSent_ = false;
  std::function<bool()> reached_;
  QString failure_;
  bool opening_ = false;
  // Bounds each step of opening; its text tells the step that timed out.
  QTimer stepTimer_;
  int timeoutText_ = 0;
  std::function<QString(int)> texts_;
};
