#pragma once
#include <QObject>
#include <QString>

// What a page of the main window holds: the file whose contents it shows
// (empty after a controller read or a standard load) and whether it holds
// edits that exist nowhere else, neither in a file nor in the controller.
class Document : public QObject {
  Q_OBJECT
public:
  const QString &path() const { return path_; }
  bool isEdited() const { return edited_; }

  void setEdited(bool on) {
    if (on == edited_)
      return;
    edited_ = on;
    Q_EMIT changed();
  }
  // The page now shows `path` (empty: no file), with nothing unsaved.
  void setPath(const QString &path) {
    if (path == path_ && !edited_)
      return;
    path_ = path;
    edited_ = false;
    Q_EMIT changed();
  }

Q_SIGNALS:
  void changed();

private:
  QString path_;
  bool edited_ = false;
};
