// User input held back while the program waits for the instrument or for the
// companion program. Such a wait keeps the event loop running (painting,
// timers, bus messages, serial notifications), so a click or key would
// otherwise run its handler inside the wait, on a state the wait has not
// finished with. Every wait of the program holds one TSaisieRetenue for its
// length: the windows' clicks, keys, wheel and touch are taken off the event
// stream and kept; when the last wait ends they are posted back in their
// order, so they act after it, on the state it left. A window shown during a
// wait (a message box) gets its input as usual, and a keyboard shortcut is
// refused for the wait's length.
#pragma once

class TSaisieRetenue {
 public:
  TSaisieRetenue();
  ~TSaisieRetenue();
  TSaisieRetenue(const TSaisieRetenue&) = delete;
  TSaisieRetenue& operator=(const TSaisieRetenue&) = delete;

  // Whether a wait holds the input now.
  static bool Active();
};
