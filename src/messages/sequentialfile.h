#pragma once
#include <QString>
#include <QStringList>

// Reads the fields of the list and data files: fields separated by commas or
// line ends, texts in double quotes (removed), blanks around unquoted fields
// ignored.
class SequentialFields {
public:
  // Splits a whole file's text into its fields.
  explicit SequentialFields(const QString &text);

  bool atEnd() const { return next_ >= fields_.size(); }
  // The next field; false when there is none left.
  bool read(QString *field);
  // The line (from 1) of the field last read.
  int line() const { return line_; }

private:
  QStringList fields_;
  QList<int> lines_;
  int line_ = 0;
  qsizetype next_ = 0;
};
