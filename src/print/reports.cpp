#include "reports.h"
#include "basic.h"

#include <cmath>

ReportWriter::ReportWriter(Page &page, const Messages &msg, QDateTime now)
    : page_(page), msg_(msg), now_(std::move(now)) {
  font_.name = msg_.text(24);
}

void ReportWriter::setFont(double size, bool boldItalic) {
  font_.size = size;
  font_.bold = font_.italic = boldItalic;
  page_.setFont(font_);
}

void ReportWriter::print(double x, const QString &text) {
  page_.text(x, y_, text);
  y_ += page_.textHeight(text);
}

void ReportWriter::PrintInit() {
  page_.setFont(font_);
  m.CharH = int(std::lround(page_.textHeight(QStringLiteral("A"))));
  m.LinePitch = m.CharH + 1;
  m.RowsPerPage = int(page_.height() / m.CharH);
  m.LinesPerPage = int(page_.height() / m.LinePitch);
  m.PageBodyH = m.RowsPerPage * m.CharH;
  m.PageLinesH = m.LinesPerPage * m.LinePitch;
  m.RightEdge = int(std::lround(page_.width() - 10));
}

void ReportWriter::PrintHeader(const QString &fileName) {
  // The drawing property 3: rules about 0.3 mm wide.
  setFont(14, true);
  page_.setDrawWidth(3);
  y_ = m.CharH;
  print(10, msg_.text(3000) + u' ' + msg_.text(3001));
  setFont(11, true);
  if (!fileName.isEmpty()) {
    y_ = m.CharH;
    print(120, msg_.text(212) + fileName);
  }
  setFont(11, false);
  page_.line(4, 3 * m.CharH, m.RightEdge, 3 * m.CharH);
  page_.line(10, 4 * m.CharH, m.RightEdge, 4 * m.CharH);

  setFont(11, true);
  page_.setDrawWidth(3);
  const QString stamp = now_.date().toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral("  ") +
                        now_.time().toString(QStringLiteral("HH:mm:ss"));
  const double footer = (m.RowsPerPage - 1) * m.CharH;
  y_ = footer;
  print(m.RightEdge - page_.textWidth(stamp), stamp);
  page_.line(10, m.PageBodyH - m.CharH, m.RightEdge, m.PageBodyH - m.CharH);
  setFont(11, false);
}

void ReportWriter::printIndexReport(const IndexLines &lines, const QString &fileName) {
  PrintInit();
  m.PageNo = 1;
  PrintHeader(fileName);
  y_ = 5 * m.CharH;
  setFont(14, false);
  page_.setDrawWidth(3);
  const QString rows[] = {msg_.text(3002) + QStringLiteral("     :   ") + lines.vel,
                          msg_.text(3003) + QStringLiteral("   :   ") + lines.acc,
                          msg_.text(3004) + QStringLiteral("   :   ") + lines.division,
                          msg_.text(3005) + QStringLiteral("   :   ") + lines.gear,
                          msg_.text(3008) + QStringLiteral("  :   ") + lines.rotation};
  for (const QString &row : rows) {
    // One record, so in practice one page; a page runs out two lines early.
    if (y_ + 2 * m.CharH > (m.LinesPerPage - 2) * m.LinePitch) {
      page_.newPage();
      ++m.PageNo;
      PrintHeader(fileName);
      y_ = 5 * m.CharH;
      setFont(14, false);
    }
    y_ += 2 * m.CharH;
    print(20, row);
  }
  page_.end();
}

void ReportWriter::PrintParameters(const QStringList &list, bool fromFile) {
  PrintInit();
  m.PageNo = 1;
  setFont(11, false);
  page_.setDrawWidth(1);
  y_ = m.CharH;
  page_.text(20, y_, QStringLiteral("ZT-KOV  Parameters"));
  if (fromFile)
    page_.text(80, y_, msg_.text(25) + list.value(0));
  page_.line(20, 2 * m.CharH, m.RightEdge, 2 * m.CharH);

  struct Row {
    const char *label;
    int entry;
  };
  struct Section {
    const char *heading;
    std::initializer_list<Row> rows;
  };
  const Section sections[] = {
      {"<< HOMING PARAMETER >>", {{" 1.OFFSET:", 1}, {" 2.VEL:", 2}, {" 3.OFSVEL:", 3}}},
      {"<< AXIS PARAMETER >>", {{" 1.PULSE:", 4}, {" 2.AUTO DRIVE:", 5}, {" 3.MOTOR:", 7}}},
      {"<< PG PARAMETER >>", {{" 1.FUNCTION:", 8}, {" 2.ALM:", 9}}},
      {"<< Etc PARAMETER >>", {{" 1. HOME OUT:", 10}, {" 2. IN-P WID:", 11}}},
      {"<< SP Parameter >>",
       {{" 1. PG TIMER:", 12}, {" 2. AUTO HOME:", 13}, {" 3. LS TIMER:", 14}, {" 4. EMG LOGIC:", 15},
        {" 5. ALM1 CLEAR:", 16}}}};
  // One CharH a line, one empty line between sections, starting one CharH
  // below the title rule.
  double y = 3 * m.CharH;
  for (const Section &s : sections) {
    page_.text(20, y, QString::fromLatin1(s.heading));
    for (const Row &r : s.rows) {
      y += m.CharH;
      page_.text(20, y, QString::fromLatin1(r.label));
      page_.text(80, y, list.value(r.entry));
    }
    y += 2 * m.CharH;
  }
  page_.end();
}

