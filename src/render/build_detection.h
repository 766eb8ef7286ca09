// Which renderer build is installed: only builds from 681 on accept the -l
// option and write lwsn_tallowbridge.log.
#pragma once

#include <string>

// Reads the build number from the "$VER:" text inside the renderer
// executable, sets g.logCapableBuild and shows RefreshLogButton only for
// log-capable builds. A missing or empty renderer file is reported and turns
// the log features off.
void DetectRendererBuild();

// What the settings window shows beside the renderer path: "lwsn.exe
// 2019.1.5"; empty when the renderer has no version resource.
std::string RendererVersionText();

// The program "View Scene (LW)" starts: lightwav.exe in the renderer's
// folder, or Layout.exe (the name of recent versions) when that folder has
// no lightwav.exe but has Layout.exe.
std::string LayoutProgramPath();

// lwsn_tallowbridge.log in the renderer's folder, its working directory.
std::string RendererLogPath();

// Removes the renderer's log file beside lwsn.exe when the build writes one.
void DeleteRendererLog();
