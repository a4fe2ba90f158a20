#pragma once
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

// Debian's PostgreSQL 15 as a server of the test's own: a cluster made by
// initdb (trust) in a temporary folder, listening only on a Unix socket
// there, ended fast with the fixture. PostgreSQL refuses to run as root, so
// under root the server runs as "nobody", whose name is then the role.
struct Postgres {
  static constexpr const char *Bin = "/usr/lib/postgresql/15/bin";
  static bool installed() { return QFile::exists(bin("postgres")); }

  QTemporaryDir folder; // the cluster in "data", the socket and the log beside it
  QProcess server;
  QString user, why; // the role; what went wrong
  quint16 port = 5432; // only names the socket, which is in a folder of its own

  ~Postgres() { stop(); }

  // Running and taking connections; false with why said. `settings` are
  // extra "name=value" for the server.
  bool start(const QStringList &settings = {}) {
    stop();
    if (!folder.isValid())
      return failed(QStringLiteral("no temporary folder"));
    if (!becomeOwner())
      return false;
    const QString data = folder.filePath(QStringLiteral("data"));
    if (!QFile::exists(data)) {
      QProcess initdb;
      prepare(initdb);
      initdb.start(bin("initdb"), {"-D", data, "--auth=trust", "--encoding=UTF8", "--locale=C", "--no-sync",
                                   "--no-instructions"});
      if (!initdb.waitForFinished(60000) || initdb.exitStatus() != QProcess::NormalExit || initdb.exitCode() != 0)
        return failed(QStringLiteral("initdb: ") + QString::fromLocal8Bit(initdb.readAll()).trimmed());
    }
    QStringList args{"-D", data, "-k", folder.path(), "-p", QString::number(port), "-c", "listen_addresses="};
    for (const QString &s : settings)
      args << "-c" << s;
    prepare(server);
    // A log nobody reads would fill the pipe and stall the server.
    server.setStandardOutputFile(log());
    server.start(bin("postgres"), args);
    if (!server.waitForStarted(5000))
      return failed(QStringLiteral("postgres: ") + server.errorString());
    // Ready once the server says so in its pid file, as pg_ctl waits for it.
    for (int tries = 0; tries < 1500 && server.state() == QProcess::Running; ++tries) {
      QFile pid(data + QStringLiteral("/postmaster.pid"));
      if (pid.open(QIODevice::ReadOnly) && pid.readAll().trimmed().endsWith("\nready"))
        return true;
      QTest::qWait(10);
    }
    return failed(QStringLiteral("postgres did not become ready"));
  }

  // The fast shutdown: open sessions are ended, not waited for.
  void stop() {
    if (server.state() == QProcess::NotRunning)
      return;
    ::kill(pid_t(server.processId()), SIGINT);
    if (!server.waitForFinished(20000)) {
      server.kill();
      server.waitForFinished(5000);
    }
  }

  // HistoryDb's address of database `db` on this server.
  QString address(const QString &db) const {
    return QStringLiteral("postgresql://%1@/%2?host=%3&port=%4").arg(user, db, folder.path()).arg(port);
  }

  // A connection named `name` to database `db`, not yet opened.
  QSqlDatabase connection(const QString &name, const QString &db) const {
    QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    c.setHostName(folder.path());
    c.setPort(port);
    c.setUserName(user);
    c.setDatabaseName(db);
    return c;
  }

  // A new, empty database; false with why said.
  bool create(const QString &db) {
    QString error;
    {
      QSqlDatabase c = connection(QStringLiteral("kt-postgres"), QStringLiteral("postgres"));
      QSqlQuery q(c);
      if (!c.open() || !q.exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(db)))
        error = QStringLiteral("CREATE DATABASE %1: %2 %3").arg(db, c.lastError().text(), q.lastError().text());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("kt-postgres"));
    return error.isEmpty() || failed(error);
  }

private:
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool root_ = false;

  static QString bin(const char *name) { return QStringLiteral("%1/%2").arg(QLatin1String(Bin), QLatin1String(name)); }
  QString log() const { return folder.filePath(QStringLiteral("postgres.log")); }
  bool failed(const QString &what) {
    why = what;
    QFile f(log());
    if (f.open(QIODevice::ReadOnly))
      why += QStringLiteral("\n") + QString::fromLocal8Bit(f.readAll().right(2000));
    return false;
  }

  // Who the server runs as: this user, or under root "nobody", given the folder.
  bool becomeOwner() {
    root_ = geteuid() == 0;
    const passwd *pw = root_ ? getpwnam("nobody") : getpwuid(geteuid());
    if (!pw)
      return failed(root_ ? QStringLiteral("no user nobody to run postgres as") : QStringLiteral("no user name"));
    user = QString::fromLocal8Bit(pw->pw_name);
    uid_ = pw->pw_uid;
    gid_ = pw->pw_gid;
    if (root_ && chown(QFile::encodeName(folder.path()).constData(), uid_, gid_) != 0)
      return failed(QStringLiteral("cannot hand %1 to nobody").arg(folder.path()));
    return true;
  }

  // The child drops root (when it is root) and goes when the test goes,
  // even when the test crashes. Only system calls: it runs between fork and exec.
  void prepare(QProcess &p) {
    p.setWorkingDirectory(folder.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    const bool root = root_;
    const uid_t uid = uid_;
    const gid_t gid = gid_;
    const pid_t parent = getpid();
    p.setChildProcessModifier([root, uid, gid, parent] {
      if (root && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)) {
        static const char no[] = "cannot drop root\n";
        (void)!write(2, no, sizeof no - 1);
        _exit(126);
      }
      // Set after the change of user, which would clear it.
      prctl(PR_SET_PDEATHSIG, SIGINT);
      if (getppid() != parent)
        _exit(1);
    });
  }
};
