// The engine tag of the maker's program file. tools/append_engine finds this
// literal in the built program and writes the real size of the appended
// engine into its 8 digits, so it must stay one plain array in the data of
// the program and be read through a volatile pointer, never folded by the
// compiler.
#include "maker/maker_common.h"

extern "C" {
extern const char maker_engine_tag[17];
__attribute__((used)) const char maker_engine_tag[17] = "00841216Rundavel";
}

namespace maker {

std::string EngineTagText() {
  const volatile char* p = maker_engine_tag;
  std::string s;
  for (int i = 0; i < 16; ++i) s.push_back(p[i]);
  return s;
}

int32_t EngineTagSize() {
  const std::string t = EngineTagText();
  int32_t n = 0;
  for (int i = 0; i < 8; ++i) n = n * 10 + (t[size_t(i)] - '0');
  return n;
}

}  // namespace maker
