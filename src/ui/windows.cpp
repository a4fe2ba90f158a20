#include "windows.h"
#include "binder.h"
#include "program.h"
#include "widgets.h"

#include <QApplication>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The dialog's closing buttons, the first of them the one Enter presses
// wherever the focus is: built after the dialog's other buttons.
QHBoxLayout *buttonRow(QWidget *parent, std::initializer_list<Control *> buttons) {
  for (auto *other : parent->findChildren<QPushButton *>())
    other->setAutoDefault(false);
  auto *row = new QHBoxLayout;
  row->addStretch();
  for (Control *c : buttons) {
    auto *b = static_cast<QPushButton *>(make(*c, parent));
    b->setMinimumWidth(90);
    b->setAutoDefault(false);
    row->addWidget(b);
  }
  static_cast<QPushButton *>(row->itemAt(1)->widget())->setDefault(true);
  return row;
}

// A dialog shown and hidden by its model; closing it asks the model.
class ModelDialog : public QDialog {
public:
  ModelDialog(Window &model, QWidget *owner) : QDialog(owner), model_(model) {
    setWindowModality(Qt::ApplicationModal);
  }
  void reject() override { model_.requestClose(); }

private:
  Window &model_;
};

QDialog *dialog(Window &model, QWidget *owner) {
  auto *d = new ModelDialog(model, owner);
  binder::bind(model.form, d);
  return d;
}

QWidget *buildSplash(FrmSplash &f) {
  auto *w = new QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, QColor(0x1F, 0x3A, 0x5F));
  pal.setColor(QPalette::WindowText, Qt::white);
  w->setPalette(pal);
  auto *l = new QVBoxLayout(w);
  l->setContentsMargins(40, 30, 40, 30);
  auto *title = static_cast<QLabel *>(make(f.lblTitle, w));
  QFont big = title->font();
  big.setPointSize(28);
  big.setBold(true);
  title->setFont(big);
  l->addWidget(title);
  l->addWidget(make(f.lblProduct, w));
  l->addSpacing(20);
  l->addWidget(make(f.lblVersion, w));
  w->setFixedSize(420, 220);
  binder::bind(f.form, w);
  return w;
}

QWidget *buildDevice(FrmDevice &f, QWidget *owner) {
  QDialog *d = dialog(f, owner);
  auto *l = new QVBoxLayout(d);
  l->addWidget(make(f.lblDeviceSetumei, d));
  auto *row = new QHBoxLayout;
  row->addWidget(make(f.lblDeviceSize, d));
  row->addWidget(make(f.comboDeviceSize, d), 1);
  row->addWidget(make(f.chkDevPgUse, d));
  l->addLayout(row);
  l->addLayout(buttonRow(d, {&f.cmdDeviceSet, &f.cmdDeviceCancel}));
  return d;
}

QWidget *buildTrance(FrmTrance &f, QWidget *owner) {
  QDialog *d = dialog(f, owner);
  auto *l = new QVBoxLayout(d);
  l->addWidget(make(f.lblSetumei, d));
  l->addWidget(make(f.prgBar1, d));
  d->setMinimumWidth(360);
  return d;
}

// The safe write and where the history is kept.
QWidget *buildMemoryTab(FrmOption &f) {
  auto *memory = new QWidget;
  auto *g = new QGridLayout(memory);
  g->addWidget(make(f.chkSafeWrite, memory), 0, 0, 1, 2);
  g->addWidget(make(f.lblHistoryDb, memory), 1, 0);
  auto *address = static_cast<QLineEdit *>(make(f.txtHistoryDb, memory));
  address->setPlaceholderText(HistoryDb::defaultFile());
  g->addWidget(address, 1, 1);
  auto *hint = static_cast<QLabel *>(make(f.lblHistoryDbHint, memory));
  hint->setWordWrap(true);
  g->addWidget(hint, 2, 0, 1, 2);
  g->setColumnStretch(1, 1);
  g->setRowStretch(3, 1);
  return memory;
}

