#include "commandlock.h"
#include "frmmain.h"

#include <utility>

namespace {

struct Pair {
  void (FrmMain::*lock)();
  void (FrmMain::*unlock)();
};
// In the order of CommandLock::Group.
constexpr Pair Pairs[] = {
    {&FrmMain::CMDBTN_Muko, &FrmMain::CMDBTN_Yuko},
    {&FrmMain::Menyu_Muko, &FrmMain::Menyu_Yuko},
    {&FrmMain::ParaBtn_Muko, &FrmMain::ParaBtn_Yuko},
    {&FrmMain::DataCommand_Muko, &FrmMain::DataCommand_Yuko},
    {&FrmMain::ParaCommand_Muko, &FrmMain::ParaCommand_Yuko},
};

const Pair &pair(CommandLock::Group g) { return Pairs[std::size_t(g)]; }

} // namespace

CommandLock::CommandLock(FrmMain &f, QList<Group> groups) : f_(f), groups_(std::move(groups)) {
  for (const Group g : groups_)
    (f_.*pair(g).lock)();
}

void CommandLock::release() {
  for (const Group g : std::exchange(groups_, {}))
    (f_.*pair(g).unlock)();
}
