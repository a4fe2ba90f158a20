// kov-sim: the controller simulator on a pseudo-terminal or a TCP port.
#include "controllersim.h"
#include "ptybridge.h"
#include "tcpbridge.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char c = 1;
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

// SIGTERM and SIGINT end the event loop through a self-pipe, so that the
// link is removed and the pty closed in ordinary code.
bool catchSignals() {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
    return false;
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  return ::sigaction(SIGTERM, &sa, nullptr) == 0 && ::sigaction(SIGINT, &sa, nullptr) == 0;
}

const QHash<QString, ControllerSim::Fault> &faultKinds() {
  static const QHash<QString, ControllerSim::Fault> kinds = {
      {"none", ControllerSim::Fault::None},       {"noreply", ControllerSim::Fault::NoReply},
      {"length", ControllerSim::Fault::WrongLength}, {"echo", ControllerSim::Fault::WrongEcho},
      {"error", ControllerSim::Fault::ErrorReply}, {"garbage", ControllerSim::Fault::Garbage},
      {"split", ControllerSim::Fault::Split},     {"twolines", ControllerSim::Fault::TwoLines},
      {"vanish", ControllerSim::Fault::Vanish},   {"late", ControllerSim::Fault::Late}};
  return kinds;
}

QString faultName(ControllerSim::Fault f) { return faultKinds().key(f); }

bool parseFault(const QString &spec, ControllerSim &sim) {
  const QHash<QString, ControllerSim::Fault> &kinds = faultKinds();
  const QStringList parts = spec.split(u':');
  if (parts.size() < 2 || parts.size() > 3 || parts[0].isEmpty() || !kinds.contains(parts[1]))
    return false;
  int times = -1;
  if (parts.size() == 3) {
    bool ok = false;
    times = parts[2].toInt(&ok);
    if (!ok || times < 1)
      return false;
  }
  sim.setFault(parts[0].toLatin1(), kinds.value(parts[1]), times);
  return true;
}

