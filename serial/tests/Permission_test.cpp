// A user who is not in the group that owns the device: the open says so, with
// the device file, its group and the fix, and the port is not offered. The
// test runs the open as an unprivileged user, since root passes every check.
#include "serial/SerialError.h"
#include "serial/tests/PtyPair.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <string>

namespace {

constexpr int HelperDeadlineMs = 60000;

struct TOutcome {
  int code = 1;
  std::string message;
  bool available = true;
};

TOutcome Parse(const QString& output) {
  TOutcome outcome;
  const QStringList lines = output.split('\n');
  if (lines.size() < 3) return outcome;
  outcome.code = lines[0].section(' ', 1).toInt();
  outcome.message = lines[1].toStdString();
  outcome.available = lines[2].section(' ', 1).toInt() != 0;
  return outcome;
}

std::string GroupOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  const group* entry = ::getgrgid(info.st_gid);
  return entry ? entry->gr_name : std::to_string(info.st_gid);
}

TEST(PermissionTest, AUserOutsideTheDevicesGroupIsToldWhyAndHowToGetIn) {
  TPtyPair pty;
  ASSERT_TRUE(pty.Ok());
  const std::string path = pty.SlavePath();
  QString program = ZELOR_OPEN_HELPER;
  QStringList arguments{QString::fromStdString(path)};
  if (::geteuid() == 0) {
    // Root opens anything: the device is given to a group, as a USB adapter
    // is, and the open runs as a user outside it.
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    const passwd* nobody = ::getpwnam("nobody");
    if (setpriv.isEmpty() || nobody == nullptr) {
      GTEST_SKIP() << "running as root without setpriv or the user nobody: the open cannot be made "
                      "as an unprivileged user here";
    }
    const group* dialout = ::getgrnam("dialout");
    ASSERT_EQ(::chown(path.c_str(), 0, dialout ? dialout->gr_gid : 0), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    arguments = QStringList{"--reuid=" + QString::number(nobody->pw_uid),
                            "--regid=" + QString::number(nobody->pw_gid), "--clear-groups", program} +
                arguments;
    program = setpriv;
  } else if (::chmod(path.c_str(), 0) != 0) {
    GTEST_SKIP() << "the pseudo-terminal's mode cannot be changed: no device this user may not open";
  }
  QProcess helper;
  helper.start(program, arguments);
  ASSERT_TRUE(helper.waitForFinished(HelperDeadlineMs)) << helper.errorString().toStdString();
  ASSERT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
  const TOutcome outcome = Parse(QString::fromUtf8(helper.readAllStandardOutput()));
  EXPECT_EQ(outcome.code, ecPermissionDenied) << outcome.message;
  const std::string group = GroupOf(path);
  for (const std::string& part : {path, "« " + group + " »", std::string("usermod -aG ") + group,
                                  std::string("se reconnecter")}) {
    EXPECT_NE(outcome.message.find(part), std::string::npos) << part << " missing in: " << outcome.message;
  }
  EXPECT_EQ(outcome.message.find("already open"), std::string::npos);
  EXPECT_FALSE(outcome.available) << "a port this user may not open is offered";
}

}  // namespace
