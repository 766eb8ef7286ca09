// A small file beside the program, there exactly while a run is under way:
// a program that finds it at start-up was ended in the middle of a run (a
// power cut, an update's restart) and continues at once instead of waiting
// for the "Start at" time again. The settings file is not written for it.
#pragma once

constexpr const char* kRunMarkerFileName = "Tallowbridge.running";

void MarkRunUnderWay();
void ClearRunUnderWay();
bool RunWasUnderWay();
