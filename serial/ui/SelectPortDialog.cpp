#include "serial/ui/SelectPortDialog.h"

#include "serial/ComPort.h"
#include "serial/ui/ComSelectForm.h"

void InstallSelectPortDialog() {
  TCustomComPort::SelectPort = [] {
    const int chosen = TComSelectForm::ChoosePort(
        [](int n) { return n > 0 && n <= 0xFFFF && IsPortAvailable(static_cast<uint16_t>(n)); });
    return static_cast<uint16_t>(chosen);
  };
}
