#include "platform/DeviceMap.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>
#include <tuple>

namespace {

constexpr int FirstPort = FirstComPort;
constexpr int LastPort = LastComPort;
// The on-board ports keep the numbers the machine's own ports always had.
constexpr int OnBoardPorts = 4;
constexpr int FirstAddedPort = OnBoardPorts + 1;

// Ancestors of a tty's device looked at for the USB device above it.
constexpr int MaxSysfsDepth = 8;

constexpr const char* FileVariable = "ZELOR_COMPORTS_FILE";
constexpr const char* ListVariable = "ZELOR_COMPORTS";

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// "COMn=/dev/path": the port and its path (empty to hide the port).
std::optional<std::pair<int, std::string>> ParseEntry(std::string_view entry) {
  entry = Trimmed(entry);
  const size_t equals = entry.find('=');
  if (entry.empty() || entry.front() == '#' || equals == std::string_view::npos) return std::nullopt;
  const auto n = PortNumberOf(Trimmed(entry.substr(0, equals)));
  if (!n) return std::nullopt;
  return std::make_pair(*n, std::string(Trimmed(entry.substr(equals + 1))));
}

QStringList OverrideLines() {
  QFile file(QString::fromStdString(ComPortsFilePath()));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  return QString::fromUtf8(file.readAll()).split('\n');
}

bool WriteOverrideLines(const QStringList& lines) {
  const QString path = QString::fromStdString(ComPortsFilePath());
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
  for (const QString& line : lines) file.write((line + '\n').toUtf8());
  return file.commit();
}

QStringList LinesWithout(int n) {
  QStringList kept;
  for (const QString& line : OverrideLines()) {
    const auto parsed = ParseEntry(line.toStdString());
    if (!parsed || parsed->first != n) kept << line;
  }
  while (!kept.isEmpty() && kept.back().trimmed().isEmpty()) kept.removeLast();
  return kept;
}

// The names under the tty class folder.
std::vector<std::string> TtyNames(const std::string& ttyClassDir) {
  std::vector<std::string> names;
  for (const QString& entry : QDir(QString::fromStdString(ttyClassDir))
                                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
    names.push_back(entry.toStdString());
  }
  return names;
}

// USB adapters, then modems, each by number: ttyUSB0, ttyUSB1, ..., ttyACM0.
std::vector<std::string> AddedDevices(const std::string& ttyClassDir) {
  std::vector<std::tuple<int, int, std::string>> added;
  const std::string_view kinds[] = {"ttyUSB", "ttyACM"};
  for (const std::string& name : TtyNames(ttyClassDir)) {
    for (int kind = 0; kind < 2; ++kind)
      if (auto k = NumberAfter(name, kinds[kind])) added.emplace_back(kind, *k, name);
  }
  std::sort(added.begin(), added.end());
  std::vector<std::string> names;
  for (const auto& device : added) names.push_back(std::get<2>(device));
  return names;
}

// The link of a device in the by-id folder, which carries the adapter's
// maker, model and serial number. Empty when it has none.
std::string ByIdLinkOf(const std::string& deviceName, const std::string& byIdDir) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (const fs::directory_entry& link : fs::directory_iterator(byIdDir, error)) {
    std::error_code linkError;
    const fs::path target = fs::read_symlink(link.path(), linkError);
    if (!linkError && target.filename() == deviceName) return (fs::path(byIdDir) / link.path().filename()).string();
  }
  return {};
}

// The first line of a sysfs attribute, with blanks and the map's separators
// made harmless; empty when the file is missing.
std::string SysfsValue(const std::filesystem::path& file) {
  QFile attribute(QString::fromStdString(file.string()));
  if (!attribute.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  std::string value = attribute.readLine().trimmed().toStdString();
  for (char& c : value) {
    if (static_cast<unsigned char>(c) <= ' ' || c == ';' || c == '=' || c == '#') c = '_';
  }
  return value;
}

// The identity the kernel shows for a USB adapter: vendor and product ids
// and serial number of the USB device above it, and the interface for
// adapters with several ports. Empty for a device not on USB, or one
// without a serial number (two of those cannot be told apart).
std::string SysfsIdentityOf(const std::string& deviceName, const std::string& ttyClassDir) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path dir = fs::canonical(fs::path(ttyClassDir) / deviceName / "device", error);
  if (error) return {};
  std::string interface;
  for (int depth = 0; depth < MaxSysfsDepth && dir.has_relative_path(); ++depth, dir = dir.parent_path()) {
    if (interface.empty()) interface = SysfsValue(dir / "bInterfaceNumber");
    const std::string vendor = SysfsValue(dir / "idVendor");
    if (vendor.empty()) continue;
    const std::string product = SysfsValue(dir / "idProduct");
    const std::string serial = SysfsValue(dir / "serial");
    if (product.empty() || serial.empty()) return {};
    std::string identity = std::string(SysfsIdentityPrefix) + vendor + ":" + product + ":" + serial;
    if (!interface.empty()) identity += ":if" + interface;
    return identity;
  }
  return {};
}

// The names a device is known by for good, the one remembered first: its
// by-id link, then its sysfs identity. Empty for a device with neither.
std::vector<std::string> IdentitiesOf(const std::string& deviceName, const std::string& ttyClassDir,
                                      const std::string& byIdDir) {
  std::vector<std::string> identities;
  for (std::string identity : {ByIdLinkOf(deviceName, byIdDir), SysfsIdentityOf(deviceName, ttyClassDir)}) {
    if (!identity.empty()) identities.push_back(std::move(identity));
  }
  return identities;
}

