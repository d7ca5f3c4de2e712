#include "graph/PuissanceDix.h"

long double PuissanceDix(int e) {
  unsigned long n = e < 0 ? -static_cast<long>(e) : e;
  long double resultat = 1.0L;
  long double carre = 10.0L;
  while (n != 0) {
    if (n & 1U) resultat *= carre;
    carre *= carre;
    n >>= 1U;
  }
  return e < 0 ? 1.0L / resultat : resultat;
}
