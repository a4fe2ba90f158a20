#include "qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QMainWindow>
#include <QStatusBar>
#include <QMessageBox>

Dialogs::Answer QtDialogs::showMessage(const Told &told, Buttons buttons, Icon icon, const QString &details) {
  const QString &text = told.text;
  const bool question = buttons != Buttons::Ok;
  if (closing_ && closing_())
    return question ? (buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No) : Answer::Ok;

  QMessageBox box(owner_);
  box.setWindowTitle(QStringLiteral("KOV-T6"));
  // A box to answer, not a window to minimise or maximise.
  box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                     Qt::WindowCloseButtonHint);
  box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  if (!details.isEmpty())
    box.setDetailedText(QString(details).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  switch (icon) {
  case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
  case Icon::Information: box.setIcon(QMessageBox::Information); break;
  case Icon::Question: box.setIcon(QMessageBox::Question); break;
  case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
  }
  switch (buttons) {
  case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
  case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
  case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
  case Buttons::YesNoCancel:
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    break;
  case Buttons::SaveDiscardCancel:
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    break;
  }
  // The hourglass must not stand over a box that waits for the operator.
  const bool wasBusy = busy_ > 0;
  if (wasBusy)
    QApplication::restoreOverrideCursor();
  const int answer = box.exec();
  if (wasBusy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  switch (answer) {
  case QMessageBox::Yes:
  case QMessageBox::Save: return Answer::Yes;
  case QMessageBox::No:
  case QMessageBox::Discard: return Answer::No;
  case QMessageBox::Cancel: return Answer::Cancel;
  default:
    // The close box of a three-way question keeps everything as it is.
    if (buttons == Buttons::SaveDiscardCancel || buttons == Buttons::YesNoCancel)
      return Answer::Cancel;
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::No;
  }
}

void QtDialogs::showStatus(const Told &text) {
  if (auto *window = qobject_cast<QMainWindow *>(owner_))
    window->statusBar()->showMessage(text.text);
}

void QtDialogs::showDone(const Told &text) {
  if (auto *window = qobject_cast<QMainWindow *>(owner_))
    window->statusBar()->showMessage(text.text);
}

void QtDialogs::setBusy(bool busy) {
  if (busy) {
    if (busy_++ == 0)
      QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busy_ > 0 && --busy_ == 0) {
    QApplication::restoreOverrideCursor();
  }
}

namespace qtdialogs {

QStringList qtFilters(const QString &filter) {
  const QStringList parts = filter.split(u'|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
    if (parts[i].contains(u'(') && parts[i].endsWith(u')'))
      out << parts[i].left(parts[i].indexOf(u'(')).trimmed() + QStringLiteral(" (") + patterns +
                 u')';
    else
      out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return out;
}

namespace {
QString folderKey(const QString &extension) {
  return QStringLiteral("LastFolder") + (extension.isEmpty() ? QString() : u'_' + extension);
}
} // namespace

QString startFolder(const SettingsStore &store, const QString &extension,
                    const QString &programFolder) {
  const QString folder = store.text(folderKey(extension));
  if (!folder.isEmpty() && QFileInfo(folder).isDir())
    return folder;
  const QFileInfo program(programFolder);
  if (program.isDir() && program.isWritable())
    return programFolder;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return documents.isEmpty() ? QDir::homePath() : documents;
}

void rememberFolder(SettingsStore &store, const QString &extension, const QString &chosen) {
  store.write(folderKey(extension), QFileInfo(chosen).absolutePath());
}

} // namespace qtdialogs

QString QtDialogs::chooseFile(const FileDialog &d, bool save) {
  if (closing_ && closing_())
    return {};
  QFileDialog dialog(owner_, d.title);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(qtdialogs::qtFilters(d.filter));
  dialog.setDirectory(qtdialogs::startFolder(store_, d.defaultExtension));
  dialog.setDefaultSuffix(d.defaultExtension);
  if (!d.defaultName.isEmpty())
    dialog.selectFile(d.defaultName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return {};
  const QString chosen = dialog.selectedFiles().first();
  qtdialogs::rememberFolder(store_, d.defaultExtension, chosen);
  return chosen;
}

QString QtDialogs::saveFileName(const FileDialog &d) { return chooseFile(d, true); }
QString QtDialogs::openFileName(const FileDialog &d) { return chooseFile(d, false); }

void QtDialogs::useLanguege(qint16 languege) {
  QCoreApplication::removeTranslator(&qtTexts_);
  // Without the translations installed the toolkit's texts stay English,
  // which is readable; nothing to tell the operator.
  if (languege == 1 && qtTexts_.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qtTexts_);
}