QWidget *buildOption(FrmOption &f, QWidget *owner) {
  QDialog *d = dialog(f, owner);
  auto *l = new QVBoxLayout(d);
  auto *tabs = new QTabWidget(d);

  auto *port = new QWidget;
  auto *pg = new QGridLayout(port);
  pg->addWidget(make(f.lblPortNo, port), 0, 0);
  QWidget *list = make(f.comboPortNo, port);
  list->setMinimumWidth(360); // room for the device beside each number
  pg->addWidget(list, 0, 1);
  pg->addWidget(make(f.cmdRefresh, port), 0, 2);
  auto *problems = static_cast<QLabel *>(make(f.lblPortProblems, port));
  problems->setWordWrap(true);
  pg->addWidget(problems, 1, 0, 1, 3);
  pg->addWidget(make(f.chkPortOccupy, port), 2, 0, 1, 3);
  pg->addWidget(make(f.lblNetLine, port), 3, 0);
  auto *address = static_cast<QLineEdit *>(make(f.txtNetLine, port));
  address->setPlaceholderText(QStringLiteral("tcp://HOST:PORT, rfc2217://HOST:PORT"));
  pg->addWidget(address, 3, 1);
  pg->addWidget(make(f.cmdAddNetLine, port), 3, 2);
  pg->setRowStretch(4, 1);
  tabs->addTab(port, QString());

  auto *unit = new QWidget;
  auto *ul = new QVBoxLayout(unit);
  auto *disp = static_cast<QGroupBox *>(make(f.framDispUnit, unit));
  auto *dl = new QHBoxLayout(disp);
  dl->addWidget(make(f.optDispPos(0), disp));
  dl->addWidget(make(f.optDispPos(1), disp));
  ul->addWidget(disp);
  auto *round = static_cast<QGroupBox *>(make(f.framMmUpDown, unit));
  auto *rl = new QHBoxLayout(round);
  rl->addWidget(make(f.optSutiSyori(0), round));
  rl->addWidget(make(f.optSutiSyori(1), round));
  ul->addWidget(round);
  QWidget *caution = make(f.lblTyuijikou, unit);
  static_cast<QLabel *>(caution)->setWordWrap(true);
  ul->addWidget(caution);
  ul->addStretch();
  tabs->addTab(unit, QString());

  auto *lang = new QWidget;
  auto *ll = new QVBoxLayout(lang);
  auto *langFrame = static_cast<QGroupBox *>(make(f.framLanguege, lang));
  auto *lf = new QVBoxLayout(langFrame);
  lf->addWidget(make(f.optLanguege(0), langFrame));
  lf->addWidget(make(f.optLanguege(1), langFrame));
  ll->addWidget(langFrame);
  ll->addStretch();
  tabs->addTab(lang, QString());

  tabs->addTab(buildMemoryTab(f), QString());

  binder::bind(f.SSTabOption, tabs);
  l->addWidget(tabs);
  l->addLayout(buttonRow(d, {&f.cmdOK, &f.cmdCancel, &f.cmdApply}));
  d->setMinimumWidth(560);
  return d;
}

QWidget *buildPrintSelect(FrmPrintSelect &f, QWidget *owner) {
  QDialog *d = dialog(f, owner);
  auto *l = new QVBoxLayout(d);
  l->addWidget(make(f.lblPrintSet, d));
  auto *posi = static_cast<QGroupBox *>(make(f.frmPrintPosi, d));
  auto *pg = new QGridLayout(posi);
  pg->addWidget(make(f.optPrintPosi(0), posi), 0, 0, 1, 3);
  pg->addWidget(make(f.optPrintPosi(1), posi), 1, 0);
  QWidget *name = make(f.lblPrintPosiName, posi);
  name->setMinimumWidth(220);
  pg->addWidget(name, 1, 1);
  pg->addWidget(make(f.cmdSelectPosiFile, posi), 1, 2);
  l->addWidget(posi);
  auto *para = new QHBoxLayout;
  para->addWidget(make(f.optPrintPara, d));
  para->addWidget(make(f.lblPrintParaName, d), 1);
  para->addWidget(make(f.cmdSelectParaFile, d));
  l->addLayout(para);
  l->addLayout(buttonRow(d, {&f.cmdPrintSet, &f.cmdPrintCancel}));
  return d;
}

QWidget *buildAbout(FrmAbout &f, QWidget *owner) {
  QDialog *d = dialog(f, owner);
  auto *g = new QGridLayout(d);
  // A picture, not one of the lamps that images are elsewhere.
  auto *icon = new QLabel(d);
  binder::bind(f.picIcon, icon);
  icon->setPixmap(programIcon(48));
  g->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
  auto *title = static_cast<QLabel *>(make(f.lblTitle, d));
  QFont big = title->font();
  big.setPointSize(16);
  big.setBold(true);
  title->setFont(big);
  g->addWidget(title, 0, 1);
  g->addWidget(make(f.lblVersion, d), 1, 1);
  for (Control *c : {&f.lblDescription, &f.lblDisclaimer, &f.lblHpAddress}) {
    auto *lbl = static_cast<QLabel *>(make(*c, d));
    lbl->setWordWrap(true);
    g->addWidget(lbl, g->rowCount(), 1);
  }
  auto *buttons = new QVBoxLayout;
  buttons->addWidget(make(f.cmdOK, d));
  buttons->addWidget(make(f.cmdSysInfo, d));
  buttons->addStretch();
  g->addLayout(buttons, 0, 2, g->rowCount(), 1);
  d->setMinimumWidth(460);
  return d;
}

} // namespace

QList<QWidget *> buildWindows(Program &p, QWidget *mainWindow) {
  return {buildSplash(p.frmSplash),
          buildDevice(p.frmDevice, mainWindow),
          buildTrance(p.frmTrance, mainWindow),
          buildOption(p.frmOption, mainWindow),
          buildPrintSelect(p.frmPrintSelect, mainWindow),
          buildAbout(p.frmAbout, mainWindow)};
}
