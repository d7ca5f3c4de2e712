#include "serial/ComPort.h"

#include "serial/DeviceDispatcher.h"
#include "serial/tests/ComPortTestSupport.h"
#include "serial/tests/PtyPair.h"

#include <gtest/gtest.h>

namespace {

TEST(IsPortAvailableTest, PresentAndBusyPortsCountAbsentOnesDoNot) {
  TPtyPair free;
  TPtyPair busy;
  ASSERT_TRUE(free.Ok() && busy.Ok());
  TPortMap map;
  map.Set(3, free.SlavePath());
  map.Set(4, busy.SlavePath());
  map.Set(5, "/dev/zelor-no-such-device");
  map.Set(6, "/dev/null");  // not a serial line
  map.Set(7, "");           // hidden
  TComPort holder;
  holder.SetComNumber(4);
  holder.SetOpen(true);

  struct TCase {
    uint16_t n;
    bool available;
  };
  for (const TCase c : {TCase{0, false}, TCase{3, true}, TCase{4, true}, TCase{5, false}, TCase{6, false},
                        TCase{7, false}, TCase{40000, false}}) {
    EXPECT_EQ(IsPortAvailable(c.n), c.available) << "COM" << c.n;
  }

  // The test only opens and closes: the free port is not left held, and the
  // open port keeps working.
  TDeviceDispatcher after;
  EXPECT_EQ(after.Open(free.SlavePath(), 9600, 0, 8, 1, 1024, 1024, 0), 0);
  after.Close();
  holder.WriteString("still");
  EXPECT_EQ(busy.Receive(5), "still");
}

}  // namespace
