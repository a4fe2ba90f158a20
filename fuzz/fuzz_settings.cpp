// The settings file as the program reads it at start: the language, the
// port number and flags, the main window's place, the device of each port
// number, and a port as the options dialog's list names it.
#include "scripteddevice.h"
#include "fakedialogs.h"
#include "fuzzcommon.h"
#include "optiondialog.h"
#include "portmap.h"
#include "program.h"
#include "startup.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const FuzzEnv &env = fuzzEnv();
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  QDir().mkpath(env.file("KOV-T6"));
  writeBytes(env.file("KOV-T6/KOV-T6.ini"), "[Settings]\n" + bytes);

  FakeDialogs dialogs;
  Program p(dialogs);
  ScriptedDevice line; // nothing opens a real port
  p.link.setDevice(&line);
  LoadSettings(p.m, p.store);
  FUZZ_CHECK(p.m.LangBase == (p.m.Languege == 1 ? 0 : 10000));
  p.frmMain_Load();
  const Control &form = p.frmMain.form;
  FUZZ_CHECK(form.width >= 1500 && form.width <= 150000);
  FUZZ_CHECK(form.height >= 1500 && form.height <= 150000);

  PortMap map;
  map.byIdFolder = env.file("by-id");
  map.devFolder = env.file("dev");
  for (int n = 0; n <= 33; ++n) {
    const QString path = map.devicePath(n);
    FUZZ_CHECK(path == path.trimmed());
    const int port = OptionDialog::PortFromText(p.store.text(QStringLiteral("Device%1").arg(n)));
    FUZZ_CHECK(port == -1 || (port >= 1 && port <= 32));
  }
  return 0;
}
