#pragma once
// The stored property lists of the Add Images window and its text ST, in the
// byte form that the framework applies to a new window or control.
#include <string_view>

namespace addimages {

extern const std::string_view kAddImagesWindowProperties;
extern const std::string_view kSTProperties;

}  // namespace addimages
