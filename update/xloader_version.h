#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace solvane {

// The version text of an X-Loader image: from the first "X-Loader " that lies
// wholly in the image up to its NUL, the image's end or 200 characters,
// whichever comes first; the empty text when the image has no marker.
std::string XLoaderVersionText(const uint8_t* image, size_t length);

}  // namespace solvane
