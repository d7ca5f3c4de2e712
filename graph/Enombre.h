// Raised by an axis conversion of a missing value.
#pragma once

#include <stdexcept>

class Enombre : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* MessageValeurNonInitialisee = "Valeur non initialisée";
