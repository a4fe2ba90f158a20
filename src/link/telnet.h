#pragma once
#include <QByteArray>
#include <QList>
#include <array>
#include <initializer_list>

// Telnet framing as serial device servers speak it (RFC 854, with RFC 2217's
// COM-PORT-OPTION): data bytes with IAC doubled, option negotiation and
// subnegotiations. Used by the network line and by kov-sim's server side.
namespace telnet {

constexpr char IAC = char(255), DONT = char(254), DO = char(253), WONT = char(252), WILL = char(251),
               SB = char(250), SE = char(240);
enum Option : quint8 { Binary = 0, SuppressGoAhead = 3, ComPort = 44 };
// COM-PORT-OPTION commands from the client; the server answers each with
// the command + ServerOffset and the value it now uses.
enum ComCommand : quint8 { SetBaudRate = 1, SetDataSize = 2, SetParity = 3, SetStopSize = 4, SetControl = 5 };
constexpr quint8 ServerOffset = 100;
// Values of 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control.
constexpr quint8 ParityNone = 1, StopOne = 1, NoFlowControl = 1;

QByteArray escape(const QByteArray &data);
QByteArray command(char verb, quint8 option);
// IAC SB option payload IAC SE, the payload escaped.
QByteArray subnegotiation(quint8 option, const QByteArray &payload);
// A COM-PORT-OPTION subnegotiation; the baud rate is four bytes, the rest one.
QByteArray comPort(quint8 command, quint32 value);
// The value of a COM-PORT-OPTION payload (command byte first); -1 if malformed.
qint64 comPortValue(const QByteArray &payload);

struct Event {
  char verb = 0; // WILL, WONT, DO, DONT, or SB
  quint8 option = 0;
  QByteArray payload; // of a subnegotiation
};

// Splits what arrives into data and negotiation, in whatever pieces it comes.
class Parser {
public:
  // The data bytes of `bytes`; negotiation found is appended to `events`.
  // A NUL after CR (a Telnet peer's bare CR) is dropped.
  QByteArray feed(const QByteArray &bytes, QList<Event> *events);

private:
  enum class State { Data, Iac, Verb, Sb, SbIac } state_ = State::Data;
  char verb_ = 0;
  bool afterCr_ = false;
  QByteArray sb_;
};

// Both sides' state of each option, so that a request is not answered twice
// and an answer is not taken as a request (the loops RFC 854 warns of).
class Options {
public:
  // The bytes asking for our side (WILL/WONT) or the peer's side (DO/DONT).
  QByteArray request(char verb, quint8 option);
  // The answer to a peer's negotiation (maybe nothing): requests for options
  // in `accepted` are agreed, all others refused.
  QByteArray answer(const Event &e, std::initializer_list<quint8> accepted);
  bool local(quint8 option) const { return local_[option] == State::Yes; }
  bool remote(quint8 option) const { return remote_[option] == State::Yes; }
  // The peer said no to what we asked.
  bool refused(quint8 option) const { return refused_[option]; }

private:
  enum class State : quint8 { No, Asked, Yes };
  std::array<State, 256> local_{}, remote_{};
  std::array<bool, 256> refused_{};
};

} // namespace telnet
