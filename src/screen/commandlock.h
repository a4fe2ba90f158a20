#pragma once
#include <QList>

class FrmMain;

// The command groups of the main window, locked while a command runs so that
// no second command starts during its waits, and unlocked on every way out.
// Groups lock in the order given and unlock in that same order.
class CommandLock {
public:
  enum class Group {
    Commands,         // CMDBTN
    Menus,            // Menyu
    ParameterButtons, // ParaBtn
    DataCommand,      // a command of the data page: its buttons, the other page, the menus
    ParaCommand,      // a command of the parameter page: likewise
  };

  CommandLock(FrmMain &f, QList<Group> groups);
  ~CommandLock() { release(); }
  CommandLock(const CommandLock &) = delete;
  CommandLock &operator=(const CommandLock &) = delete;

  // Unlocks now, for a command with more to do once the groups are free
  // (a final message); later calls do nothing.
  void release();

private:
  FrmMain &f_;
  QList<Group> groups_;
};