int fail(const QString &message) {
  std::fprintf(stderr, "kov-sim: %s\n", qPrintable(message));
  return 1;
}

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("kov-sim"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "ZT-KOV controller simulator on a pseudo-terminal; prints the terminal's path (with --tcp, the URL) as "
      "its first line."));
  parser.addHelpOption();
  const QCommandLineOption linkOpt(QStringLiteral("link"), QStringLiteral("Symbolic link to the terminal."),
                                   QStringLiteral("PATH"));
  const QCommandLineOption pacedOpt(QStringLiteral("paced"), QStringLiteral("Take the 9600-baud time per character."));
  const QCommandLineOption scaleOpt(QStringLiteral("time-scale"), QStringLiteral("Multiply move times by X."),
                                    QStringLiteral("X"), QStringLiteral("1"));
  const QCommandLineOption faultOpt(
      QStringLiteral("fault"),
      QStringLiteral("Spoil replies to CODE (or * for all): none, noreply, length, echo, error, garbage, split, "
                     "twolines, vanish or late; TIMES times, or until the end."),
      QStringLiteral("CODE:KIND[:TIMES]"));
  const QCommandLineOption keyOpt(QStringLiteral("error-key"), QStringLiteral("Error key of the error fault."),
                                  QStringLiteral("KEY"), QStringLiteral("01"));
  const QCommandLineOption logOpt(
      QStringLiteral("log"),
      QStringLiteral("Append every line received to FILE, and after it \"! KIND\" when --chaos spoils its reply."),
      QStringLiteral("FILE"));
  const QCommandLineOption homeOpt(
      QStringLiteral("homing-ends"),
      QStringLiteral("Status a homing run ends in: 1, or 2 for a controller that never reports it complete."),
      QStringLiteral("STATUS"), QStringLiteral("1"));
  const QCommandLineOption inputOpt(
      QStringLiteral("input-cycle"),
      QStringLiteral("Turn the STB input on and off every MS milliseconds; the outputs follow \"0WO\" "
                     "in monitor mode (\"0CM7\")."),
      QStringLiteral("MS"), QStringLiteral("0"));
  const QCommandLineOption chaosOpt(
      QStringLiteral("chaos"),
      QStringLiteral("Spoil each line's reply with probability RATE (0 to 1) by a fault drawn at random: no reply, "
                     "a reply 2.5 s late, wrong length, wrong echo, error reply, garbage, a reply split over many "
                     "writes, or the line vanishing (the terminal comes back; over TCP the connection is closed). "
                     "Reproducible with --seed."),
      QStringLiteral("RATE"), QStringLiteral("0"));
  const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("Seed of --chaos."), QStringLiteral("N"),
                                   QStringLiteral("1"));
  const QCommandLineOption tcpOpt(
      QStringLiteral("tcp"),
      QStringLiteral("Serve on TCP instead, at HOST:PORT, [IPv6]:PORT or PORT (on 127.0.0.1); port 0 picks one."),
      QStringLiteral("ADDRESS"));
  const QCommandLineOption rfc2217Opt(QStringLiteral("rfc2217"),
                                      QStringLiteral("With --tcp: Telnet with com port control (RFC 2217); the controller answers only "
                                                     "while the line is set to 9600 baud 8N1 without flow control."));
  const QCommandLineOption latencyOpt(QStringLiteral("latency"),
                                      QStringLiteral("With --tcp: delay each direction by MS milliseconds."),
                                      QStringLiteral("MS"), QStringLiteral("0"));
  const QCommandLineOption dropOpt(QStringLiteral("drop-writes"),
                                   QStringLiteral("Answer parameter and point writes as done but keep the old values."));
  parser.addOptions({linkOpt, pacedOpt, scaleOpt, faultOpt, keyOpt, logOpt, homeOpt, inputOpt, chaosOpt, seedOpt,
                     tcpOpt, rfc2217Opt, latencyOpt, dropOpt});
  parser.process(app);

  ControllerSim sim;
  sim.setPaced(parser.isSet(pacedOpt));
  bool ok = false;
  const double scale = parser.value(scaleOpt).toDouble(&ok);
  if (!ok || scale < 0)
    return fail(QStringLiteral("bad time scale: %1").arg(parser.value(scaleOpt)));
  sim.setTimeScale(scale);
  const int homingEnds = parser.value(homeOpt).toInt(&ok);
  if (!ok || (homingEnds != 1 && homingEnds != 2))
    return fail(QStringLiteral("a homing run ends in status 1 or 2: %1").arg(parser.value(homeOpt)));
  sim.setHomingEnds(homingEnds);
  sim.setDropWrites(parser.isSet(dropOpt));
  const int cycle = parser.value(inputOpt).toInt(&ok);
  if (!ok || cycle < 0)
    return fail(QStringLiteral("bad input cycle: %1").arg(parser.value(inputOpt)));
  sim.setInputCycle(cycle);
  const double chaos = parser.value(chaosOpt).toDouble(&ok);
  if (!ok || !(chaos >= 0 && chaos <= 1))
    return fail(QStringLiteral("a chaos rate is from 0 to 1: %1").arg(parser.value(chaosOpt)));
  const uint seed = parser.value(seedOpt).toUInt(&ok);
  if (!ok)
    return fail(QStringLiteral("bad seed: %1").arg(parser.value(seedOpt)));
  sim.setChaos(chaos, seed);
  const QByteArray key = parser.value(keyOpt).toLatin1();
  if (key.size() != 2)
    return fail(QStringLiteral("an error key has two characters: %1").arg(parser.value(keyOpt)));
  sim.setErrorKey(key);
  for (const QString &spec : parser.values(faultOpt))
    if (!parseFault(spec, sim))
      return fail(QStringLiteral("bad fault: %1").arg(spec));
  const bool tcp = parser.isSet(tcpOpt);
  if (!tcp)
    for (const QCommandLineOption &o : {rfc2217Opt, latencyOpt})
      if (parser.isSet(o))
        return fail(QStringLiteral("--%1 needs --tcp").arg(o.names().first()));
  if (tcp && parser.isSet(linkOpt))
    return fail(QStringLiteral("--link needs the terminal, not --tcp"));
  const int latency = parser.value(latencyOpt).toInt(&ok);
  if (!ok || latency < 0)
    return fail(QStringLiteral("bad latency: %1").arg(parser.value(latencyOpt)));

  QFile log;
  if (parser.isSet(logOpt)) {
    log.setFileName(parser.value(logOpt));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
      return fail(QStringLiteral("%1: %2").arg(log.fileName(), log.errorString()));
    QObject::connect(&sim, &ControllerSim::lineReceived, &log, [&log](const QByteArray &line) {
      log.write(line + '\n');
      log.flush();
    });
    // A fault chaos chose, after the line it spoils: "! late".
    QObject::connect(&sim, &ControllerSim::faultInjected, &log, [&log](ControllerSim::Fault f) {
      log.write("! " + faultName(f).toLatin1() + '\n');
      log.flush();
    });
  }

  if (!catchSignals())
    return fail(QStringLiteral("cannot catch signals"));
  QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
  QString error;
  if (tcp) {
    // A device server hangs up on its client itself and serves the next.
    TcpBridge server(&sim, parser.isSet(rfc2217Opt) ? TcpBridge::Mode::Rfc2217 : TcpBridge::Mode::Raw, latency);
    if (!server.listen(parser.value(tcpOpt), &error))
      return fail(error);
    std::printf("%s\n", qPrintable(server.url()));
    std::fflush(stdout);
    return app.exec();
  }

  // The port going away is the client's view of a vanished line.
  QObject::connect(&sim, &ControllerSim::vanish, &app, &QCoreApplication::quit);
  PtyBridge pty(&sim);
  if (!pty.open(&error) || (parser.isSet(linkOpt) && !pty.makeLink(parser.value(linkOpt), &error)))
    return fail(error);
  std::printf("%s\n", qPrintable(pty.slavePath()));
  std::fflush(stdout);

  return app.exec();
}
