// Icons where the desktop offers no theme (a bare X server, the offscreen
// platform): the freedesktop themes installed on the system stand in.
#pragma once

namespace movrel {

void InstallIconFallback();

}  // namespace movrel
