// Resources compiled into the program, found by type and number
// ("BITMAP" 1-48, "SOUND" 101-112, "ICON").
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

class ResourceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The bytes of resource "#<id>" of the type; raises
// ResourceError("#<id> リソースが見つかりません") when there is none.
std::vector<uint8_t> LoadResource(const std::string& type, int id);
bool HasResource(const std::string& type, int id);

}  // namespace platform
