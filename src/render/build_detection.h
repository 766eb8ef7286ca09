// Which renderer build is installed: only builds from 681 on accept the -l
// option and write lwsn_tallowbridge.log.
#pragma once

#include <string>

// Reads the build number from the "$VER:" text inside the renderer
// executable, sets g.logCapableBuild and shows RefreshLogButton only for
// log-capable builds. A missing or empty renderer file is reported and turns
// the log features off.
void DetectRendererBuild();

// lwsn_tallowbridge.log in the renderer's folder, its working directory.
std::string RendererLogPath();

// Removes the renderer's log file beside lwsn.exe when the build writes one.
void DeleteRendererLog();
