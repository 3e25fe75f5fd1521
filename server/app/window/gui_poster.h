#pragma once
// The server window hands work to the GUI thread through the poster both programs share.

#include "qt/gui_poster.h"

namespace quilla::server {
using qt::GuiPoster;
}  // namespace quilla::server
