#include "platform/backend/sdl_input.h"

namespace platform {

// Placeholder: no input translation yet.
bool SdlTranslateInputEvent(const void* /*sdlEvent*/, HWND /*window*/) { return false; }

void InputMessageRemoved(const MSG* /*msg*/) {}

}  // namespace platform
