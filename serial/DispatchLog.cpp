// The dispatch-log ring and its dump.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "serial/DumpFile.h"
#include "serial/DumpItems.h"
#include "serial/TraceLog.h"

namespace {

constexpr size_t HeaderLineLimit = 80;
// Column of the first extra byte (1-based), and the width at which a line of
// extra bytes wraps to a continuation under the data column.
constexpr size_t ExtraFirstColumn = 45;
constexpr size_t ExtraWrapColumn = 79;
constexpr auto UserEntryType = static_cast<uint8_t>(TLogType::User);

constexpr std::array<const char*, 10> TypeNames{"No event", "Dispatch", "Trigger",  "Error",    "Thread",
                                                "TrigAllc", "TrigDisp", "TrgHdAlc", "TrgHdDsp", "TrDatChg"};

std::string TypeName(uint8_t type) {
  return type < TypeNames.size() ? TypeNames[type] : "";
}

std::string SubTypeName(uint8_t subType) {
  switch (static_cast<TLogSubType>(subType)) {
    case TLogSubType::ReadCom:
      return "ReadCom";
    case TLogSubType::WriteCom:
      return "WriteCom";
    case TLogSubType::LineStatus:
      return "Line status";
    case TLogSubType::ModemStatus:
      return "Modem status";
    case TLogSubType::Avail:
    case TLogSubType::TriggerAvail:
      return "Avail";
    case TLogSubType::Timer:
      return "Timer";
    case TLogSubType::Data:
    case TLogSubType::TriggerData:
      return "Data";
    case TLogSubType::Status:
    case TLogSubType::TriggerStatus:
      return "Status";
    case TLogSubType::Window:
      return "Window";
    default:
      return "";
  }
}

constexpr std::array<const char*, 6> StatusKindNames{"(Not active)",         "(Modem status)",
                                                     "(Line status)",        "(Output buffer free)",
                                                     "(Output buffer used)", "(Output sent)"};

constexpr std::array<const char*, 8> ModemBitNames{"DCTS ", "DDSR ", "TERI ", "DDCD ",
                                                   "CTS ",  "DSR ",  "RI ",   "DCD "};

bool IsStatusKindEntry(uint8_t type, uint8_t subType) {
  const bool trigger =
      type == static_cast<uint8_t>(TLogType::TrigAllc) || type == static_cast<uint8_t>(TLogType::TrigDisp);
  return trigger && SubTypeName(subType) == "Status";
}

std::string TimeText(uint32_t ms) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%07u", ms);
  std::string text = digits;
  text.insert(text.size() - 3, ".");
  return text;
}

std::string ModemBits(uint32_t data) {
  std::string names;
  for (size_t bit = 0; bit < ModemBitNames.size(); ++bit)
    if (data & (1u << bit)) names += ModemBitNames[bit];
  if (!names.empty()) names.pop_back();
  return "(" + names + ")";
}

std::string HeaderLines(const std::string& deviceLabel, const TLogDumpContext& context) {
  const char* end = DumpLineEnd;
  return std::string("SERIAL v1.00") + end + "Compiler : Unknown" + end +
         "Operating System : " + context.operatingSystem.substr(0, HeaderLineLimit) + end +
         "Device: " + deviceLabel + end + "Date/time: " + context.dateTime.substr(0, HeaderLineLimit) + end +
         "Time      Type      SubType       Data      OtherData" + end +
         "--------  --------  ------------  --------  ---------" + end;
}

}  // namespace

void TDispatchLog::Start(uint32_t bytes) {
  bytes = std::min(bytes, MaxBytes);
  if (size_ != bytes) {
    ring_.assign(bytes, '\0');
    size_ = bytes;
  }
  Clear();
  on_ = true;
}

void TDispatchLog::Pause() {
  on_ = false;
}
void TDispatchLog::Resume() {
  on_ = true;
}

void TDispatchLog::Clear() {
  head_ = 0;
  tail_ = 0;
  free_ = size_;
}

void TDispatchLog::Release() {
  std::string().swap(ring_);
  size_ = 0;
  Clear();
  on_ = false;
}

void TDispatchLog::CopyIn(const void* bytes, uint32_t count) {
  const auto* from = static_cast<const char*>(bytes);
  const uint32_t first = std::min(count, size_ - head_);
  std::memcpy(ring_.data() + head_, from, first);
  std::memcpy(ring_.data(), from + first, count - first);
  head_ = (head_ + count) % size_;
  free_ -= count;
}

