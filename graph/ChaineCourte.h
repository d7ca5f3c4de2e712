// Text of fixed capacity: longer values are cut on assignment, never grown,
// so the graph's names and comment live inside the object without allocation.
// The bytes are kept as given (8-bit text: the axis name may be the byte 0x88).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

template <std::size_t Capacite>
class ChaineCourte {
 public:
  ChaineCourte() = default;
  ChaineCourte(std::string_view texte) { *this = texte; }  // NOLINT: implicit like a string
  ChaineCourte(const char* texte) : ChaineCourte(std::string_view(texte)) {}  // NOLINT

  ChaineCourte& operator=(std::string_view texte) {
    longueur_ = std::min(texte.size(), Capacite);
    std::copy_n(texte.data(), longueur_, octets_.data());
    return *this;
  }
  ChaineCourte& operator=(const char* texte) { return *this = std::string_view(texte); }

  std::string_view Vue() const { return {octets_.data(), longueur_}; }
  operator std::string_view() const { return Vue(); }  // NOLINT
  std::string Texte() const { return std::string(Vue()); }
  std::size_t size() const { return longueur_; }
  bool empty() const { return longueur_ == 0; }
  static constexpr std::size_t capacite() { return Capacite; }

  friend bool operator==(const ChaineCourte& a, std::string_view b) { return a.Vue() == b; }

 private:
  std::array<char, Capacite> octets_{};
  std::size_t longueur_ = 0;
};
