#pragma once
#include "testenv.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>

// Debian's ser2net on loopback in front of one device: a raw and an RFC 2217
// accepter, as a plant's device server would be set up for a controller
// (no packing delay); ended, or restarted on the same ports, by the test.
struct Ser2net {
  QProcess proc;
  quint16 rawPort = freePort(), telnetPort = freePort();
  QString raw() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(rawPort); }
  QString rfc2217() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(telnetPort); }

  ~Ser2net() { stop(); }
  bool start(const QString &device) {
    const QString connector = QStringLiteral("  connector: serialdev,%1,9600n81,local\n"
                                             "  options:\n    chardelay: false\n").arg(device);
    kt::writeFile(kt::path("ser2net.yaml"),
                  QStringLiteral("connection: &raw\n  accepter: tcp,127.0.0.1,%1\n%3"
                                 "connection: &rfc2217\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%2\n%3")
                      .arg(rawPort).arg(telnetPort).arg(connector).toUtf8());
    return restart();
  }
  bool restart() {
    stop();
    // Debian keeps it in /usr/sbin, outside a user's PATH.
    proc.start(QStandardPaths::findExecutable("ser2net", {"/usr/sbin"}),
               {"-n", "-d", "-c", kt::path("ser2net.yaml"), "-P", kt::path("ser2net.pid")});
    if (!proc.waitForStarted(5000))
      return false;
    // Listening once the system lists both accepters so; a connection to
    // find out would open the device, and ser2net frees it only later.
    for (int tries = 0; tries < 250; ++tries) {
      if (listening(rawPort) && listening(telnetPort))
        return true;
      QTest::qWait(20);
    }
    return false;
  }
  void stop() { kt::stop(proc); }
  static bool listening(quint16 port) {
    const QByteArray local = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : kt::readFile("/proc/net/tcp").split('\n')) {
      const QList<QByteArray> f = line.simplified().split(' ');
      if (f.size() > 3 && f[1].endsWith(local) && f[3] == "0A") // LISTEN
        return true;
    }
    return false;
  }
  static quint16 freePort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
  }
};
