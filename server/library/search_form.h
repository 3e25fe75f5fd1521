#pragma once
// The search form that clients post: "input=...&filter=name&type=qq&page=1".

#include <optional>
#include <string>
#include <string_view>

namespace quilla::server::library {

struct SearchForm {
  std::string input;   // UTF-8
  int page = 1;        // 1-based
  std::string filter;  // "name" from the clients; other values are searched alike
  std::string type;    // the catalogue code; the library is one catalogue for all of them
};

// Parses an application/x-www-form-urlencoded body ("+" is a space, "%XX" a byte).
// nullopt for a bad form: no "input" field, a broken "%" escape, input that is not UTF-8
// (the clients encode UTF-8; guessing another code page would turn a cut character into a
// wrong one), or a "page" that is not a whole number from 1 to 100000. Repeated fields:
// the first counts. Pure.
std::optional<SearchForm> ParseSearchForm(std::string_view body);

}  // namespace quilla::server::library
