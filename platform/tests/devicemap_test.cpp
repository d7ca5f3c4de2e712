#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <map>
#include <vector>
#include <string>

#include "platform/DeviceMap.h"

namespace {

using TMap = std::map<int, std::string>;

// Sets an environment variable for one test and puts the old value back.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~TScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class DeviceMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(dir_.filePath("tty")));
    for (const char* name : {"ttyS0", "ttyS1", "ttyS3", "ttyS7", "ttyUSB1", "ttyUSB0", "ttyUSB10", "ttyACM0",
                             "ttyUSBx", "tty0", "console", "ptmx"}) {
      QFile file(dir_.filePath(QString("tty/") + name));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
  }

  std::string TtyDir() const { return dir_.filePath("tty").toStdString(); }
  // Stands in for /dev/serial/by-id; empty unless a test adds links.
  std::string ById() const { return dir_.filePath("by-id").toStdString(); }
  std::string OverrideFile() const { return dir_.filePath("comports").toStdString(); }

  void WriteOverrides(const std::string& text) {
    QFile file(QString::fromStdString(OverrideFile()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.c_str());
  }

  std::string ReadOverrides() const {
    QFile file(QString::fromStdString(OverrideFile()));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
  }

  QTemporaryDir dir_;
  TScopedEnv file_{"ZELOR_COMPORTS_FILE", nullptr};
  TScopedEnv list_{"ZELOR_COMPORTS", nullptr};
};

const TMap SystemDefault = {
    {1, "/dev/ttyS0"},   {2, "/dev/ttyS1"},    {4, "/dev/ttyS3"},   {5, "/dev/ttyUSB0"},
    {6, "/dev/ttyUSB1"}, {7, "/dev/ttyUSB10"}, {8, "/dev/ttyACM0"},
};

TEST_F(DeviceMapTest, SystemDevicesGetStableNumbers) {
  EXPECT_EQ(SystemSerialDevices(TtyDir(), ById()), SystemDefault);
}

TEST_F(DeviceMapTest, OverridesApplyFileThenVariable) {
  struct TCase {
    const char* name;
    const char* file;  // nullptr: no file
    const char* list;  // nullptr: variable unset
    TMap changes;      // on top of the default; an empty path means removed
  } const cases[] = {
      {"nothing", nullptr, nullptr, {}},
      {"file adds and moves",
       "# bench\n\nCOM9=/dev/pts/3\ncom1 = /dev/ttyUSB1\n",
       nullptr,
       {{9, "/dev/pts/3"}, {1, "/dev/ttyUSB1"}}},
      {"later line wins", "COM9=/dev/pts/3\nCOM9=/dev/pts/4\n", nullptr, {{9, "/dev/pts/4"}}},
      {"empty path hides", "COM5=\n", nullptr, {{5, ""}}},
      {"bad lines ignored",
       "COM=/dev/a\nCOMX=/dev/b\nCOM0=/dev/c\nPORT3=/dev/d\nCOM3 /dev/e\nCOM70000=/dev/f\n",
       nullptr,
       {}},
      {"variable wins over file",
       "COM7=/dev/pts/1\n",
       "com7=/dev/pts/5;COM12=/dev/pts/6",
       {{7, "/dev/pts/5"}, {12, "/dev/pts/6"}}},
      {"variable with empty entries", nullptr, ";COM3=/dev/pts/2;;", {{3, "/dev/pts/2"}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(QString::fromStdString(OverrideFile()));
    if (c.file) WriteOverrides(c.file);
    TScopedEnv file("ZELOR_COMPORTS_FILE", OverrideFile().c_str());
    TScopedEnv list("ZELOR_COMPORTS", c.list);
    TMap expected = SystemDefault;
    for (const auto& [n, path] : c.changes) {
      if (path.empty())
        expected.erase(n);
      else
        expected[n] = path;
    }
    EXPECT_EQ(DeviceMap(TtyDir(), ById()), expected);
  }
}

TEST_F(DeviceMapTest, OverrideFileFollowsTheConfigurationFolders) {
  TScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(ComPortsFilePath(), "/cfg/zelor/comports");
  TScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
  TScopedEnv home("HOME", "/home/lab");
  EXPECT_EQ(ComPortsFilePath(), "/home/lab/.config/zelor/comports");
  TScopedEnv named("ZELOR_COMPORTS_FILE", "/etc/zelor-ports");
  EXPECT_EQ(ComPortsFilePath(), "/etc/zelor-ports");
}

TEST_F(DeviceMapTest, RegisteringRewritesOnlyThePortsLine) {
  WriteOverrides("# simulator ports\nCOM3=/dev/pts/1\ncom7=/dev/pts/2\nCOM7=/dev/pts/9\n");
  TScopedEnv file("ZELOR_COMPORTS_FILE", OverrideFile().c_str());
  ASSERT_TRUE(RegisterPort(7, "/dev/pts/5"));
  EXPECT_EQ(ReadOverrides(), "# simulator ports\nCOM3=/dev/pts/1\nCOM7=/dev/pts/5\n");
  EXPECT_EQ(DeviceMap(TtyDir(), ById()).at(7), "/dev/pts/5");
  ASSERT_TRUE(UnregisterPort(7));
  EXPECT_EQ(ReadOverrides(), "# simulator ports\nCOM3=/dev/pts/1\n");
  EXPECT_EQ(DeviceMap(TtyDir(), ById()).at(7), "/dev/ttyUSB10");          // the default shows again
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 1);  // no temporary file left
}

TEST_F(DeviceMapTest, RegisteringCreatesTheFolderAndRefusesBadArguments) {
  const std::string nested = dir_.filePath("config/zelor/comports").toStdString();
  TScopedEnv file("ZELOR_COMPORTS_FILE", nested.c_str());
  EXPECT_TRUE(UnregisterPort(4));  // nothing to remove, nothing written
  EXPECT_FALSE(QFile::exists(QString::fromStdString(nested)));
  EXPECT_FALSE(RegisterPort(0, "/dev/pts/1"));
  EXPECT_FALSE(RegisterPort(4, ""));
  EXPECT_FALSE(RegisterPort(4, "/dev/pts/1\nCOM1=/dev/evil"));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(nested)));
  ASSERT_TRUE(RegisterPort(4, "/dev/pts/1"));
  EXPECT_EQ(DevicePathFor(4), "/dev/pts/1");
  const auto ports = MappedPorts();
  EXPECT_NE(std::find(ports.begin(), ports.end(), 4), ports.end());
  EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
}

