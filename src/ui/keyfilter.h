#pragma once
#include <QObject>

class Program;

// Drops F1 in every window while the language is English.
class KeyFilter : public QObject {
public:
  KeyFilter(Program &program, QObject *parent) : QObject(parent), p_(program) {}

protected:
  bool eventFilter(QObject *watched, QEvent *e) override;

private:
  Program &p_;
};