bool IsSysfsIdentity(std::string_view entry) {
  return entry.substr(0, std::string_view(SysfsIdentityPrefix).size()) == SysfsIdentityPrefix;
}

// The devices present now, by their sysfs identity.
std::map<std::string, std::string> PresentAdapters(const std::string& ttyClassDir) {
  std::map<std::string, std::string> present;
  for (const std::string& name : AddedDevices(ttyClassDir)) {
    if (std::string identity = SysfsIdentityOf(name, ttyClassDir); !identity.empty())
      present.emplace(std::move(identity), "/dev/" + name);
  }
  return present;
}

std::vector<std::pair<int, std::string>> OverrideEntries() {
  std::vector<std::pair<int, std::string>> entries;
  for (const QString& line : OverrideLines()) {
    if (auto parsed = ParseEntry(line.toStdString()); parsed && !parsed->second.empty()) entries.push_back(*parsed);
  }
  return entries;
}

// Numbers the override file keeps for adapters known by their identity.
std::set<int> RememberedNumbers(const std::string& byIdDir) {
  std::set<int> numbers;
  const std::string prefix = byIdDir + "/";
  for (const auto& [n, path] : OverrideEntries()) {
    if (path.compare(0, prefix.size(), prefix) == 0 || IsSysfsIdentity(path)) numbers.insert(n);
  }
  return numbers;
}

// An entry naming an adapter by its sysfs identity stands for the device
// that has it now; while the adapter is away its port is not mapped.
void ApplyResolved(std::map<int, std::string>& map, std::string_view entry,
                   const std::map<std::string, std::string>& present) {
  auto parsed = ParseEntry(entry);
  if (!parsed) return;
  if (IsSysfsIdentity(parsed->second)) {
    const auto it = present.find(parsed->second);
    parsed->second = it == present.end() ? std::string() : it->second;
  }
  if (parsed->second.empty())
    map.erase(parsed->first);
  else
    map[parsed->first] = parsed->second;
}

}  // namespace

std::map<int, std::string> SystemSerialDevices(const std::string& ttyClassDir, const std::string& byIdDir) {
  std::map<int, std::string> map;
  for (const std::string& name : TtyNames(ttyClassDir)) {
    if (auto s = NumberAfter(name, "ttyS"); s && *s < OnBoardPorts) map[*s + 1] = "/dev/" + name;
  }
  // Adapters with an identity have the number remembered for them; the
  // others follow in a fixed order, around the remembered numbers.
  const std::set<int> kept = RememberedNumbers(byIdDir);
  int n = FirstAddedPort;
  for (const std::string& name : AddedDevices(ttyClassDir)) {
    if (!IdentitiesOf(name, ttyClassDir, byIdDir).empty()) continue;
    while (kept.count(n) != 0) ++n;
    map[n++] = "/dev/" + name;
  }
  return map;
}

void RememberAdapters(const std::string& ttyClassDir, const std::string& byIdDir) {
  std::set<std::string> known;
  std::set<int> taken;
  for (int n = FirstPort; n < FirstAddedPort; ++n) taken.insert(n);
  for (const auto& [n, path] : OverrideEntries()) {
    known.insert(path);
    taken.insert(n);
  }
  for (const std::string& name : AddedDevices(ttyClassDir)) {
    const std::vector<std::string> identities = IdentitiesOf(name, ttyClassDir, byIdDir);
    if (identities.empty() ||
        std::any_of(identities.begin(), identities.end(), [&](const auto& id) { return known.count(id) != 0; }))
      continue;
    int n = FirstAddedPort;
    while (taken.count(n) != 0) ++n;
    // When the file cannot be written the adapter is only numbered for now.
    if (RegisterPort(n, identities.front())) {
      taken.insert(n);
      known.insert(identities.front());
    }
  }
}

std::string ComPortsFilePath() {
  if (const char* file = std::getenv(FileVariable); file && *file) return file;
  std::string config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    config = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    config = std::string(home) + "/.config";
  else
    config = QDir::homePath().toStdString() + "/.config";
  return config + "/zelor/comports";
}

std::map<int, std::string> DeviceMap(const std::string& ttyClassDir, const std::string& byIdDir) {
  RememberAdapters(ttyClassDir, byIdDir);
  std::map<int, std::string> map = SystemSerialDevices(ttyClassDir, byIdDir);
  const std::map<std::string, std::string> present = PresentAdapters(ttyClassDir);
  for (const QString& line : OverrideLines()) ApplyResolved(map, line.toStdString(), present);
  if (const char* list = std::getenv(ListVariable)) {
    std::string_view entries = list;
    for (size_t start = 0; start <= entries.size();) {
      const size_t end = std::min(entries.find(';', start), entries.size());
      ApplyResolved(map, entries.substr(start, end - start), present);
      start = end + 1;
    }
  }
  return map;
}

std::optional<std::string> DevicePathFor(int n) {
  const auto map = DeviceMap();
  const auto it = map.find(n);
  if (it == map.end()) return std::nullopt;
  return it->second;
}

bool RegisterPort(int n, const std::string& path) {
  if (n < FirstPort || n > LastPort || Trimmed(path).empty() ||
      path.find_first_of("\r\n") != std::string::npos)
    return false;
  QStringList lines = LinesWithout(n);
  lines << QString::fromStdString(DeviceLabel(n) + "=" + std::string(Trimmed(path)));
  return WriteOverrideLines(lines);
}

bool UnregisterPort(int n) {
  if (n < FirstPort || n > LastPort) return false;
  if (!QFileInfo::exists(QString::fromStdString(ComPortsFilePath()))) return true;
  return WriteOverrideLines(LinesWithout(n));
}
