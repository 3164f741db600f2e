#pragma once
// The stored property lists of the main window and its five controls, in the
// byte form that the framework applies to a new window or control.
#include <string_view>

namespace mapconv {

extern const std::string_view kMainWindowProperties;
extern const std::string_view kPushButton1Properties;
extern const std::string_view kLBrawProperties;
extern const std::string_view kLBresultsProperties;
extern const std::string_view kSTfilenameProperties;
extern const std::string_view kCB_autosaveProperties;

}  // namespace mapconv
