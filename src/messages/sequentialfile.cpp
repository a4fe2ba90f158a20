#include "sequentialfile.h"

SequentialFields::SequentialFields(const QString &text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
  auto isLineEnd = [](QChar c) { return c == u'\r' || c == u'\n'; };
  int line = 1;
  while (i < n) {
    while (i < n && (isBlank(text[i]) || isLineEnd(text[i])))
      line += text[i++] == u'\n' ? 1 : 0;
    if (i >= n)
      break;
    QString field;
    if (text[i] == u'"') {
      const qsizetype close = text.indexOf(u'"', i + 1);
      const qsizetype end = close < 0 ? n : close;
      field = text.mid(i + 1, end - i - 1);
      i = end + 1;
      while (i < n && isBlank(text[i]))
        ++i;
    } else {
      const qsizetype start = i;
      while (i < n && text[i] != u',' && !isLineEnd(text[i]))
        ++i;
      field = text.mid(start, i - start).trimmed();
    }
    fields_ << field;
    lines_ << line;
    line += int(field.count(u'\n'));
    // One separator ends the field; a comma at a line end leaves no extra field.
    if (i < n && text[i] == u',')
      ++i;
  }
}

bool SequentialFields::read(QString *field) {
  if (atEnd())
    return false;
  line_ = lines_.at(next_);
  *field = fields_.at(next_++);
  return true;
}
