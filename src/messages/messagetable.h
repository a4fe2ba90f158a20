#pragma once
#include <QList>
#include <QString>
#include <optional>
#include <utility>

// The message table: Japanese text of message N at id N, English at N + 10000.
namespace msgtable {

constexpr int EnglishBase = 10000;

// Raw lookup by table id (base included); nullopt when the id has no entry.
std::optional<QString> entry(int id);

} // namespace msgtable

// A text for the operator with the numbers of the table's messages it says,
// so that what was told can be known without reading the text back. A text
// of no message (a path, a reason) converts to one with no number.
struct Told {
  QString text;
  QList<int> numbers;

  Told() = default;
  Told(const QString &t) : text(t) {}
  Told(QString t, QList<int> n) : text(std::move(t)), numbers(std::move(n)) {}

  template <typename... A> Told arg(A &&...a) const { return {text.arg(std::forward<A>(a)...), numbers}; }
  Told &operator+=(const Told &more) {
    text += more.text;
    numbers += more.numbers;
    return *this;
  }
  friend Told operator+(Told a, const Told &b) { return a += b; }
  bool operator==(const Told &) const = default;
};

// Texts of one language: message N is the table entry LangBase + N.
class Messages {
public:
  explicit Messages(int langBase = 0) : base_(langBase) {}
  int langBase() const { return base_; }

  // Quiet lookup, for callers that keep a design text when a message is missing.
  std::optional<QString> find(int n) const { return msgtable::entry(base_ + n); }

  // Lookup from code: a missing message is a programming error, reported as a
  // warning (tests fail on it) and shown as "#N" so the program goes on.
  QString text(int n) const;

  // Several messages in one box are joined by CR LF.
  QString joined(std::initializer_list<int> ns) const;

  // The same, with their numbers, for the operator.
  Told told(int n) const { return {text(n), {n}}; }
  Told told(std::initializer_list<int> ns) const { return {joined(ns), QList<int>(ns)}; }

private:
  int base_;
};
