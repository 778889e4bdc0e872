#include "sim/system_host_time.h"

#include <chrono>
#include <ctime>

namespace solvane {

int64_t SystemHostTime::LocalMs() const {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  int64_t utcMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  return utcMs + int64_t{local.tm_gmtoff} * 1000;
}

}  // namespace solvane
