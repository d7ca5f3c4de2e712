#include "serial/SerialMessages.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

struct TMessage {
  int code;  // absolute value
  std::string_view text;
};

// Sorted by code: the look-up bisects it.
constexpr std::array<TMessage, 32> Messages{{
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {6, "Invalid file handle"},
    {8, "Out of memory"},
    {31, "Device input/output error"},
    {1002, "Bad argument passed to function"},
    {2001, "ie_BadId - Specified comport doesn't exist"},
    {2002, "ie_Baudrate - unsupported baud rate"},
    {2003, "ie_Bytesize - invalid byte size"},
    {2004, "ie_Default - error in default parameters"},
    {2005, "ie_Hardware - Specified comport in use"},
    {2006, "ie_Memory - unable to allocate queues"},
    {2007, "ie_NOpen - device not open"},
    {2008, "ie_Open - device already open"},
    {2009, "No more handles, can't open port"},
    {2010, "No timers available"},
    {2011, "The ComNumber property of the TComPort has not been set"},
    {2012, "Accès refusé à la voie série : ce compte n'a pas le droit d'utiliser ce périphérique"},
    {3001, "No device layer specified"},
    {3003, "EnableCommNotification failed"},
    {3004, "Failed to put entire block"},
    {3005, "Failed to get entire block"},
    {3006, "Output buffer too small for block"},
    {3007, "Buffer is empty"},
    {3008, "Tracing not enabled"},
    {3009, "Logging not enabled"},
    {3010, "La voie série a disparu (adaptateur débranché, ligne coupée ou périphérique en panne)"},
    {5001, "No more trigger slots"},
    {5002, "Data trigger too long"},
    {5003, "Bad trigger handle"},
}};

static_assert(std::is_sorted(Messages.begin(), Messages.end(),
                             [](const TMessage& a, const TMessage& b) { return a.code < b.code; }));

std::string SystemText(int number) {
  std::string text = std::strerror(number);
  std::string cleaned;
  for (char c : text) {
    char shown = static_cast<unsigned char>(c) < 32 ? ' ' : c;
    if (shown == ' ' && !cleaned.empty() && cleaned.back() == ' ') continue;
    cleaned += shown;
  }
  return cleaned;
}

}  // namespace

std::optional<std::string> SerialTableMessage(int code) {
  const int key = std::abs(code);
  auto it = std::lower_bound(Messages.begin(), Messages.end(), key,
                             [](const TMessage& m, int k) { return m.code < k; });
  if (it == Messages.end() || it->code != key) return std::nullopt;
  return std::string(it->text);
}

std::string SerialMessage(int code) {
  if (auto text = SerialTableMessage(code)) return *text;
  return SystemText(std::abs(code));
}

std::string PermissionDeniedMessage(const std::string& path, const std::string& group,
                                    const std::string& user) {
  const std::string account = user.empty() ? "ce compte" : "le compte « " + user + " »";
  std::string text = "Accès refusé à la voie série " + path + " : " + account +
                     " n'a pas le droit d'utiliser ce périphérique. ";
  if (group.empty()) {
    text += "Ajouter ce compte au groupe propriétaire du périphérique (souvent « dialout »)";
  } else {
    text += "Le périphérique appartient au groupe « " + group + " » : ajouter ce compte à ce groupe (sudo usermod -aG " +
            group + " " + (user.empty() ? "$USER" : user) + ")";
  }
  return text + ", puis fermer la session et se reconnecter.";
}
