// Lets the serial port ask the user for a port through the "Select Port"
// dialog. The serial core has no widgets, so the program installs the
// dialog at start-up.
#pragma once

void InstallSelectPortDialog();
