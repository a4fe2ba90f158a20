#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>

class ControllerSim;

// Serves a ControllerSim on a TCP port as a serial device server does: the
// bytes as they are, or Telnet with RFC 2217's com port control. One client
// at a time; the line vanishing hangs up on the client, and the next one to
// connect is served again.
class TcpBridge : public QObject {
  Q_OBJECT
public:
  enum class Mode { Raw, Rfc2217 };
  // `latencyMs` delays each direction, as a slow network would.
  TcpBridge(ControllerSim *sim, Mode mode, int latencyMs, QObject *parent = nullptr);
  ~TcpBridge() override;

  // HOST:PORT, [IPv6]:PORT or PORT (on 127.0.0.1); port 0 picks a free one.
  bool listen(const QString &address, QString *error);
  // tcp://HOST:PORT or rfc2217://HOST:PORT, with the port actually listened on.
  QString url() const;

private:
  class Connection;
  void accept();

  ControllerSim *sim_ = nullptr;
  Mode mode_;
  int latencyMs_ = 0;
  QTcpServer server_;
  QPointer<Connection> client_;
};
