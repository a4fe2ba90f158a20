#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

class ControllerSim;
class QSocketNotifier;

// Serves a ControllerSim on a pseudo-terminal: clients open the slave as
// their serial port. The bridge keeps a slave descriptor of its own, so a
// client closing and reopening the port does not hang up the master.
class PtyBridge : public QObject {
  Q_OBJECT
public:
  explicit PtyBridge(ControllerSim *sim, QObject *parent = nullptr);
  ~PtyBridge() override;

  bool open(QString *error);
  QString slavePath() const { return slavePath_; }
  // Creates or replaces the symbolic link `path` to the slave; removed again
  // when the bridge goes.
  bool makeLink(const QString &path, QString *error);

private:
  void readMaster();
  void writeMaster(const QByteArray &bytes);
  void flush();

  ControllerSim *sim_ = nullptr;
  int master_ = -1;
  int slave_ = -1;
  QString slavePath_;
  QString link_;
  QSocketNotifier *readNotifier_ = nullptr;
  QSocketNotifier *writeNotifier_ = nullptr;
  QByteArray pending_;
};