void TDispatchLog::CopyOut(uint32_t from, void* bytes, uint32_t count) const {
  auto* to = static_cast<char*>(bytes);
  const uint32_t first = std::min(count, size_ - from);
  std::memcpy(to, ring_.data() + from, first);
  std::memcpy(to + first, ring_.data(), count - first);
}

void TDispatchLog::DropOldest() {
  THeader oldest{};
  CopyOut(tail_, &oldest, HeaderBytes);
  const uint32_t length = HeaderBytes + oldest.count;
  tail_ = static_cast<uint32_t>((uint64_t{tail_} + length) % size_);
  free_ += length;
}

void TDispatchLog::Add(TLogType type, TLogSubType subType, uint32_t data, const uint8_t* extra,
                       uint32_t extraCount) {
  if (!on_ || size_ == 0) return;
  if (extra == nullptr) extraCount = 0;
  // Header and bytes go in together or not at all: a header whose bytes were
  // lost, or bytes whose header was dropped, would corrupt every later entry.
  const uint64_t length = uint64_t{HeaderBytes} + extraCount;
  if (length >= size_) return;
  while (free_ < length) DropOldest();
  const THeader header{
      static_cast<uint8_t>(type), static_cast<uint8_t>(subType), 0, clock_() - timeBase_, data, extraCount};
  CopyIn(&header, HeaderBytes);
  if (extraCount > 0) CopyIn(extra, extraCount);
}

std::string TDispatchLog::EntryText(const THeader& header, const std::string& extra, bool logHex,
                                    bool logAllHex) const {
  char fixed[96];
  std::snprintf(fixed, sizeof fixed, "%8s  %-8s  %-12s  %08X  ", TimeText(header.time).c_str(),
                TypeName(header.type).c_str(), SubTypeName(header.subType).c_str(), header.data);
  std::string line = fixed;
  const auto kind = extra.empty() ? 0u : static_cast<uint8_t>(extra[0]);
  if (IsStatusKindEntry(header.type, header.subType) && !extra.empty() && kind < StatusKindNames.size()) {
    line += StatusKindNames[kind];
  } else {
    // User entries are text even when every other byte is shown in hexadecimal.
    const bool allHex = logAllHex && header.type != UserEntryType;
    const bool asText = logAllHex && header.type == UserEntryType;
    size_t column = ExtraFirstColumn;
    for (char c : extra) {
      const std::string item = asText ? std::string(1, c) : DumpItem(static_cast<uint8_t>(c), logHex, allHex);
      if (column + item.size() >= ExtraWrapColumn) {
        line += DumpLineEnd + std::string(ExtraFirstColumn - 1, ' ');
        column = ExtraFirstColumn + item.size();
      } else {
        column += item.size();
      }
      line += item;
    }
  }
  if (header.subType == static_cast<uint8_t>(TLogSubType::ModemStatus)) line += ModemBits(header.data);
  return line + DumpLineEnd;
}

std::string TDispatchLog::Text(bool logHex, bool logAllHex, const std::string& deviceLabel,
                               const TLogDumpContext& context) const {
  std::string out = HeaderLines(deviceLabel, context);
  std::string extra;  // scratch for one entry's bytes
  uint32_t at = tail_;
  for (uint32_t left = size_ - free_; left > 0;) {
    THeader header{};
    CopyOut(at, &header, HeaderBytes);
    extra.resize(header.count);
    CopyOut((at + HeaderBytes) % size_, extra.data(), header.count);
    out += EntryText(header, extra, logHex, logAllHex);
    const uint32_t length = HeaderBytes + header.count;
    at = static_cast<uint32_t>((uint64_t{at} + length) % size_);
    left -= length;
  }
  return out;
}

int TDispatchLog::Dump(const std::string& fileName, bool append, bool logHex, bool logAllHex,
                       const std::string& deviceLabel) {
  return Dump(fileName, append, logHex, logAllHex, deviceLabel, TLogDumpContext::Current());
}

int TDispatchLog::Dump(const std::string& fileName, bool append, bool logHex, bool logAllHex,
                       const std::string& deviceLabel, const TLogDumpContext& context) {
  if (size_ == 0 || Empty()) {
    Release();
    return 0;
  }
  on_ = false;
  const int status = WriteDumpFile(fileName, Text(logHex, logAllHex, deviceLabel, context), append);
  if (status == 0) Release();
  return status;
}