// A fixture tree standing in for /sys/class/tty and /dev/serial/by-id, where
// adapters come, go and swap their kernel names between runs.
class AdapterNumbersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(dir_.filePath("tty")));
    ASSERT_TRUE(QDir().mkpath(dir_.filePath("by-id")));
    ::setenv("ZELOR_COMPORTS_FILE", File().c_str(), 1);
  }

  // The machine now has these devices; `links` gives the by-id name of those
  // that have one.
  void Plug(const std::vector<std::string>& devices, const std::map<std::string, std::string>& links) {
    for (const char* sub : {"tty", "by-id"}) {
      QDir folder(dir_.filePath(sub));
      for (const QString& entry : folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        ASSERT_TRUE(folder.remove(entry));
    }
    for (const std::string& device : devices) {
      QFile file(dir_.filePath(QString::fromStdString("tty/" + device)));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    for (const auto& [id, device] : links) {
      ASSERT_TRUE(QFile::link(QString::fromStdString("../../" + device),
                              dir_.filePath(QString::fromStdString("by-id/" + id))));
    }
  }

  // A USB device as sysfs shows it: the ids and serial number of the device,
  // and the interface the tty hangs off. An empty serial: the device has none.
  struct TUsbTty {
    std::string tty;
    std::string vendor;
    std::string product;
    std::string serial;
    std::string interface;
  };

  // The machine now has these USB ttys, laid out as sysfs does: the class
  // entry's `device` link leads into the tree of the USB device.
  void PlugUsb(const std::vector<TUsbTty>& ttys) {
    for (const char* sub : {"tty", "devices", "by-id"}) {
      ASSERT_TRUE(QDir(dir_.filePath(sub)).removeRecursively());
      ASSERT_TRUE(QDir().mkpath(dir_.filePath(sub)));
    }
    int bus = 0;
    for (const TUsbTty& t : ttys) {
      const std::string device = "devices/usb1/1-" + std::to_string(++bus);
      const std::string port = device + "/1-" + std::to_string(bus) + ":1." + t.interface + "/" + t.tty;
      ASSERT_TRUE(QDir().mkpath(dir_.filePath(QString::fromStdString(port))));
      Write(device + "/idVendor", t.vendor);
      Write(device + "/idProduct", t.product);
      if (!t.serial.empty()) Write(device + "/serial", t.serial);
      Write(device + "/1-" + std::to_string(bus) + ":1." + t.interface + "/bInterfaceNumber", t.interface);
      ASSERT_TRUE(QDir().mkpath(dir_.filePath(QString::fromStdString("tty/" + t.tty))));
      ASSERT_TRUE(QFile::link(QString::fromStdString("../../" + port),
                              dir_.filePath(QString::fromStdString("tty/" + t.tty + "/device"))));
    }
  }

  void Write(const std::string& name, const std::string& text) {
    QFile file(dir_.filePath(QString::fromStdString(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((text + "\n").c_str());
  }

  std::string Tty() const { return dir_.filePath("tty").toStdString(); }
  std::string ById() const { return dir_.filePath("by-id").toStdString(); }
  std::string Id(const std::string& name) const { return ById() + "/" + name; }
  std::string File() const { return dir_.filePath("comports").toStdString(); }

  QTemporaryDir dir_;
  TScopedEnv file_{"ZELOR_COMPORTS_FILE", nullptr};
  TScopedEnv list_{"ZELOR_COMPORTS", nullptr};
};

TEST_F(AdapterNumbersTest, AnAdapterKeepsItsNumberHoweverAndWheneverItIsPlugged) {
  const std::string ftdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  const std::string prolific = "usb-Prolific_Technology_Inc._USB-Serial_Controller_B2-if00-port0";
  const std::string ch340 = "usb-1a86_USB_Serial_C3-if00-port0";
  {
    QFile file(QString::fromStdString(File()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# instrument simulator\nCOM9=/dev/pts/4\n");
  }
  struct TRun {
    const char* name;
    std::vector<std::string> devices;
    std::map<std::string, std::string> links;
    TMap expected;
  } const runs[] = {
      {"first seen: the next free numbers",
       {"ttyS0", "ttyUSB0", "ttyUSB1"},
       {{prolific, "ttyUSB0"}, {ftdi, "ttyUSB1"}},
       {{1, "/dev/ttyS0"}, {5, Id(prolific)}, {6, Id(ftdi)}, {9, "/dev/pts/4"}}},
      {"plugged back the other way round",
       {"ttyS0", "ttyUSB0", "ttyUSB1"},
       {{ftdi, "ttyUSB0"}, {prolific, "ttyUSB1"}},
       {{1, "/dev/ttyS0"}, {5, Id(prolific)}, {6, Id(ftdi)}, {9, "/dev/pts/4"}}},
      {"one unplugged, a new one and a modem without identity come",
       {"ttyS0", "ttyUSB0", "ttyUSB1", "ttyACM0"},
       {{ftdi, "ttyUSB1"}, {ch340, "ttyUSB0"}},
       {{1, "/dev/ttyS0"},
        {5, Id(prolific)},
        {6, Id(ftdi)},
        {7, Id(ch340)},
        {8, "/dev/ttyACM0"},
        {9, "/dev/pts/4"}}},
  };
  for (const TRun& run : runs) {
    SCOPED_TRACE(run.name);
    Plug(run.devices, run.links);
    EXPECT_EQ(DeviceMap(Tty(), ById()), run.expected);
    // Asking again changes nothing.
    EXPECT_EQ(DeviceMap(Tty(), ById()), run.expected);
  }
  // The numbers live in the file, beside the lines already there.
  QFile file(QString::fromStdString(File()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(), "# instrument simulator\nCOM9=/dev/pts/4\nCOM5=" + Id(prolific) +
                                              "\nCOM6=" + Id(ftdi) + "\nCOM7=" + Id(ch340) + "\n");
}

// Without /dev/serial/by-id (no udev, a container) the adapter is known by
// the vendor, product and serial number sysfs shows above its tty.
TEST_F(AdapterNumbersTest, AnAdapterWithoutAByIdLinkKeepsItsNumberBySysfsIdentity) {
  Write("comports", "# instrument simulator\nCOM20=/dev/pts/4");
  struct TRun {
    const char* name;
    std::vector<TUsbTty> ttys;
    TMap expected;
  } const runs[] = {
      {"first seen: the next free numbers; one without a serial number by position",
       {{"ttyUSB0", "0403", "6001", "A50285BI", "00"},
        {"ttyUSB1", "067b", "2303", "B2 3", "00"},
        {"ttyUSB2", "1a86", "7523", "", "00"}},
       {{5, "/dev/ttyUSB0"}, {6, "/dev/ttyUSB1"}, {7, "/dev/ttyUSB2"}, {20, "/dev/pts/4"}}},
      {"plugged back the other way round",
       {{"ttyUSB0", "067b", "2303", "B2 3", "00"},
        {"ttyUSB1", "0403", "6001", "A50285BI", "00"},
        {"ttyUSB2", "1a86", "7523", "", "00"}},
       {{5, "/dev/ttyUSB1"}, {6, "/dev/ttyUSB0"}, {7, "/dev/ttyUSB2"}, {20, "/dev/pts/4"}}},
      {"one unplugged keeps its number unmapped; a two-port adapter gets one a port",
       {{"ttyUSB0", "0403", "6010", "C3", "01"},
        {"ttyUSB1", "067b", "2303", "B2 3", "00"},
        {"ttyUSB2", "0403", "6010", "C3", "00"},
        {"ttyACM0", "2341", "0043", "", "00"}},
       {{6, "/dev/ttyUSB1"}, {7, "/dev/ttyUSB0"}, {8, "/dev/ttyUSB2"}, {9, "/dev/ttyACM0"}, {20, "/dev/pts/4"}}},
  };
  for (const TRun& run : runs) {
    SCOPED_TRACE(run.name);
    PlugUsb(run.ttys);
    EXPECT_EQ(DeviceMap(Tty(), ById()), run.expected);
    EXPECT_EQ(DeviceMap(Tty(), ById()), run.expected);
  }
  QFile file(QString::fromStdString(File()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(),
            "# instrument simulator\nCOM20=/dev/pts/4\nCOM5=usb:0403:6001:A50285BI:if00\n"
            "COM6=usb:067b:2303:B2_3:if00\nCOM7=usb:0403:6010:C3:if01\nCOM8=usb:0403:6010:C3:if00\n");
  // A by-id link, when there is one, is what the adapter is remembered by.
  PlugUsb({{"ttyUSB0", "10c4", "ea60", "D4", "00"}});
  ASSERT_TRUE(QFile::link("../../ttyUSB0", QString::fromStdString(Id("usb-Silicon_Labs_CP2102_D4-if00-port0"))));
  EXPECT_EQ(DeviceMap(Tty(), ById()),
            (TMap{{9, Id("usb-Silicon_Labs_CP2102_D4-if00-port0")}, {20, "/dev/pts/4"}}));
}

TEST(DeviceLabelTest, NamesAndNumbers) {
  EXPECT_EQ(DeviceLabel(12), "COM12");
  EXPECT_EQ(PortNumberOf("com12"), 12);
  EXPECT_EQ(PortNumberOf("COM0"), std::nullopt);
  EXPECT_EQ(PortNumberOf("COM1a"), std::nullopt);
}

}  // namespace
