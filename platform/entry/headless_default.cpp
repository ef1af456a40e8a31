// Linked into the tests, benchmarks and fuzz targets: they run on the headless backend unless
// they choose another, while any other program gets the SDL2 backend.
#include "platform/backend/backend.h"

namespace {
const bool g_headless = (platform::SelectBackend(platform::Backend::Headless), true);
}
