#pragma once
#include <QString>
#include <optional>

// The message table: Japanese text of message N at id N, English at N + 10000.
namespace msgtable {

constexpr int EnglishBase = 10000;

// Raw lookup by table id (base included); nullopt when the id has no entry.
std::optional<QString> entry(int id);

} // namespace msgtable

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

  // The message a shown text starts with (its %N standing for anything):
  // the one with the most of its own text matched; nullopt when none.
  std::optional<int> numberOf(const QString &shown) const;

  // Several messages in one box are joined by CR LF.
  QString joined(std::initializer_list<int> ns) const;

private:
  int base_;
};
