// A large scene with the content LightWave writes: objects with motion
// envelopes and subdivision blocks, then camera, render and output settings.
#pragma once

#include <cstddef>
#include <string>

std::string GenerateLargeScene(std::size_t targetBytes);
