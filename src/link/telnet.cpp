#include "telnet.h"

namespace telnet {

QByteArray escape(const QByteArray &data) {
  QByteArray out = data;
  return out.replace(QByteArray(1, IAC), QByteArray(2, IAC));
}

namespace {
QByteArray bytes(std::initializer_list<char> cs) { return QByteArray(cs.begin(), qsizetype(cs.size())); }
} // namespace

QByteArray command(char verb, quint8 option) { return bytes({IAC, verb, char(option)}); }

QByteArray subnegotiation(quint8 option, const QByteArray &payload) {
  return bytes({IAC, SB, char(option)}) + escape(payload) + bytes({IAC, SE});
}

QByteArray comPort(quint8 cmd, quint32 value) {
  QByteArray payload(1, char(cmd));
  if (cmd % ServerOffset == SetBaudRate)
    for (int shift = 24; shift >= 0; shift -= 8)
      payload += char((value >> shift) & 0xFF);
  else
    payload += char(value);
  return subnegotiation(ComPort, payload);
}

qint64 comPortValue(const QByteArray &payload) {
  if (payload.isEmpty())
    return -1;
  const bool baud = quint8(payload[0]) % ServerOffset == SetBaudRate;
  if (payload.size() != (baud ? 5 : 2))
    return -1;
  qint64 v = 0;
  for (qsizetype i = 1; i < payload.size(); ++i)
    v = v << 8 | quint8(payload[i]);
  return v;
}

QByteArray Parser::feed(const QByteArray &bytes, QList<Event> *events) {
  QByteArray data;
  for (const char c : bytes) {
    switch (state_) {
    case State::Data:
      if (c == IAC) {
        state_ = State::Iac;
      } else {
        if (!(afterCr_ && c == '\0'))
          data += c;
        afterCr_ = c == '\r';
      }
      break;
    case State::Iac:
      if (c == IAC) {
        data += c;
        afterCr_ = false;
        state_ = State::Data;
      } else if (c == WILL || c == WONT || c == DO || c == DONT) {
        verb_ = c;
        state_ = State::Verb;
      } else if (c == SB) {
        sb_.clear();
        state_ = State::Sb;
      } else {
        state_ = State::Data; // NOP, GA and the like carry nothing for a line
      }
      break;
    case State::Verb:
      events->append({verb_, quint8(c), {}});
      state_ = State::Data;
      break;
    case State::Sb:
      if (c == IAC)
        state_ = State::SbIac;
      else
        sb_ += c;
      break;
    case State::SbIac:
      if (c == IAC) {
        sb_ += c;
        state_ = State::Sb;
      } else {
        // IAC SE, or a peer that broke off: what was gathered is the subnegotiation.
        if (!sb_.isEmpty())
          events->append({SB, quint8(sb_[0]), sb_.mid(1)});
        state_ = State::Data;
      }
      break;
    }
  }
  return data;
}

QByteArray Options::request(char verb, quint8 option) {
  (verb == WILL || verb == WONT ? local_ : remote_)[option] =
      verb == WILL || verb == DO ? State::Asked : State::No;
  return command(verb, option);
}

QByteArray Options::answer(const Event &e, std::initializer_list<quint8> accepted) {
  const bool peerSide = e.verb == WILL || e.verb == WONT;
  const bool yes = e.verb == WILL || e.verb == DO;
  if (e.verb == SB)
    return {};
  State &s = (peerSide ? remote_ : local_)[e.option];
  const char agree = peerSide ? DO : WILL, decline = peerSide ? DONT : WONT;
  if (s == State::Asked) { // the answer to our request
    s = yes ? State::Yes : State::No;
    refused_[e.option] = !yes;
    return {};
  }
  if (yes == (s == State::Yes))
    return {}; // no change: answering would start a loop
  if (!yes) {
    s = State::No;
    return command(decline, e.option);
  }
  for (quint8 o : accepted)
    if (o == e.option) {
      s = State::Yes;
      return command(agree, e.option);
    }
  return command(decline, e.option);
}

} // namespace telnet
