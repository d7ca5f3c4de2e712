// The stable, quoted form of raw line bytes used in the simulator's log, so a
// test can compare exact bytes as text: printable ASCII as is, CR as \r, LF
// as \n, the reset byte "@", quotes, backslashes and every other byte as \xHH.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

QByteArray EchappeOctets(QByteArrayView octets);
