#pragma once
// A message box with an OK button, shown to the person at the screen; without a display it
// becomes one line on stderr. Blocks until dismissed, like the programs expect.
#include <functional>
#include <string_view>

namespace platform {

// Text and caption are CP932.
void showMessageBox(std::string_view cp932Text, std::string_view cp932Caption);
// Tests divert the messages (UTF-8 text, caption); an empty function restores the real box.
void setMessageBoxSink(std::function<void(std::string_view utf8Text, std::string_view utf8Caption)> sink);

} // namespace platform