QStringList ReportWriter::wrap(const QString &text, double width) {
  QStringList lines;
  QString rest = text;
  while (rest.size() > 1 && page_.textWidth(rest) > width) {
    qsizetype fit = 1;
    while (fit < rest.size() && page_.textWidth(rest.left(fit + 1)) <= width)
      ++fit;
    qsizetype cut = fit;
    for (qsizetype i = fit; i > fit / 2; --i)
      if (rest[i - 1] == u'/' || rest[i - 1] == u'\\' || rest[i - 1] == u' ') {
        cut = i;
        break;
      }
    lines << rest.left(cut);
    rest = rest.mid(cut);
  }
  return lines << rest;
}

void ReportWriter::PrintComparison(const ParamCompare::Report &report, const QString &counts) {
  PrintInit();
  m.PageNo = 1;
  constexpr double Name = 20, ColumnA = 75, ColumnB = 135;
  const double footer = (m.RowsPerPage - 1) * m.CharH, rule = footer - m.CharH / 4.0;
  const QString stamp = now_.date().toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral("  ") +
                        now_.time().toString(QStringLiteral("HH:mm:ss"));
  auto heading = [&] {
    setFont(11, false);
    page_.setDrawWidth(1);
    y_ = m.CharH;
    page_.text(Name, y_, msg_.text(5269));
    y_ += m.CharH;
    const std::pair<QString, QString> sources[] = {{u"A: "_qs, report.sourceA}, {u"B: "_qs, report.sourceB}};
    for (const auto &[side, source] : sources) {
      const double indent = page_.textWidth(side);
      page_.text(Name, y_, side);
      for (const QString &line : wrap(source, m.RightEdge - Name - indent)) {
        page_.text(Name + indent, y_, line);
        y_ += m.CharH;
      }
    }
    // Half lines around the column names, so that all 35 rows and the
    // count fit on one A4 page.
    page_.line(Name, y_ + m.CharH / 4.0, m.RightEdge, y_ + m.CharH / 4.0);
    y_ += m.CharH / 2.0;
    page_.text(Name, y_, msg_.text(5260));
    page_.text(ColumnA, y_, QStringLiteral("A"));
    page_.text(ColumnB, y_, QStringLiteral("B"));
    y_ += 1.5 * m.CharH;
    page_.line(Name, rule, m.RightEdge, rule);
    page_.text(Name, footer, msg_.text(5323).arg(m.PageNo));
    page_.text(m.RightEdge - page_.textWidth(stamp), footer, stamp);
  };
  // A new page when `lines` lines would reach the footer's rule.
  auto room = [&](double lines) {
    if (y_ + lines * m.CharH > rule - m.CharH / 4.0) {
      page_.newPage();
      ++m.PageNo;
      heading();
    }
  };
  heading();
  int group = -1;
  for (const paramdiff::Row &r : report.rows) {
    if (r.group != group) {
      group = r.group;
      const bool first = group == report.rows.first().group;
      room(first ? 2 : 2.5);
      y_ += first ? 0 : m.CharH / 2.0;
      setFont(11, false);
      page_.text(Name, y_, QStringLiteral("<< ") + paramdiff::GroupName(group) + QStringLiteral(" >>"));
      y_ += m.CharH;
    }
    room(1);
    setFont(11, r.differs);
    if (r.differs)
      page_.text(Name - 5, y_, QStringLiteral("*"));
    page_.text(Name, y_, r.name);
    page_.text(ColumnA, y_, r.a);
    page_.text(ColumnB, y_, r.b);
    y_ += m.CharH;
  }
  room(2);
  setFont(11, false);
  y_ += m.CharH;
  page_.text(Name, y_, counts);
  page_.end();
}

namespace {
QString number(double v) { return QString::number(v, 'g', 15); }

// A value that reads as one of the listed numbers prints as its text.
QString chosen(double v, std::initializer_list<std::pair<int, int>> texts, const Messages &msg) {
  for (const auto &[value, text] : texts)
    if (v == value)
      return msg.text(text);
  return number(v);
}
} // namespace

QStringList FillParaPrintList(const ParametaRecord &p, const QString &dataName, const Messages &msg) {
  QStringList l(17);
  l[0] = dataName;
  l[1] = number(p.HomeOffset);
  l[2] = number(p.HomeVel);
  l[3] = number(p.HomeOfsVel);
  l[4] = number(p.AxisPulse);
  l[5] = chosen(p.AxisAutoDrv, {{0, 641}, {1, 642}}, msg);
  const QString size = p.ActCode.left(2);
  l[7] = size == u"20" ? QStringLiteral("SP") : size;
  l[8] = chosen(p.PgFunc, {{0, 652}, {1, 653}}, msg);
  l[9] = number(p.PgAlarm);
  l[10] = chosen(p.HomeOut, {{0, 657}, {1, 658}, {2, 659}, {3, 660}}, msg);
  l[11] = number(p.InpLimit);
  l[12] = number(p.PgCheckTimer);
  l[13] = chosen(p.AutoHome, {{0, 655}, {1, 656}}, msg);
  l[14] = number(p.LsSerchTimer);
  l[15] = chosen(p.EmgLogic, {{0, 691}, {1, 690}}, msg);
  l[16] = chosen(p.AlarmAutoClear, {{0, 655}, {1, 656}}, msg);
  return l;
}
